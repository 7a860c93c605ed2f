#include "service/document/controller/DocumentControllerUndoIO.h"

#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/Selection.h"
#include "service/document/undo/UndoContext.h"
#include "service/document/undo/UndoManager.h"

namespace tessel {

DocumentControllerUndoIO::DocumentControllerUndoIO(UndoManager& manager)
    : m_manager(manager), m_selectionKind(manager.registerKind(L"Selection")),
      m_selectionCaretKind(manager.registerKind(L"SelectionCaret")), m_spansKind(manager.registerKind(L"Spans")) {
    const uint32_t kinds[3] = {m_selectionKind, m_selectionCaretKind, m_spansKind};
    for (int i = 0; i < 3; ++i) {
        m_ownsSlot[i] = manager.setKindListener(kinds[i], this);
        // They only accompany edits: alone they make no undo step.
        manager.setKindPassive(kinds[i], true);
    }
}

DocumentControllerUndoIO::~DocumentControllerUndoIO() {
    const uint32_t kinds[3] = {m_selectionKind, m_selectionCaretKind, m_spansKind};
    for (int i = 0; i < 3; ++i)
        if (m_ownsSlot[i])
            m_manager.unregisterKind(kinds[i]);
}

DocumentController* DocumentControllerUndoIO::replayingController(UndoContext& context) {
    Document* document = context.document();
    if (!document)
        return nullptr;
    const uint32_t tag = document->getChangeRange().tag;
    for (DocumentController* controller : document->getControllers())
        if (controller->getKey() == tag && controller->getLockKind() == DocumentController::LOCK_REPLAY)
            return controller;
    return nullptr;
}

void DocumentControllerUndoIO::apply(UndoContext& context) {
    DocumentController* controller = replayingController(context);
    if (!controller)
        return;
    const uint32_t kind = context.currentKind();
    if (kind == m_selectionKind)
        controller->applySelectionUndo(context);
    else if (kind == m_spansKind)
        controller->applySpansUndo(context);
}

void DocumentControllerUndoIO::dump(UndoContext& context, std::wstring& out, const wchar_t* prefix) {
    const uint32_t kind = context.currentKind();
    if (kind == m_selectionKind) {
        out.append(prefix).append(L"\n");
        Selection::dumpState(context, out, L"    ");
    } else if (kind == m_spansKind) {
        Document* document = context.document();
        if (document && !document->getControllers().empty()) {
            out.append(prefix).append(L"\n");
            document->getControllers().front()->getSpanManager().dumpUndoState(context, out, L"    ");
        } else {
            UndoListener::dump(context, out, prefix);
        }
    }
}

} // namespace tessel

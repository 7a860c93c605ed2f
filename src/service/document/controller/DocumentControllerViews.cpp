// The DocumentController's format, its view and the document's parse priority, its
// highlighters, undo and redo, snippet tab stops, the scope at the caret and the search session.

#include "service/document/controller/DocumentController.h"

#include "service/base/BgScheduler.h"
#include "service/document/Document.h"
#include "service/document/DocumentFormat.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/DocumentControllerSearchSession.h"
#include "service/document/controller/IEditor.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/LongEdit.h"
#include "service/document/controller/Selection.h"
#include "service/document/undo/UndoContext.h"
#include "service/document/undo/UndoManager.h"
#include "service/parser/base/DocumentScope.h"
#include "service/parser/base/ParserClient.h"

#include <algorithm>

namespace tessel {

namespace {

// Parse priorities of a document's job: shown, hidden.
constexpr int32_t PRIORITY_SHOWN = 2;
constexpr int32_t PRIORITY_HIDDEN = 3;

bool sameIndentation(const pel::Indentation& a, const pel::Indentation& b) {
    return a.indentChar == b.indentChar && a.size == b.size && a.soft == b.soft && a.mode == b.mode;
}

std::wstring titleOf(const DocumentFormat& format) {
    if (format.isNew || format.path.empty())
        return L"Untitled";
    pel::WorkString<256> name(format.path);
    name.removePath();
    return name.str();
}

} // namespace

// ---- format

void DocumentController::onFormatChanged(Document&, const DocumentFormat& format, uint32_t mask) {
    takeFormat(format, mask);
}

void DocumentController::takeFormat(const DocumentFormat& format, uint32_t mask) {
    if ((mask & FORMAT_CHANGED_ENCODING) &&
        (format.encoding != m_format.encoding || format.lineEnding != m_format.lineEnding ||
         !sameIndentation(format.indentation, m_format.indentation))) {
        const Format old = m_format;
        m_format.encoding = format.encoding;
        m_format.lineEnding = format.lineEnding;
        m_format.indentation = format.indentation;
        m_formatChanged.notify(*this, m_format, old);
    }
    if (!(mask & (FORMAT_CHANGED_MODIFIED | FORMAT_CHANGED_PATH)))
        return;
    if (mask & FORMAT_CHANGED_MODIFIED)
        m_modifiedChanged.notify(*this, format.modified);
    std::wstring title = titleOf(format);
    if (title != m_title || m_path != format.path.c_str()) {
        m_title = std::move(title);
        m_path = format.path.c_str();
        m_pathChanged.notify(*this, m_path);
    }
}

void DocumentController::setSavedFormatField(uint32_t DocumentFormat::*field, uint32_t value) {
    Lock lock(*this, LOCK_EDIT);
    if (!canEdit(L"setSavedFormatField"))
        return;
    bool changed = false;
    m_document.changeFormat([&](DocumentFormat& format) {
        changed = format.*field != value;
        format.*field = value;
    });
    // A save writes other bytes now: modified until then, whatever undo does.
    if (changed)
        m_document.getUndoContext().noteUnloggedChange();
}

void DocumentController::setEncoding(uint32_t encoding) { setSavedFormatField(&DocumentFormat::encoding, encoding); }

void DocumentController::setLineEnding(uint32_t lineEnding) {
    setSavedFormatField(&DocumentFormat::lineEnding, lineEnding);
}

void DocumentController::setIndentation(int32_t width, bool softTabs) {
    m_document.changeFormat(
        [&](DocumentFormat& format) { format.indentation.set(width, softTabs ? 1 : 0, format.indentation.mode); });
}

void DocumentController::markUnmodified() {
    Lock lock(*this, LOCK_READ);
    m_document.getUndoContext().markSaved();
    m_document.changeFormat([](DocumentFormat& format) { format.modified = false; });
}

bool DocumentController::isModified() const { return m_document.getFormat().modified; }

void DocumentController::setGrammar(const std::wstring& name) {
    Lock lock(*this, LOCK_READ);
    m_owner.setGrammar(m_document, name);
}

void DocumentController::setFacePreset(const FacePreset& preset) {
    m_facePreset->assign(preset);
    m_facePresetChanged.notify(*this, *m_facePreset);
}

// ---- the view

void DocumentController::setEditor(IEditor* view) {
    if (IEditor* old = m_view) {
        // Gone before the listeners hear of it: a rectangle goes by the text's columns now.
        m_view = nullptr;
        m_viewDetached.notify(*this, old);
        old->attachController(nullptr);
        if (m_owner.getActiveController() == this)
            m_owner.setActiveController(nullptr);
    }
    if (view) {
        DocumentController* other = view->getController();
        if (other && other != this && other->getEditor() == view)
            other->setEditor(nullptr);
        m_view = view;
        view->attachController(this);
        m_viewAttached.notify(*this, view);
    }
    updateParsePriority();
}

void DocumentController::updateParsePriority() {
    ParserJob* job = m_document.getParserJob();
    if (!job)
        return;
    BgScheduler& scheduler = m_owner.getParserScheduler();
    int32_t priority;
    int32_t state;
    {
        pel::ScopedLock<pel::Mutex_Impl> lock(scheduler.getLock());
        priority = job->priority;
        state = job->state;
    }
    if (m_view) {
        if (priority != PRIORITY_SHOWN)
            scheduler.setJobPriority(job, PRIORITY_SHOWN);
        if (priority != PRIORITY_SHOWN || state == BgJob::IDLE)
            scheduler.enqueueJob(job, true);
        return;
    }
    if (priority == PRIORITY_HIDDEN)
        return;
    scheduler.setJobPriority(job, PRIORITY_HIDDEN);
    if (m_owner.getParseInactiveDocuments())
        scheduler.enqueueJob(job, true);
    else
        scheduler.dequeueJob(job);
}

void DocumentController::addSpanHighlighter(TextHighlighter* highlighter) {
    if (!highlighter || std::find(m_highlighters.begin(), m_highlighters.end(), highlighter) != m_highlighters.end())
        return;
    m_highlighters.push_back(highlighter);
    m_highlighterChanged.notify(*this, highlighter, true);
}

void DocumentController::removeSpanHighlighter(TextHighlighter* highlighter) {
    const auto found = std::find(m_highlighters.begin(), m_highlighters.end(), highlighter);
    if (found == m_highlighters.end())
        return;
    m_highlighters.erase(found);
    m_highlighterChanged.notify(*this, highlighter, false);
}

// ---- undo

bool DocumentController::undo() { return replay(false); }

bool DocumentController::redo() { return replay(true); }

bool DocumentController::replay(bool redo) {
    if (m_document.isReadOnly()) {
        refuseEdit();
        return false;
    }
    // A long group (a large Replace All) is walked in steps, a replay transaction each, with the
    // pauses of a long edit between them; stopped there, the walk stays inside the group, which
    // the next undo or redo goes on with.
    LongEdit edit(*this);
    UndoContext& context = m_document.getUndoContext();
    for (bool started = false, done = false; !done;) {
        {
            Lock lock(*this, LOCK_REPLAY);
            SelectionChange bracket(*this);
            if (!started && !(started = context.hasLog() && context.getMode() == UNDO_IDLE && context.startWalk(redo)))
                break;
            done = context.walkOn([&edit] { return !edit.due(); });
        }
        if (!done && !edit.pause(redo ? L"Redoing..." : L"Undoing..."))
            break;
    }
    return true;
}

void DocumentController::recordSelectionUndo() {
    UndoContext& context = m_document.getUndoContext();
    if (context.getMode() != UNDO_RECORDING)
        return;
    const DocumentControllerUndoIO& io = m_owner.getUndoIO();
    if (io.spansKind() < UndoManager::MAX_KINDS) {
        SelectionChange bracket(*this);
        context.beginRecord(io.spansKind());
        m_spanManager->saveUndoState(context);
        context.endRecord();
    }
    if (io.selectionKind() < UndoManager::MAX_KINDS) {
        context.beginRecord(io.selectionKind());
        m_selection->writeState(context);
        context.endRecord();
    }
}

void DocumentController::applySelectionUndo(Stream& record) {
    SelectionChange bracket(*this);
    m_selection->readState(record);
}

void DocumentController::applySpansUndo(Stream& record) {
    beginHighlightChange().restoreUndoState(record);
    endSelectionChange();
}

// ---- snippets

bool DocumentController::gotoTabStop(bool forward) {
    Lock lock(*this, LOCK_EDIT);
    SelectionChange bracket(*this);
    return m_spanManager->gotoTabStop(forward);
}

bool DocumentController::leaveSpanContext() {
    Lock lock(*this, LOCK_EDIT);
    SelectionChange bracket(*this);
    return m_spanManager->leaveActiveContext();
}

// ---- queries

void DocumentController::getCaretScope(ScopePath& o_path) {
    SelectionChange bracket(*this);
    {
        Lock lock(*this, LOCK_READ);
        if (const DocumentScope* scope = m_document.getScopeAt(getCaretOffset()))
            o_path.append(scope->scopePath());
    }
    switch (m_selection->getBehaviorId()) {
    case selection_ids::NORMAL:
        o_path.pushText(L"ui.selection.normal", false, 0);
        break;
    case selection_ids::RECTANGLE:
        o_path.pushText(L"ui.selection.rectangle", false, 0);
        break;
    case selection_ids::MIXED:
        o_path.pushText(L"ui.selection.mixed", false, 0);
        break;
    default:
        break;
    }
    m_spanManager->appendScopes(o_path);
}

bool DocumentController::isSelectionEmpty() { return m_selection->isEmpty(); }

int32_t DocumentController::getCaretOffset() { return m_selection->getCaretOffset(); }

DocumentControllerSearchSession& DocumentController::getSearchSession() {
    if (!m_searchSession)
        m_searchSession.reset(new DocumentControllerSearchSession(*this));
    return *m_searchSession;
}

} // namespace tessel

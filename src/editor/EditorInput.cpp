// Typed characters and the messages the editor answers itself: a character bound to an action
// in the caret's scope runs it, any other is typed into every range; a high surrogate waits
// for its low half so that the pair goes in as one edit.
#include "editor/Editor.h"

#include "afw/afActionInvoker.h"
#include "afw/afApp.h"
#include "service/document/controller/DocumentController.h"
#include "service/parser/base/ScopePath.h"

namespace tessel {

bool Editor::onInputMessage(afMessage& msg) {
    switch (msg.message) {
    case WM_GETDLGCODE:
        msg.result = DLGC_WANTALLKEYS;
        return true;
    case WM_CHAR:
    case WM_IME_CHAR:
        onChar(static_cast<wchar_t>(msg.wParam));
        msg.result = 0;
        return true;
    default:
        return false;
    }
}

bool Editor::onChar(wchar_t character) {
    if (!m_controller)
        return false;
    if (IS_HIGH_SURROGATE(character)) {
        m_pendingHighSurrogate = character;
        return true;
    }
    wchar_t units[2] = {character, 0};
    int32_t count = 1;
    if (IS_LOW_SURROGATE(character)) {
        // A lone half is dropped: stored, it would leave half a character in the text.
        if (!m_pendingHighSurrogate)
            return true;
        units[0] = m_pendingHighSurrogate;
        units[1] = character;
        count = 2;
    }
    m_pendingHighSurrogate = 0;
    if (character < 0x20)
        return false;
    if (count == 1) {
        ScopePath contexts;
        afView::collectContexts(this, contexts);
        if (afInvokeChar(afApp::getKeyInvoker(), contexts, character))
            return true;
    }
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    m_controller->typeText(units, count);
    return true;
}

} // namespace tessel

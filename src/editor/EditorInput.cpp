// Typed characters and the messages the editor answers itself: a character bound to an action
// in the caret's scope runs it, any other is typed into every range; a high surrogate waits
// for its low half so that the pair goes in as one edit.
#include "editor/Editor.h"

#include "afw/action/afActionInvoker.h"
#include "afw/core/afApp.h"
#include "service/document/controller/DocumentController.h"
#include "service/parser/base/ScopePath.h"

#include <algorithm>

namespace tessel {

namespace {

LONG WINAPI systemCompositionString(HIMC context, DWORD index, void* buffer, DWORD bytes) {
    return ::ImmGetCompositionStringW(context, index, buffer, bytes);
}

EditorCompositionReader s_compositionReader = &systemCompositionString;

} // namespace

EditorCompositionReader setEditorCompositionReader(EditorCompositionReader reader) {
    const EditorCompositionReader previous = s_compositionReader;
    s_compositionReader = reader ? reader : &systemCompositionString;
    return previous;
}

void Editor::moveCompositionWindow() {
    POINT point;
    if (!m_controller || !caretPoint(&point))
        return;
    HIMC context = ::ImmGetContext(getHandle());
    if (!context)
        return;
    COMPOSITIONFORM form = {};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = point;
    ::ImmSetCompositionWindow(context, &form);
    ::ImmReleaseContext(getHandle(), context);
}

bool Editor::onComposition(afMessage& msg) {
    if (!m_controller || !(msg.lParam & GCS_RESULTSTR))
        return false;
    HIMC context = ::ImmGetContext(getHandle());
    const LONG bytes = s_compositionReader(context, GCS_RESULTSTR, nullptr, 0);
    if (bytes > 0) {
        std::wstring text(static_cast<size_t>(bytes) / sizeof(wchar_t), L'\0');
        // The result may have changed between the two calls: only what the second one wrote
        // is typed, and nothing when it failed.
        const LONG written =
            s_compositionReader(context, GCS_RESULTSTR, &text[0], static_cast<DWORD>(text.size() * sizeof(wchar_t)));
        text.resize(written > 0 ? std::min(text.size(), static_cast<size_t>(written) / sizeof(wchar_t)) : 0);
        if (!text.empty()) {
            DocumentController::Lock lock(*m_controller, DocumentController::LOCK_EDIT);
            m_controller->typeOutsideText(text);
        }
    }
    if (context)
        ::ImmReleaseContext(getHandle(), context);
    moveCompositionWindow();
    msg.result = 0;
    return true;
}

void Editor::followAltKey(const afMessage& msg) {
    const bool press = msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN ||
                       msg.message == WM_MBUTTONDOWN || msg.message == WM_MOUSEWHEEL;
    // The editor reads Alt with these (a column block): Alt's release is then no Alt alone.
    if (press && ::GetKeyState(VK_MENU) < 0)
        if (afActionInvokerKey* invoker = afApp::getKeyInvoker())
            invoker->noteAltChord();
}

bool Editor::onInputMessage(afMessage& msg) {
    followAltKey(msg);
    switch (msg.message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEWHEEL:
        // The hint tells of the text as it was: it goes before the message changes anything.
        hideHintPopup();
        return false;
    case WM_IME_STARTCOMPOSITION:
        moveCompositionWindow();
        return false;
    case WM_IME_COMPOSITION:
        return onComposition(msg);
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
        // The scope at the caret first, so that a trigger's selector can match the language.
        ScopePath contexts;
        contexts.append(getContexts());
        if (afInvokeChar(afApp::getKeyInvoker(), contexts, character))
            return true;
    }
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    m_controller->typeText(units, count);
    return true;
}

} // namespace tessel

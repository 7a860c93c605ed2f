// The modal run of a window, which holds the whole program while it runs.

#include "afw/core/afApp.h"
#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afLog.h"
#include "afw/core/afMainLoop.h"
#include "afw/window/afWindow.h"

uint32_t afWindow::showModal() {
    if (m_modal) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afWindow::showModal(): The window runs modally already.");
        return RESULT_CANCEL;
    }
    m_result = RESULT_CANCEL;
    if (!getHandle()) {
        bool built = false;
        if (!afGuard([&] { built = build(); }) || !built)
            return RESULT_CANCEL;
    }
    m_modal = true;
    uint32_t result = RESULT_CANCEL;
    try {
        result = runModalLoop();
    } catch (...) {
        m_modal = false;
        throw;
    }
    m_modal = false;
    return result;
}

uint32_t afWindow::runModalLoop() {
    // Ends after the window is destroyed: the modal window under it then takes the front back.
    const afMainLoop::Nested loop(getHandle());
    m_result = RESULT_CANCEL;
    m_modalEnded = false;
    if (beginModal() == RESULT_CANCEL)
        return m_result;
    bool quit = false;
    WPARAM quitCode = 0;
    // A window destroyed from outside (its owner went, say) ends the loop as well.
    while (!m_modalEnded && getHandle()) {
        MSG msg;
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // The peek itself may have run a sent message that ended the run.
            if (!m_modalEnded && getHandle())
                ::WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        afApp::dispatch(msg, afApp::getInstance());
    }
    afGuard([&] { endModal(); });
    // The outer loop ends too.
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
    if (HWND window = getHandle())
        ::DestroyWindow(window);
    return m_result;
}

uint32_t afWindow::beginModal() {
    // The whole program waits for this window; only what this run disables is enabled again at
    // its end (a window an outer modal window holds stays so until that one ends).
    m_hold.reset(new afMainLoop::Hold(getHandle()));
    m_focusOwner = nullptr;
    m_focusOwnerWindow = nullptr;
    afWindow* owner = getWindow();
    if (owner && owner->getHandle() && m_hold->disabled(owner->getHandle())) {
        m_focusOwner = owner;
        m_focusOwnerWindow = owner->getHandle();
    }
    setVisible(true);
    return RESULT_OK;
}

void afWindow::endModal() {
    m_hold.reset();
    afWindow* owner = m_focusOwner;
    HWND ownerWindow = m_focusOwnerWindow;
    m_focusOwner = nullptr;
    m_focusOwnerWindow = nullptr;
    // The owner may be gone by now (its window destroyed, this one with it): it is touched only
    // while its window still carries it.
    if (!owner || getWidget(ownerWindow) != owner)
        return;
    owner->requestFocus();
}

// The modal run of a window, and the enclosing windows disabled around modal work.

#include "afw/core/afApp.h"
#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afLog.h"
#include "afw/core/afMainLoop.h"
#include "afw/window/afWindow.h"

namespace {

// The windows enclosing the view, nearest first; only the nearest unless all.
std::vector<afWindow*> enclosingWindows(const afView* view, bool all) {
    std::vector<afWindow*> windows;
    for (afWindow* window = view->getWindow(); window; window = window->getWindow()) {
        windows.push_back(window);
        if (!all)
            break;
    }
    return windows;
}

} // namespace

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
    m_disabledOwner = nullptr;
    m_disabledOwnerWindow = nullptr;
    // Only an owner this run disables is enabled again at its end: one an outer modal window
    // disabled stays so until that one ends.
    afWindow* owner = getWindow();
    if (owner && owner->getHandle() && owner->isEnabled()) {
        owner->setEnabled(false);
        m_disabledOwner = owner;
        m_disabledOwnerWindow = owner->getHandle();
    }
    setVisible(true);
    return RESULT_OK;
}

void afWindow::endModal() {
    afWindow* owner = m_disabledOwner;
    HWND ownerWindow = m_disabledOwnerWindow;
    m_disabledOwner = nullptr;
    m_disabledOwnerWindow = nullptr;
    // The owner may be gone by now (its window destroyed, this one with it): it is touched only
    // while its window still carries it.
    if (!owner || getWidget(ownerWindow) != owner)
        return;
    owner->setEnabled(true);
    owner->requestFocus();
}

void afView::enableEnclosingWindows(bool all) {
    const std::vector<afWindow*> windows = enclosingWindows(this, all);
    for (auto window = windows.rbegin(); window != windows.rend(); ++window)
        (*window)->setEnabled(true);
    if (!windows.empty())
        windows.front()->requestFocus();
}

void afView::disableEnclosingWindows(bool all) {
    for (afWindow* window : enclosingWindows(this, all))
        window->setEnabled(false);
}

// The modal run of a window, which holds the whole program while it runs, and the hold of the
// windows enclosing a view around modal work.

#include "afw/core/afApp.h"
#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afLog.h"
#include "afw/core/afMainLoop.h"
#include "afw/window/afWindow.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

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

// The holds begun by disableEnclosingWindows, each with its view, innermost last.
std::vector<std::pair<const afView*, std::unique_ptr<afMainLoop::Hold>>>& viewHolds() {
    static std::vector<std::pair<const afView*, std::unique_ptr<afMainLoop::Hold>>> holds;
    return holds;
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
    // The whole program waits for this window; only what this run disables is enabled again at
    // its end (a window an outer modal window holds stays so until that one ends).
    m_hold.reset(new afMainLoop::Hold(getHandle()));
    setVisible(true);
    return RESULT_OK;
}

void afWindow::endModal() {
    // The hold's end gives the keyboard back to the window the user asked from (not necessarily
    // the owner: a question of the bundle editor may come from the main window's menu), while
    // this window, still active, is there to give it.
    m_hold.reset();
}

void afView::disableEnclosingWindows(bool /*all*/) {
    // Every window of the program, whichever encloses the view: the hold's rule.
    viewHolds().emplace_back(this, std::make_unique<afMainLoop::Hold>());
}

void afView::enableEnclosingWindows(bool all) {
    auto& holds = viewHolds();
    const auto found =
        std::find_if(holds.rbegin(), holds.rend(), [this](const auto& held) { return held.first == this; });
    if (found == holds.rend())
        return;
    std::unique_ptr<afMainLoop::Hold> hold = std::move(found->second);
    holds.erase(std::next(found).base());
    const std::vector<afWindow*> windows = enclosingWindows(this, all);
    for (auto window = windows.rbegin(); window != windows.rend(); ++window)
        if (HWND handle = (*window)->getHandle())
            if (hold->disabled(handle) && !::IsWindowEnabled(handle))
                (*window)->setEnabled(true);
    // The rest, and the keyboard back where the user left it.
    hold.reset();
    if (windows.empty() || !windows.front()->getHandle())
        return;
    const HWND active = ::GetActiveWindow();
    if (!active || active == windows.front()->getHandle())
        windows.front()->requestFocus();
}

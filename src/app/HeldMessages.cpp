#include "app/HeldMessages.h"

#include "bundles/ToolStripStatus.h"

#include "afw/core/afApp.h"
#include "afw/view/afView.h"
#include "service/base/TaskFailure.h"

namespace tessel {

namespace {

// Input for a window whose top-level window is disabled.
bool isRefusedInput(const MSG& msg) {
    if (!msg.hwnd || !HeldMessages::isInput(msg.message))
        return false;
    HWND top = ::GetAncestor(msg.hwnd, GA_ROOT);
    return top && !::IsWindowEnabled(top);
}

} // namespace

bool HeldMessages::isInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_NCMOUSEHOVER ||
           message == WM_NCMOUSELEAVE || message == WM_MOUSEHOVER || message == WM_MOUSELEAVE;
}

void HeldMessages::pump(const std::function<bool(const MSG&)>& look) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (look && look(msg))
            continue;
        if (msg.message == WM_QUIT) {
            m_quitHeld = true;
            m_quitCode = static_cast<int>(msg.wParam);
            break;
        }
        // Closing now would release what the wait works on.
        if (msg.message == WM_CLOSE && msg.hwnd && !::GetParent(msg.hwnd)) {
            m_closesHeld.push_back(msg.hwnd);
            continue;
        }
        if (isRefusedInput(msg))
            continue;
        afApp::dispatch(msg, afApp::getInstance());
    }
}

void HeldMessages::leave(afView* view, uint32_t activity, bool holding, bool last) {
    try {
        ToolStripStatus::removeActivity(activity);
    } catch (...) {
        logCaughtException(L"HeldMessages: the activity could not be removed");
    }
    // The keyboard goes back where it was with the hold's end.
    if (holding)
        view->enableEnclosingWindows(true);
    if (last)
        handBack();
}

void HeldMessages::handBack() {
    const std::vector<HWND> closes = std::move(m_closesHeld);
    m_closesHeld.clear();
    for (HWND held : closes)
        if (::IsWindow(held))
            ::PostMessageW(held, WM_CLOSE, 0, 0);
    if (m_quitHeld)
        ::PostQuitMessage(m_quitCode);
    m_quitHeld = false;
}

} // namespace tessel

#include "app/LoaderWait.h"

#include "bundles/ToolStripStatus.h"

#include "afw/core/afApp.h"
#include "afw/core/afMainLoop.h"
#include "afw/view/afView.h"
#include "afw/view/afViewPlatform.h"
#include "service/base/TaskFailure.h"
#include "service/document/io/DocumentIORequest.h"

namespace tessel {

namespace {

// Most files are read before this; they are not worth disabling the window for.
constexpr DWORD QUIET_WAIT_MS = 50;

bool isInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_NCMOUSEHOVER ||
           message == WM_NCMOUSELEAVE || message == WM_MOUSEHOVER || message == WM_MOUSELEAVE;
}

// Input for a window whose top-level window is disabled: the system does not route real input
// there, and what was queued before the window was disabled must not act now.
bool isRefusedInput(const MSG& msg) {
    if (!msg.hwnd || !isInput(msg.message))
        return false;
    HWND top = ::GetAncestor(msg.hwnd, GA_ROOT);
    return top && !::IsWindowEnabled(top);
}

} // namespace

std::wstring LoaderWait::activityText(uint32_t kind, const wchar_t* path) {
    std::wstring name = path ? path : L"";
    const size_t cut = name.find_last_of(L"\\/:");
    if (cut != std::wstring::npos)
        name.erase(0, cut + 1);
    return (kind == DOCUMENT_IO_SAVE ? L"Saving " : L"Loading ") + name + L"...";
}

void LoaderWait::waitFor(uint32_t kind, const wchar_t* path, HANDLE ready, const std::function<bool()>& finished) {
    if (finished() || (::WaitForSingleObject(ready, QUIET_WAIT_MS) == WAIT_OBJECT_0 && finished()))
        return;
    afViewPlatform* host = m_view ? m_view->getHost() : nullptr;
    HWND window = host ? ::GetAncestor(host->getHandle(), GA_ROOT) : nullptr;
    // Ends after the window is given back (left, below): a question open under the wait then
    // takes the front again.
    const afMainLoop::Nested loop;
    m_readies.push_back(ready);
    // Only the outermost wait holds the program, and only one that a modal window does not hold.
    Leave left{*this, ++m_depth == 1 && window && ::IsWindowEnabled(window), ::GetFocus(), 0, nullptr};
    if (left.disabling)
        left.hold.reset(new afMainLoop::Hold);
    const DWORD start = ::GetTickCount();
    while (!finished()) {
        const DWORD waited = ::GetTickCount() - start;
        if (!left.activity && waited >= ACTIVITY_DELAY_MS)
            left.activity = ToolStripStatus::addActivity(activityText(kind, path));
        const DWORD timeout = left.activity ? INFINITE : ACTIVITY_DELAY_MS - waited;
        ::MsgWaitForMultipleObjectsEx(1, &ready, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        pump();
    }
}

LoaderWait::Leave::~Leave() {
    wait.m_readies.pop_back();
    try {
        ToolStripStatus::removeActivity(activity);
    } catch (...) {
        logCaughtException(L"LoaderWait: the activity could not be removed");
    }
    if (disabling) {
        hold.reset();
        // The view that had the focus keeps it.
        if (focus && ::IsWindow(focus))
            ::SetFocus(focus);
    }
    if (--wait.m_depth > 0)
        return;
    for (HWND held : wait.m_closesHeld)
        if (::IsWindow(held))
            ::PostMessageW(held, WM_CLOSE, 0, 0);
    wait.m_closesHeld.clear();
    if (wait.m_quitHeld)
        ::PostQuitMessage(wait.m_quitCode);
    wait.m_quitHeld = false;
}

void LoaderWait::finishRequests() const {
    // The loader needs nothing of the main thread to finish a request.
    for (HANDLE ready : m_readies)
        ::WaitForSingleObject(ready, INFINITE);
}

void LoaderWait::pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            m_quitHeld = true;
            m_quitCode = static_cast<int>(msg.wParam);
            break;
        }
        // Closing now would release the document the loader is filling.
        if (msg.message == WM_CLOSE && msg.hwnd && !::GetParent(msg.hwnd)) {
            m_closesHeld.push_back(msg.hwnd);
            continue;
        }
        if (isRefusedInput(msg))
            continue;
        afApp::dispatch(msg, afApp::getInstance());
    }
}

} // namespace tessel

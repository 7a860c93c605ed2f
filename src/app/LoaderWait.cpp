#include "app/LoaderWait.h"

#include "bundles/ToolStripStatus.h"

#include "afw/core/afMainLoop.h"
#include "afw/view/afView.h"
#include "afw/view/afViewPlatform.h"
#include "service/document/io/DocumentIORequest.h"

namespace tessel {

namespace {

// Most files are read before this; they are not worth disabling the window for.
constexpr DWORD QUIET_WAIT_MS = 50;

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
    // Only the outermost wait holds the program, and only one that a modal window does not hold.
    m_waits.push_back({ready, m_waits.empty() && window && ::IsWindowEnabled(window)});
    const afMainLoop::Count left(this, L"LoaderWait's waits", [this] { leave(); });
    if (m_waits.back().holding)
        m_view->disableEnclosingWindows(true);
    const DWORD start = ::GetTickCount();
    while (!finished()) {
        const DWORD waited = ::GetTickCount() - start;
        uint32_t& activity = m_waits.back().activity;
        if (!activity && waited >= ACTIVITY_DELAY_MS)
            activity = ToolStripStatus::addActivity(activityText(kind, path));
        const DWORD timeout = activity ? INFINITE : ACTIVITY_DELAY_MS - waited;
        ::MsgWaitForMultipleObjectsEx(1, &ready, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        m_messages.pump();
    }
}

LoaderWait::~LoaderWait() {
    afMainLoop::cancel(this);
}

void LoaderWait::leave() {
    const Wait wait = m_waits.back();
    m_waits.pop_back();
    m_messages.leave(m_view, wait.activity, wait.holding, m_waits.empty());
}

void LoaderWait::finishRequests() const {
    // The loader needs nothing of the main thread to finish a request.
    for (const Wait& wait : m_waits)
        ::WaitForSingleObject(wait.ready, INFINITE);
}

} // namespace tessel

#include "afw/core/afMainLoop.h"

#include "afw/core/afExceptionBoundary.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The queued work is woken by this message to a window of its own: every loop takes it, and
// the one that meets nothing nested runs the work.
constexpr UINT kWake = WM_APP + 1;
const wchar_t* const kWakeClass = L"afMainLoop";

struct Posted {
    const void* key;
    std::function<void()> work;
};

struct State {
    int loops = 0;    // nested loops running
    int handling = 0; // messages being handled by the framework's window procedures
    std::vector<Posted> posted;
    std::vector<Posted>* running = nullptr; // the work being run now
    bool wakePosted = false;
    HWND wakeWindow = nullptr;
    std::vector<HWND> modals; // outermost first
};

State& state() {
    static State instance;
    return instance;
}

void runPosted() {
    std::vector<Posted> due;
    due.swap(state().posted);
    state().running = &due;
    for (Posted& each : due) {
        // Empty once cancelled by work that ran before it.
        const std::function<void()> work = std::move(each.work);
        if (work)
            afGuard(work);
    }
    state().running = nullptr;
}

LRESULT CALLBACK wakeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kWake)
        return ::DefWindowProcW(window, message, wParam, lParam);
    const afMainLoop::Handling handling;
    state().wakePosted = false;
    // Taken by a nested loop, the work waits: it is woken again once that has ended.
    if (!afMainLoop::isNested())
        runPosted();
    return 0;
}

void postWake() {
    State& s = state();
    if (s.wakePosted)
        return;
    if (!s.wakeWindow || !::IsWindow(s.wakeWindow)) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = &wakeProcedure;
            windowClass.hInstance = ::GetModuleHandleW(nullptr);
            windowClass.lpszClassName = kWakeClass;
            registered = ::RegisterClassW(&windowClass) != 0;
        }
        s.wakeWindow = ::CreateWindowExW(0, kWakeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr);
    }
    s.wakePosted = s.wakeWindow && ::PostMessageW(s.wakeWindow, kWake, 0, 0);
}

// Back in the main loop (or in code no message runs under) with work queued: it is woken.
void left() {
    const State& s = state();
    if (s.loops == 0 && s.handling == 0 && !s.posted.empty())
        postWake();
}

// A loop nested in a modal window may have enabled its owner (the system's dialogs enable
// theirs as they end) or activated another window: each modal window still running disables
// its owner again, and the innermost one takes the front and, through its activation, the
// focus it had.
void keepModalsInFront() {
    for (HWND modal : state().modals)
        if (::IsWindow(modal))
            if (HWND owner = ::GetWindow(modal, GW_OWNER))
                if (::IsWindowEnabled(owner))
                    ::EnableWindow(owner, FALSE);
    HWND top = afMainLoop::innermostModal();
    if (top && ::GetActiveWindow() != top)
        ::SetActiveWindow(top);
}

} // namespace

afMainLoop::Nested::Nested(HWND modal) : m_modal(modal) {
    ++state().loops;
    if (modal)
        state().modals.push_back(modal);
}

afMainLoop::Nested::~Nested() {
    State& s = state();
    if (m_modal) {
        const auto found = std::find(s.modals.rbegin(), s.modals.rend(), m_modal);
        if (found != s.modals.rend())
            s.modals.erase(std::next(found).base());
    }
    --s.loops;
    keepModalsInFront();
    left();
}

afMainLoop::Handling::Handling() {
    ++state().handling;
}

afMainLoop::Handling::~Handling() {
    --state().handling;
    left();
}

bool afMainLoop::isNested() {
    const State& s = state();
    return s.loops > 0 || s.handling > 1;
}

void afMainLoop::post(const void* key, std::function<void()> work) {
    state().posted.push_back({key, std::move(work)});
    postWake();
}

void afMainLoop::cancel(const void* key) {
    std::vector<Posted>& posted = state().posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(), [key](const Posted& each) { return each.key == key; }),
                 posted.end());
    if (std::vector<Posted>* running = state().running)
        for (Posted& each : *running)
            if (each.key == key)
                each.work = nullptr;
}

HWND afMainLoop::innermostModal() {
    const std::vector<HWND>& modals = state().modals;
    for (auto modal = modals.rbegin(); modal != modals.rend(); ++modal)
        if (::IsWindow(*modal) && ::IsWindowVisible(*modal))
            return *modal;
    return nullptr;
}

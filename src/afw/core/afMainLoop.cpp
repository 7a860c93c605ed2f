#include "afw/core/afMainLoop.h"

#include "afw/core/afActivation.h"
#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afLog.h"

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

// What a hold disabled, kept here rather than in the hold: settle gives back the windows of a
// hold whose frame was abandoned. With it, the window the user is asked in, and where the user
// was as it began.
struct Held {
    const afMainLoop::Hold* hold;
    std::vector<HWND> windows;
    HWND window; // the modal window or the dialog shown, null while none is known
    HWND user;   // the active window as the hold began
    HWND focus;  // and the focus
};

// A count of the program's, kept for a frame.
struct Kept {
    unsigned serial;
    const void* owner;
    const wchar_t* what;
    std::function<void()> giveBack;
};

struct State {
    int loops = 0;    // nested loops running
    int handling = 0; // messages being handled by the framework's window procedures
    std::vector<Posted> posted;
    std::vector<Posted>* running = nullptr; // the work being run now
    bool wakePosted = false;
    HWND wakeWindow = nullptr;
    std::vector<HWND> modals; // outermost first
    std::vector<Held> holds;  // outermost first
    std::vector<Kept> counts; // outermost first
    unsigned lastCount = 0;
    bool round = false;       // a round of closing questions runs
    afMainLoop::Check check;
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

// A loop nested in a hold may have enabled a window it holds (the system's dialogs enable
// their owner as they end) or activated another window: each hold still running disables its
// windows again, and the innermost modal window takes the front and, through its activation,
// the focus it had.
void keepModalsInFront() {
    for (const Held& held : state().holds)
        for (HWND window : held.windows)
            if (::IsWindow(window) && ::IsWindowEnabled(window))
                ::EnableWindow(window, FALSE);
    HWND top = afMainLoop::heldWindow();
    if (top && ::GetActiveWindow() != top)
        ::SetActiveWindow(top);
}

// Enables again what the hold disabled and is still there and disabled.
void giveBack(const Held& held) {
    for (HWND window : held.windows)
        if (::IsWindow(window) && !::IsWindowEnabled(window))
            ::EnableWindow(window, TRUE);
}

struct Windows {
    HWND except;
    std::vector<HWND> found;
};

// The enabled top-level windows of the thread but one; message-only windows take no input.
BOOL CALLBACK collectEnabled(HWND window, LPARAM param) {
    auto* windows = reinterpret_cast<Windows*>(param);
    if (window != windows->except && ::IsWindowEnabled(window) &&
        ::GetAncestor(window, GA_PARENT) == ::GetDesktopWindow())
        windows->found.push_back(window);
    return TRUE;
}

} // namespace

afMainLoop::Nested::Nested(HWND modal) : m_modal(modal), m_outer(state().loops) {
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
    // Back to where it began: a loop nested in this one whose frame was abandoned ends here too.
    s.loops = m_outer;
    keepModalsInFront();
    left();
}

afMainLoop::Handling::Handling() : m_outer(state().handling) {
    ++state().handling;
}

afMainLoop::Handling::~Handling() {
    state().handling = m_outer;
    left();
}

afMainLoop::Hold::Hold(HWND modal) {
    // Noted before anything is disabled: a window loses neither activation nor focus by that.
    const HWND user = ::GetActiveWindow(), focus = ::GetFocus();
    Windows windows{modal, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), &collectEnabled, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows.found)
        ::EnableWindow(window, FALSE);
    state().holds.push_back({this, std::move(windows.found), modal, user, focus});
}

afMainLoop::Hold::~Hold() {
    std::vector<Held>& holds = state().holds;
    const auto found = std::find_if(holds.begin(), holds.end(), [this](const Held& held) { return held.hold == this; });
    // Already given back by settle.
    if (found == holds.end())
        return;
    const Held held = std::move(*found);
    holds.erase(found);
    giveBack(held);
    // The keyboard goes back to where the user left it, whichever window asked.
    afGuard([&] { afActivation::giveBack(held.user, held.focus, held.window); });
}

bool afMainLoop::Hold::disabled(HWND window) const {
    for (const Held& held : state().holds)
        if (held.hold == this)
            return std::find(held.windows.begin(), held.windows.end(), window) != held.windows.end();
    return false;
}

void afMainLoop::Hold::show(HWND window) {
    for (Held& held : state().holds)
        if (held.hold == this)
            held.window = window;
}

afMainLoop::Count::Count(const void* owner, const wchar_t* what, int& counter)
    : Count(owner, what, [&counter] { --counter; }) {
    ++counter;
}

afMainLoop::Count::Count(const void* owner, const wchar_t* what, std::function<void()> giveBack)
    : m_serial(++state().lastCount) {
    state().counts.push_back({m_serial, owner, what, std::move(giveBack)});
}

afMainLoop::Count::~Count() {
    std::vector<Kept>& counts = state().counts;
    const auto found =
        std::find_if(counts.begin(), counts.end(), [this](const Kept& kept) { return kept.serial == m_serial; });
    // Given back by settle, or dropped with its owner.
    if (found == counts.end())
        return;
    const std::function<void()> giveBack = std::move(found->giveBack);
    counts.erase(found);
    afGuard(giveBack);
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
    std::vector<Kept>& counts = state().counts;
    counts.erase(std::remove_if(counts.begin(), counts.end(), [key](const Kept& kept) { return kept.owner == key; }),
                 counts.end());
}

afMainLoop::Round::Round() : m_runs(!state().round) {
    state().round = true;
}

afMainLoop::Round::~Round() {
    if (m_runs)
        state().round = false;
}

bool afMainLoop::Round::isRunning() {
    return state().round;
}

bool afMainLoop::settle() {
    State& s = state();
    if (s.loops == 0 && s.handling == 0 && s.holds.empty() && s.modals.empty() && !s.round && s.counts.empty())
        return true;
    std::wstring counts;
    for (const Kept& kept : s.counts)
        counts += std::wstring(counts.empty() ? L" (" : L", ") + kept.what;
    const std::wstring what = L"afMainLoop::settle(): " + std::to_wstring(s.loops) + L" loops, " +
                              std::to_wstring(s.handling) + L" message handlings, " +
                              std::to_wstring(s.holds.size()) + L" holds, " + (s.round ? L"1" : L"0") +
                              L" rounds and " + std::to_wstring(s.counts.size()) + L" counts of the program" +
                              (counts.empty() ? L"" : counts + L")") + L" never ended; given back.";
    pel::log_printf(pel::LOG_ERROR, AF_LOG_SOURCE, L"%s", what.c_str());
    // The program's counts first, innermost first: what they give back (a held close) may need
    // the main loop, which the loop counts below give back too.
    std::vector<Kept> kept;
    kept.swap(s.counts);
    for (auto count = kept.rbegin(); count != kept.rend(); ++count)
        afGuard(count->giveBack);
    s.loops = 0;
    s.handling = 0;
    s.round = false;
    s.modals.clear();
    std::vector<Held> holds;
    holds.swap(s.holds);
    for (auto held = holds.rbegin(); held != holds.rend(); ++held)
        giveBack(*held);
    if (s.check)
        afGuard([&] { s.check(what); });
    left();
    return false;
}

afMainLoop::Check afMainLoop::setCheck(Check check) {
    std::swap(state().check, check);
    return check;
}

HWND afMainLoop::heldWindow() {
    const std::vector<Held>& holds = state().holds;
    for (auto held = holds.rbegin(); held != holds.rend(); ++held)
        if (held->window && ::IsWindow(held->window) && ::IsWindowVisible(held->window))
            return held->window;
    return nullptr;
}

HWND afMainLoop::innermostModal() {
    const std::vector<HWND>& modals = state().modals;
    for (auto modal = modals.rbegin(); modal != modals.rend(); ++modal)
        if (::IsWindow(*modal) && ::IsWindowVisible(*modal))
            return *modal;
    return nullptr;
}

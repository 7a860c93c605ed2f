#include "afw/core/afActivation.h"

#include "afw/core/afMainLoop.h"

#include <algorithm>
#include <vector>

namespace {

// The program's top-level windows in the order they were last activated, the latest last.
std::vector<HWND>& order() {
    static std::vector<HWND> windows;
    return windows;
}

// Whether the window can take the keyboard.
bool usable(HWND window) {
    return window && ::IsWindow(window) && ::IsWindowVisible(window) && ::IsWindowEnabled(window);
}

// Whether `owner` owns the window, directly or through others (a window hidden or closed takes
// the windows it owns with it).
bool ownedBy(HWND window, HWND owner) {
    for (HWND at = ::GetWindow(window, GW_OWNER); at && owner; at = ::GetWindow(at, GW_OWNER))
        if (at == owner)
            return true;
    return false;
}

bool isInside(HWND window, HWND child) {
    return child && (child == window || ::IsChild(window, child));
}

// Whether the foreground is the program's or nobody's: the desktop has it once the active window
// of the program hid, and keys then go nowhere.
bool foregroundFree() {
    HWND foreground = ::GetForegroundWindow();
    DWORD process = 0;
    if (foreground)
        ::GetWindowThreadProcessId(foreground, &process);
    return !foreground || foreground == ::GetDesktopWindow() || process == ::GetCurrentProcessId();
}

} // namespace

void afActivation::noteActive(HWND window) {
    std::vector<HWND>& windows = order();
    // Windows destroyed meanwhile go, so that the list stays as short as the program's windows.
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [window](HWND each) { return each == window || !::IsWindow(each); }),
                  windows.end());
    windows.push_back(window);
}

void afActivation::handBack(HWND leaving) {
    const HWND active = ::GetActiveWindow();
    if (active && active != leaving && usable(active))
        return;
    HWND target = afMainLoop::heldWindow();
    if (target == leaving || (target && ownedBy(target, leaving)))
        target = nullptr;
    const std::vector<HWND>& windows = order();
    for (auto at = windows.rbegin(); !target && at != windows.rend(); ++at)
        if (*at != leaving && usable(*at) && !ownedBy(*at, leaving))
            target = *at;
    if (target)
        activate(target);
}

void afActivation::giveBack(HWND user, HWND focus, HWND from) {
    const HWND active = ::GetActiveWindow();
    if (active && active != from && active != user && usable(active))
        return;
    if (!usable(user)) {
        handBack(from);
        return;
    }
    activate(user);
    if (focus != user && isInside(user, focus) && ::IsWindowVisible(focus) && ::IsWindowEnabled(focus))
        ::SetFocus(focus);
}

void afActivation::activate(HWND window) {
    if (foregroundFree() && ::GetForegroundWindow() != window)
        ::SetForegroundWindow(window);
    if (::GetActiveWindow() != window)
        ::SetActiveWindow(window);
    // A window activated again keeps the focus where it is; one that has none inside it puts it
    // where it keeps it (afWindow's own focus).
    if (!isInside(window, ::GetFocus()))
        ::SetFocus(window);
}

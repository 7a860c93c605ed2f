// The window's placement in the configuration: "app.windows" holds one dictionary per placement
// key with the normal rectangle ("left", "top", "right", "bottom", in workspace coordinates) and
// the show state ("state").

#include "afw/core/afLog.h"
#include "afw/window/afWindow.h"
#include "pel/base/Assert.h"
#include "pel/thread/Mutex.h"
#include "service/base/Config.h"
#include "service/base/TesselService.h"

namespace {

using tessel::ValueNode;

const wchar_t kWindowsKey[] = L"app.windows";

// The node when it is a dictionary; a value of any other kind counts as absent.
const ValueNode* dictionaryOf(const ValueNode* node) {
    return node && node->kind() == ValueNode::Dictionary ? node : nullptr;
}

// A stored show state the window may come back in. Hidden, minimised and unknown states would
// bring it back where the user cannot see it: they restore as normal.
UINT restorableState(int32_t state) {
    return state == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
}

// Workspace coordinates are relative to the primary monitor's work area.
POINT workspaceOrigin() {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info))
        return POINT{0, 0};
    return POINT{info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top};
}

// Whether part of the caption of a window at the rectangle (screen) is on a monitor, where the
// user can take hold of it.
bool captionOnScreen(const afRect& rect) {
    const afRect caption(rect.left, rect.top, rect.right,
                         rect.top + ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYFRAME));
    return ::MonitorFromRect(&caption, MONITOR_DEFAULTTONULL) != nullptr;
}

} // namespace

void afWindow::savePlacement(tessel::Config* config) {
    withPlacementConfig(config, &afWindow::saveState);
}

void afWindow::restorePlacement(tessel::Config* config) {
    withPlacementConfig(config, &afWindow::restoreState);
}

void afWindow::withPlacementConfig(tessel::Config* config, void (afWindow::*step)(tessel::Config*)) {
    if (m_placementDisabled)
        return;
    if (!config) {
        // Only looked up: a window never starts the service.
        tessel::TesselService* root = tessel::TesselService::findInstance();
        if (!root)
            return;
        config = &root->getConfig();
    }
    pel::ScopedLock<pel::Mutex_Impl> lock(config->getLock());
    (this->*step)(config);
}

void afWindow::saveState(tessel::Config* config) {
    PEL_CHECK_PTR(config);
    HWND window = getHandle();
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!window || !::GetWindowPlacement(window, &placement))
        return;
    tessel::ConfigValue* value = config->findValue(kWindowsKey);
    if (!value) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afWindow::saveState(): \"%s\" is not declared.", kWindowsKey);
        return;
    }
    // Written into a copy that setValueTree takes back, which marks the setting changed: edited
    // in place, it would stay unchanged after its first save and never be written again.
    const ValueNode* stored = dictionaryOf(value->getValueTree());
    ValueNode windows = stored ? *stored : ValueNode(ValueNode::Dictionary);
    ValueNode& entry = windows.getOrAddKey(m_placementKey);
    if (entry.kind() != ValueNode::Dictionary)
        entry = ValueNode(ValueNode::Dictionary);
    const RECT& rect = placement.rcNormalPosition;
    entry.getOrAddKey(L"left").setInt(rect.left);
    entry.getOrAddKey(L"top").setInt(rect.top);
    entry.getOrAddKey(L"right").setInt(rect.right);
    entry.getOrAddKey(L"bottom").setInt(rect.bottom);
    entry.getOrAddKey(L"state").setInt(static_cast<int32_t>(placement.showCmd));
    value->setValueTree(windows);
}

void afWindow::restoreState(tessel::Config* config) {
    PEL_CHECK_PTR(config);
    HWND window = getHandle();
    const tessel::ConfigValue* value = config->findValue(kWindowsKey);
    const ValueNode* windows = value ? dictionaryOf(value->getValueTree()) : nullptr;
    const ValueNode* entry = windows ? dictionaryOf(&windows->getKey(m_placementKey)) : nullptr;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!window || !entry || !::GetWindowPlacement(window, &placement))
        return;
    afRect rect(entry->getKey(L"left").getInt(32), entry->getKey(L"top").getInt(32),
                entry->getKey(L"right").getInt(732), entry->getKey(L"bottom").getInt(465));
    // A rectangle the desktop cannot hold, or an empty or inverted one, leaves the window where
    // it was made.
    afRect desktop;
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    if (rect.width() <= 0 || rect.height() <= 0 || rect.width() > desktop.right || rect.height() > desktop.bottom)
        return;
    // Saved on a monitor that is gone: brought onto the nearest one.
    const POINT origin = workspaceOrigin();
    rect.offset(origin.x, origin.y);
    if (!captionOnScreen(rect))
        fitToMonitor(rect);
    rect.offset(-origin.x, -origin.y);
    placement.rcNormalPosition = rect;
    placement.showCmd = m_restoreShowState ? restorableState(entry->getKey(L"state").getInt(SW_SHOWNORMAL)) : SW_HIDE;
    ::SetWindowPlacement(window, &placement);
}

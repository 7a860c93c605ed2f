#pragma once
// The background activities the main window's status strip shows ("Loading bundles...",
// "Compiling grammars..."), each from addActivity until removeActivity. The list is kept here,
// below the shell, so that the services' managers can add to it; the strip shows it. UI thread
// only.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tessel {

class ToolStripStatus {
public:
    using Activity = std::pair<uint32_t, std::wstring>;

    // The new activity's id, never 0.
    static uint32_t addActivity(const std::wstring& text);
    // Nothing for 0 or an id no longer listed.
    static void removeActivity(uint32_t id);
    // The activity's text as it goes on ("Replacing... 10 of 200"); nothing for 0 or an id no
    // longer listed.
    static void setActivityText(uint32_t id, const std::wstring& text);
    // The activities in the order they were added.
    static const std::vector<Activity>& getActivities();
    // Told after each change of the list (the main window's status bar shows it); empty: none.
    // The previous listener is returned.
    static std::function<void()> setListener(std::function<void()> listener);
};

} // namespace tessel

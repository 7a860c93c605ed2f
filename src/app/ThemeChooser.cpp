#include "app/ThemeChooser.h"

#include "bundles/themes/ThemeChooserData.h"

#include "afw/action/afActionChooser.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"

#include <vector>

namespace tessel {

bool chooseTheme(afViewPlatform* owner, afActionContext* context, ThemeChooserData& themes, const pel::UUID* current,
                 pel::UUID* o_picked) {
    themes.refresh();
    const std::vector<ThemeChooserData::Entry>& entries = themes.getEntries();
    afActionRegistry* registry = afApp::getActionRegistry();
    if (!registry || entries.empty())
        return false;
    // The chooser lists actions: one per theme, registered while it is open (a row whose action
    // left the registry is never picked), doing nothing when run.
    std::vector<afActionCandidate> candidates;
    afActionChooserLook look;
    look.title = L"Select Theme";
    for (const ThemeChooserData::Entry& entry : entries) {
        if (current && entry.uuid == *current)
            look.current = static_cast<int>(candidates.size());
        const std::wstring name = L"view.theme." + entry.uuidText;
        afAction* action = afRegisterAction(
            registry, new afActionSystem(entry.title.c_str(), context, name.c_str(), nullptr,
                                         [](afActionHandler&, afActionEvent&) { return true; }));
        candidates.push_back({0, 0, action, nullptr});
    }
    // A lone theme (only "None") is taken without a window.
    const int picked = afShowActionSelectWindow(owner, candidates, look);
    for (const afActionCandidate& candidate : candidates)
        afUnregisterAction(registry, candidate.action);
    if (picked < 0 || static_cast<size_t>(picked) >= entries.size())
        return false;
    *o_picked = entries[static_cast<size_t>(picked)].uuid;
    return true;
}

} // namespace tessel

#include "bundles/ToolStripStatus.h"

#include <algorithm>

namespace tessel {

namespace {

struct Activities {
    uint32_t lastId = 0;
    std::vector<ToolStripStatus::Activity> list;
    std::function<void()> listener;
};

Activities& activities() {
    static Activities instance;
    return instance;
}

} // namespace

uint32_t ToolStripStatus::addActivity(const std::wstring& text) {
    Activities& all = activities();
    if (++all.lastId == 0)
        ++all.lastId;
    all.list.emplace_back(all.lastId, text);
    if (all.listener)
        all.listener();
    return all.lastId;
}

void ToolStripStatus::removeActivity(uint32_t id) {
    Activities& all = activities();
    const auto gone = std::remove_if(all.list.begin(), all.list.end(),
                                     [id](const Activity& activity) { return activity.first == id; });
    if (gone == all.list.end())
        return;
    all.list.erase(gone, all.list.end());
    if (all.listener)
        all.listener();
}

void ToolStripStatus::setActivityText(uint32_t id, const std::wstring& text) {
    Activities& all = activities();
    const auto found = std::find_if(all.list.begin(), all.list.end(),
                                    [id](const Activity& activity) { return activity.first == id; });
    if (found == all.list.end() || found->second == text)
        return;
    found->second = text;
    if (all.listener)
        all.listener();
}

std::function<void()> ToolStripStatus::setListener(std::function<void()> listener) {
    std::swap(activities().listener, listener);
    return listener;
}

const std::vector<ToolStripStatus::Activity>& ToolStripStatus::getActivities() { return activities().list; }

} // namespace tessel

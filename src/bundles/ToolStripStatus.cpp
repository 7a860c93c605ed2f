#include "bundles/ToolStripStatus.h"

#include <algorithm>

namespace tessel {

namespace {

struct Activities {
    uint32_t lastId = 0;
    std::vector<ToolStripStatus::Activity> list;
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
    return all.lastId;
}

void ToolStripStatus::removeActivity(uint32_t id) {
    std::vector<Activity>& list = activities().list;
    list.erase(std::remove_if(list.begin(), list.end(), [id](const Activity& activity) { return activity.first == id; }),
               list.end());
}

const std::vector<ToolStripStatus::Activity>& ToolStripStatus::getActivities() { return activities().list; }

} // namespace tessel

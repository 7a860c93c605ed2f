#include "afw/action/afActionChooser.h"

#include "afw/action/afActionTrigger.h"
#include "afw/core/afLog.h"

#include <utility>

namespace {

constexpr uint32_t kResultOk = pel::crc32Literal("ok");         // 0x79DCDD47
constexpr uint32_t kResultCancel = pel::crc32Literal("cancel"); // 0x5616C572
constexpr uint32_t kResultClose = pel::crc32Literal("close");   // 0x130181C4

afActionChooser s_chooser;
bool s_open = false;
const afActionChooserLook s_defaultLook;
const afActionChooserLook* s_look = &s_defaultLook;
bool s_loggedMissing = false;
std::vector<afAction*> s_disposedActions;
std::vector<afActionTrigger*> s_disposedTriggers;

// Deletes what was disposed of while the chooser was open.
void flushDisposed() {
    // Triggers first: the actions they point at may go with the next list.
    for (std::vector<afActionTrigger*> triggers; !s_disposedTriggers.empty();) {
        triggers.swap(s_disposedTriggers);
        for (afActionTrigger* trigger : triggers)
            delete trigger;
    }
    for (std::vector<afAction*> actions; !s_disposedActions.empty();) {
        actions.swap(s_disposedActions);
        for (afAction* action : actions)
            delete action;
    }
}

// Marks the chooser open, showing the look, for its lifetime, also when it throws.
class OpenScope {
public:
    explicit OpenScope(const afActionChooserLook& look) {
        s_open = true;
        s_look = &look;
    }
    ~OpenScope() {
        s_open = false;
        s_look = &s_defaultLook;
        flushDisposed();
    }
    OpenScope(const OpenScope&) = delete;
    OpenScope& operator=(const OpenScope&) = delete;
};

int indexOf(const afActionChoice& choice, const std::vector<afActionCandidate>& candidates) {
    switch (choice.result) {
    case kResultOk:
        break;
    case kResultCancel:
        return -1;
    case kResultClose:
        return -2;
    default:
        return 0;
    }
    if (choice.row < 0 || static_cast<size_t>(choice.row) >= candidates.size())
        return -1;
    const afActionCandidate& chosen = candidates[static_cast<size_t>(choice.row)];
    // Unregistered while the chooser was open: kept alive till now, never run.
    if (!chosen.action->isRegistered() || (chosen.trigger && !chosen.action->hasTrigger(chosen.trigger)))
        return -1;
    return choice.row;
}

} // namespace

afActionChooser afSetActionChooser(afActionChooser chooser) {
    std::swap(chooser, s_chooser);
    return chooser;
}

bool afIsActionChooserOpen() {
    return s_open;
}

int afShowActionSelectWindow(afViewPlatform* owner, const std::vector<afActionCandidate>& candidates) {
    return afShowActionSelectWindow(owner, candidates, s_defaultLook);
}

const afActionChooserLook& afGetActionChooserLook() {
    return *s_look;
}

int afShowActionSelectWindow(afViewPlatform* owner, const std::vector<afActionCandidate>& candidates,
                             const afActionChooserLook& look) {
    if (candidates.size() < 2)
        return candidates.empty() ? -1 : 0;
    if (s_open)
        return -1;
    if (!s_chooser) {
        if (!s_loggedMissing)
            pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                            L"afShowActionSelectWindow(): No action chooser; %d actions tie and none runs.",
                            static_cast<int>(candidates.size()));
        s_loggedMissing = true;
        return -1;
    }
    OpenScope open(look);
    // A copy: the chooser may replace itself while it runs.
    const afActionChooser chooser = s_chooser;
    const afActionChoice choice = chooser(owner, candidates);
    return indexOf(choice, candidates);
}

void afDisposeAction(afAction* action) {
    if (s_open)
        s_disposedActions.push_back(action);
    else
        delete action;
}

void afDisposeTrigger(afActionTrigger* trigger) {
    if (s_open)
        s_disposedTriggers.push_back(trigger);
    else
        delete trigger;
}

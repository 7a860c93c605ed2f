#include "afw/action/afActionTrigger.h"

namespace {
size_t s_liveTriggers = 0;
}

afActionTrigger::afActionTrigger(afAction* action, uint32_t kind) : action(action), kind(kind) {
    ++s_liveTriggers;
}

afActionTrigger::~afActionTrigger() {
    --s_liveTriggers;
}

size_t afActionTrigger::getLiveCount() {
    return s_liveTriggers;
}

afActionTriggerKey::afActionTriggerKey(afAction* action, afKeyCombination combination, bool primary)
    : afActionTrigger(action, AF_ACTION_KIND_SHORTCUT), combination(combination), character(0),
      text(afFormatKeyCombination(combination)), primary(primary) {}

afActionTriggerKey::afActionTriggerKey(afAction* action, wchar_t character)
    : afActionTrigger(action, AF_ACTION_KIND_CHARACTER), combination(0), character(character), text(1, character),
      primary(true) {}

afActionTriggerTab::afActionTriggerTab(afAction* action, const std::wstring& word)
    : afActionTrigger(action, AF_ACTION_KIND_TAB_TRIGGER), word(word) {}

// The tab-trigger words and the search for those that end the text before the caret.

#include "afw/action/afActionChooser.h"
#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "pel/base/CharacterProperties.h"
#include "pel/text/WideString.h"
#include "service/parser/base/ScopeSelectorMatcher.h"

#include <algorithm>
#include <cwchar>

namespace {

bool isHigh(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLow(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The word and space classes of the code point ending before text[at] and of the one starting
// there; a valid surrogate pair is one code point, a lone surrogate counts as itself.
uint32_t classBefore(const wchar_t* text, size_t at) {
    if (at == 0)
        return 0;
    const wchar_t last = text[at - 1];
    const uint32_t point =
        isLow(last) && at >= 2 && isHigh(text[at - 2]) ? pel::surrogatesToCodePoint(text[at - 2], last) : last;
    return pel::getCharacterProperties(point) & (pel::CHARACTER_WORD | pel::CHARACTER_SPACE);
}

uint32_t classAt(const wchar_t* text, size_t length, size_t at) {
    const wchar_t first = text[at];
    const uint32_t point = isHigh(first) && at + 1 < length && isLow(text[at + 1])
                               ? pel::surrogatesToCodePoint(first, text[at + 1])
                               : first;
    return pel::getCharacterProperties(point) & (pel::CHARACTER_WORD | pel::CHARACTER_SPACE);
}

// Whether a tail starting at text[at] starts inside a word (or a run of spaces).
bool startsInside(const wchar_t* text, size_t length, size_t at) {
    const uint32_t before = classBefore(text, at), first = classAt(text, length, at);
    return before != 0 && before == first;
}

} // namespace

afActionInvokerTab::~afActionInvokerTab() {
    for (afActionTriggerTab* trigger : m_triggers) {
        trigger->action->removeTrigger(trigger);
        afDisposeTrigger(trigger);
    }
}

void afActionInvokerTab::removeTrigger(afAction* action, afActionTrigger* trigger) {
    if (!action || !trigger || trigger->action != action || trigger->kind != AF_ACTION_KIND_TAB_TRIGGER)
        return;
    const auto found = std::find(m_triggers.begin(), m_triggers.end(), trigger);
    if (found == m_triggers.end())
        return;
    m_triggers.erase(found);
    action->removeTrigger(trigger);
    afDisposeTrigger(trigger);
}

afAction* afAddTabTrigger(const std::wstring& word, afActionInvokerTab* invoker, afAction* action) {
    if (!invoker || !action || word.empty())
        return action;
    auto* trigger = new afActionTriggerTab(action, word);
    // After every trigger at least as long.
    const auto at = std::find_if(invoker->m_triggers.begin(), invoker->m_triggers.end(),
                                 [&](const afActionTriggerTab* other) { return other->word.size() < word.size(); });
    invoker->m_triggers.insert(at, trigger);
    action->addTrigger(trigger);
    return action;
}

size_t afTabTriggerReach(const afActionInvokerTab* invoker) {
    if (!invoker || invoker->getTriggers().empty())
        return 0;
    // Longest first; the boundary test reads the code point before the tail.
    return invoker->getTriggers().front()->word.size() + 2;
}

size_t afFindTabTriggers(afActionInvokerTab* invoker, std::vector<afActionCandidate>& o_list,
                         tessel::ScopePath& contexts, const wchar_t* text, size_t length) {
    if (!invoker || !text)
        return 0;
    std::vector<afActionCandidate> found;
    uint64_t best = 1;
    size_t testedLength = 0;
    bool inside = false;
    for (afActionTriggerTab* trigger : invoker->getTriggers()) {
        const size_t wordLength = trigger->word.size();
        if (wordLength > length)
            continue;
        const size_t at = length - wordLength;
        if (wordLength != testedLength) {
            testedLength = wordLength;
            inside = startsInside(text, length, at);
        }
        if (inside || std::wmemcmp(trigger->word.data(), text + at, wordLength) != 0)
            continue;
        tessel::ScopeRank rank;
        if (!tessel::ScopeSelectorMatcher(trigger->action->getSelector(), contexts).match(&rank, false) ||
            rank.score < best)
            continue;
        if (rank.score > best) {
            found.clear();
            best = rank.score;
        }
        found.push_back({rank.score, wordLength, trigger->action, trigger});
    }
    if (found.empty())
        return 0;
    // Score, then length, descending; then titles. Titles first (a stable sort), the rest after.
    afSortActionsByTitle(found);
    std::stable_sort(found.begin(), found.end(), [](const afActionCandidate& a, const afActionCandidate& b) {
        return a.score != b.score ? a.score > b.score : a.secondary > b.secondary;
    });
    size_t appended = 0;
    for (const afActionCandidate& candidate : found) {
        if (candidate.secondary != found.front().secondary)
            break;
        o_list.push_back(candidate);
        ++appended;
    }
    return appended;
}

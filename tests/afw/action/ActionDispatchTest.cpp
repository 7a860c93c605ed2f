#include "afw/action/afActionInvoker.h"

#include "afw/support/TestActions.h"
#include "afw/view/afViewVirtual.h"
#include "service/parser/base/ScopeSelectorMatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <cwctype>
#include <random>

using namespace tessel_test;

namespace {

constexpr afKeyCombination kF5 = 0x74;

// A windowless view that names its context by the key it is given ("ui.editor").
class ContextView : public afViewVirtual {
public:
    ContextView(const wchar_t* key, const wchar_t* name, afView* parent) : afViewVirtual(nullptr), m_key(key) {
        if (parent)
            parent->addView(this);
        setName(name);
    }
    const wchar_t* getContextKey() const override { return m_key; }

private:
    const wchar_t* m_key;
};

std::vector<afAction*> actionsOf(const std::vector<afActionCandidate>& list) {
    std::vector<afAction*> actions;
    for (const afActionCandidate& candidate : list)
        actions.push_back(candidate.action);
    return actions;
}

// The actions of each list the chooser was offered.
std::vector<std::vector<afAction*>> offeredActions(const ScriptedChooser& chooser) {
    std::vector<std::vector<afAction*>> lists;
    for (const auto& list : chooser.offered)
        lists.push_back(actionsOf(list));
    return lists;
}

TEST(ActionDispatchTest, KeysRunTheBestBindingOrOfferTheTie) {
    using Bindings = std::vector<std::pair<const wchar_t*, bool>>; // context, primary
    const Bindings tie = {{L"ui.editor", false}, {L"ui.editor", false}};
    const int none = -1;
    const afActionChoice cancel = {0x5616C572, -1}, closed = {0x130181C4, 1}, other = {0x1234, 1};
    const struct {
        const char* what;
        Bindings bindings;
        afActionChoice choice;
        bool consumed, offered; // all of them
        int ran;
    } cases[] = {
        {"one binding", {{L"ui.editor", false}}, {}, true, false, 0},
        {"bound elsewhere", {{L"ui.tree", true}}, {}, false, false, none},
        {"a tie, cancelled", tie, cancel, true, true, none},
        {"a tie, chosen", tie, ScriptedChooser::ok(1), true, true, 1},
        {"a row past the candidates", tie, ScriptedChooser::ok(5), true, true, none},
        {"the window closed", tie, closed, true, true, none},
        {"another result", tie, other, true, true, 0},
        {"the higher score", {{L"ui.window", false}, {L"ui.editor", false}}, {}, true, false, 1},
        {"one primary among equals", {{L"ui.editor", false}, {L"ui.editor", true}}, {}, true, false, 1},
        {"two primaries of three", {{L"ui.editor", true}, tie[0], {L"ui.editor", true}}, cancel, true, true, none},
        {"empty context", {{L"", false}}, {}, true, false, 0},
        {"empty context loses", {{L"", false}, {L"ui.editor", false}}, {}, true, false, 1},
        {"primary of score 1 first", {{L"", true}, {L"ui.editor", false}}, {}, true, false, 1},
        {"primary of score 1 last", {{L"ui.editor", false}, {L"", true}}, {}, true, false, 0},
    };
    ContextView window(L"ui.window", L"main", nullptr);
    ContextView editor(L"ui.editor", L"main", &window);
    for (const auto& c : cases) {
        ActionWorld world;
        ScriptedChooser chooser;
        chooser.script = [&](const std::vector<afActionCandidate>&) { return c.choice; };
        std::vector<afAction*> actions;
        for (const auto& binding : c.bindings)
            actions.push_back(afAddKeyTrigger(&world.keys, world.add(L"", binding.first), kF5, binding.second));
        EXPECT_EQ(c.consumed, afInvokeKey(&world.keys, editor.getContexts(), nullptr, kF5)) << c.what;
        EXPECT_EQ(c.ran == none ? std::vector<afAction*>() : std::vector<afAction*>{actions[c.ran]}, world.handler.ran)
            << c.what;
        EXPECT_EQ(c.offered ? std::vector<std::vector<afAction*>>{actions} : std::vector<std::vector<afAction*>>(),
                  offeredActions(chooser))
            << c.what;
    }
}

TEST(ActionDispatchTest, TabTriggersEndTheTextOnAWordBoundary) {
    const struct {
        std::vector<std::pair<const wchar_t*, const wchar_t*>> triggers; // word, context
        const wchar_t* text;
        std::vector<int> found;
    } cases[] = {
        {{{L"fn", L""}}, L"myfn", {}},
        {{{L"fn", L""}}, L"x = fn", {0}},
        {{{L"fn", L""}}, L"fn", {0}},
        {{{L"fn", L""}}, L"n", {}},
        {{{L"b", L""}, {L"ab", L""}}, L"x ab", {1}},
        {{{L"if", L""}, {L"if", L"ui.editor"}}, L"x if", {1}},
        {{{L"x", L""}}, L"\U0001D400x", {}}, // after a letter outside the BMP
        {{{L"x", L""}}, L"\xD835x", {0}},    // after a lone high surrogate
        {{{L"x", L""}}, L"\xDC00x", {0}},    // after a lone low surrogate
        {{{L"\U0001D400b", L""}}, L"a\U0001D400b", {}},
        {{{L"\U0001D400b", L""}}, L" \U0001D400b", {0}},
        {{{L"\xDC00", L""}}, L"\xD835\xDC00", {0}}, // a tail splitting a pair
    };
    auto editor = contextPath({L"ui.editor.main"});
    for (const auto& c : cases) {
        ActionWorld world;
        std::vector<afAction*> actions;
        for (const auto& trigger : c.triggers)
            actions.push_back(afAddTabTrigger(trigger.first, &world.tabs, world.add(L"", trigger.second)));
        std::vector<afActionCandidate> list;
        EXPECT_EQ(c.found.size(), afFindTabTriggers(&world.tabs, list, *editor, c.text, std::wcslen(c.text)))
            << &c - cases;
        std::vector<afAction*> expected;
        for (int index : c.found)
            expected.push_back(actions[index]);
        EXPECT_EQ(expected, actionsOf(list)) << &c - cases;
    }
    ActionWorld world;
    afAction* beta = afAddTabTrigger(L"if", &world.tabs, world.add(L"", L"", L"beta"));
    afAction* alpha = afAddTabTrigger(L"if", &world.tabs, world.add(L"", L"", L"Alpha"));
    std::vector<afActionCandidate> list = {{}};
    EXPECT_EQ(2u, afFindTabTriggers(&world.tabs, list, *editor, L"if", 2));
    EXPECT_EQ((std::vector<afAction*>{nullptr, alpha, beta}), actionsOf(list)) << "appended, by title";
    EXPECT_EQ(2u, list[1].secondary);
}

TEST(ActionDispatchTest, TheChooserKeepsWhatLeavesTheRegistryWhileItIsOpen) {
    ActionWorld world;
    ScriptedChooser chooser;
    auto editor = contextPath({L"ui.editor.main"});
    deletedActions().clear();
    afAction* kept = afAddKeyTrigger(&world.keys, world.add(L"kept", L"ui.editor"), kF5, false);
    afAddKeyTrigger(&world.keys, world.add(L"goes", L"ui.editor"), kF5, false);
    const size_t triggers = afActionTrigger::getLiveCount();
    chooser.script = [&](const std::vector<afActionCandidate>& candidates) {
        EXPECT_FALSE(afInvokeKey(&world.keys, *editor, nullptr, kF5)) << "the repeat of the key goes on";
        afUnregisterAction(&world.registry, candidates[1].action);
        EXPECT_EQ(0, deletedActions()[L"goes"]) << "not while the chooser may show it";
        EXPECT_EQ(nullptr, afFindAction(L"goes", &world.registry));
        return ScriptedChooser::ok(1);
    };
    EXPECT_TRUE(afInvokeKey(&world.keys, *editor, nullptr, kF5));
    EXPECT_TRUE(world.handler.ran.empty()) << "an unregistered choice is not run";
    EXPECT_EQ(1u, chooser.offered.size());
    EXPECT_EQ(1, deletedActions()[L"goes"]);
    EXPECT_EQ(triggers - 1, afActionTrigger::getLiveCount());

    // A handler that unregisters the action it runs.
    world.handler.step = [&](afActionEvent& event) { afUnregisterAction(&world.registry, event.action); };
    EXPECT_TRUE(afInvokeKey(&world.keys, *editor, nullptr, kF5));
    EXPECT_EQ((std::vector<afAction*>{kept}), world.handler.ran);
    EXPECT_EQ(1, deletedActions()[L"kept"]);
    EXPECT_FALSE(afInvokeKey(&world.keys, *editor, nullptr, kF5));
}

// 500 random steps of registering, unregistering and dispatching, each dispatch checked against
// a plain model of the ranking rules (the last matching character trigger runs, an empty context
// ranks 1 everywhere); at the end every action and trigger is deleted once.
TEST(ActionDispatchTest, RandomStepsFollowTheModel) {
    const wchar_t* const selectors[] = {
        L"", L"ui.editor", L"ui.window", L"ui.editor.main", L"ui.window ui.editor", L"ui.tree", L"ui.tree, ui.editor"};
    const std::vector<std::vector<std::wstring>> paths = {
        {L"ui.editor.main", L"ui.window.main"}, {L"ui.tree.side", L"ui.window.main"}, {L"ui.editor.other"}, {}};
    const afKeyCombination keys[] = {kF5, 0x153, 0x35A};
    const wchar_t chars[] = {L'(', L')'};
    const wchar_t* const words[] = {L"a", L"ab", L"b", L"cab"};
    const wchar_t* const texts[] = {L"ab", L"x ab", L"cab", L"b", L"a b", L" a"};
    const wchar_t* const titles[] = {L"alpha", L"Alpha", L"beta"};

    struct Binding {
        afAction* action;
        uint32_t kind, key;
        bool primary;
        std::wstring word;
    };
    const size_t liveBefore = afActionTrigger::getLiveCount();
    deletedActions().clear();
    std::mt19937 random(44);
    const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    int made = 0, ran = 0, ties = 0;
    {
        ActionWorld world;
        ScriptedChooser chooser;
        std::vector<afAction*> actions;
        std::vector<Binding> bindings;
        // The bindings of a kind that the test admits and the contexts rank, with their scores.
        using Ranked = std::vector<std::pair<uint64_t, const Binding*>>;
        const auto ranked = [&](uint32_t kind, tessel::ScopePath& path,
                                const std::function<bool(const Binding&)>& admits) {
            Ranked list;
            tessel::ScopeRank rank;
            for (const Binding& b : bindings)
                if (b.kind == kind && admits(b) &&
                    tessel::ScopeSelectorMatcher(b.action->getSelector(), path).match(&rank, false))
                    list.push_back({rank.score, &b});
            return list;
        };
        // Those of the list with the highest value.
        const auto topOf = [](const Ranked& list,
                              const std::function<uint64_t(const std::pair<uint64_t, const Binding*>&)>& value) {
            uint64_t best = 0;
            for (const auto& m : list)
                best = std::max(best, value(m));
            Ranked top;
            for (const auto& m : list)
                if (value(m) == best)
                    top.push_back(m);
            return top;
        };
        const auto scoreOf = [](const std::pair<uint64_t, const Binding*>& m) { return m.first; };
        for (int step = 0; step < 500; ++step) {
            const size_t what = pick(20);
            if (what < 7 || actions.empty()) {
                const std::wstring name = L"m" + std::to_wstring(made++);
                afAction* action = world.add(name.c_str(), selectors[pick(7)], titles[pick(3)]);
                actions.push_back(action);
                for (size_t n = pick(3); n > 0; --n) {
                    const Binding binding = {action, AF_ACTION_KIND_SHORTCUT, keys[pick(3)], pick(4) == 0, L""};
                    afAddKeyTrigger(&world.keys, action, binding.key, binding.primary);
                    bindings.push_back(binding);
                }
                if (pick(3) == 0) {
                    bindings.push_back({action, AF_ACTION_KIND_CHARACTER, chars[pick(2)], true, L""});
                    afAddCharTrigger(static_cast<wchar_t>(bindings.back().key), &world.keys, action);
                }
                if (pick(2) == 0) {
                    bindings.push_back({action, AF_ACTION_KIND_TAB_TRIGGER, 0, false, words[pick(4)]});
                    afAddTabTrigger(bindings.back().word, &world.tabs, action);
                }
                continue;
            }
            if (what < 10) {
                const size_t index = pick(actions.size());
                afAction* gone = actions[index];
                actions.erase(actions.begin() + static_cast<std::ptrdiff_t>(index));
                bindings.erase(std::remove_if(bindings.begin(), bindings.end(),
                                              [gone](const Binding& b) { return b.action == gone; }),
                               bindings.end());
                afUnregisterAction(&world.registry, gone);
                continue;
            }
            auto path = contextPath(paths[pick(paths.size())]);
            world.handler.ran.clear();
            world.handler.kinds.clear();
            chooser.offered.clear();
            std::vector<afAction*> expectRan, expectOffered;
            const size_t kind = pick(3);
            if (kind == 0) {
                const afKeyCombination key = keys[pick(3)];
                Ranked top = topOf(
                    ranked(AF_ACTION_KIND_SHORTCUT, *path, [&](const Binding& b) { return b.key == key; }), scoreOf);
                Ranked primaries;
                std::copy_if(top.begin(), top.end(), std::back_inserter(primaries),
                             [](const auto& m) { return m.second->primary; });
                if (primaries.size() == 1)
                    top = primaries;
                const int row = static_cast<int>(pick(4)) - 1;
                chooser.script = [row](const std::vector<afActionCandidate>&) {
                    return row < 0 ? afActionChoice{0x5616C572, -1} : ScriptedChooser::ok(row);
                };
                if (top.size() > 1)
                    for (const auto& m : top)
                        expectOffered.push_back(m.second->action);
                if (top.size() == 1 || (top.size() > 1 && row >= 0 && static_cast<size_t>(row) < top.size()))
                    expectRan = {top[top.size() == 1 ? 0 : static_cast<size_t>(row)].second->action};
                EXPECT_EQ(!top.empty(), afInvokeKey(&world.keys, *path, nullptr, key)) << step;
            } else if (kind == 1) {
                const wchar_t character = chars[pick(2)];
                for (const auto& m :
                     ranked(AF_ACTION_KIND_CHARACTER, *path, [&](const Binding& b) { return b.key == character; }))
                    if (m.first)
                        expectRan = {m.second->action};
                EXPECT_EQ(!expectRan.empty(), afInvokeChar(&world.keys, *path, character)) << step;
                EXPECT_EQ(std::vector<uint32_t>(expectRan.size(), AF_ACTION_KIND_CHARACTER), world.handler.kinds);
            } else {
                // Words that end the text after a space or at its start.
                const std::wstring text = texts[pick(6)];
                const Ranked found = topOf(topOf(ranked(AF_ACTION_KIND_TAB_TRIGGER, *path,
                                                        [&](const Binding& b) {
                                                            const size_t at =
                                                                text.size() - std::min(text.size(), b.word.size());
                                                            return b.word.size() <= text.size() &&
                                                                   text.compare(at, b.word.size(), b.word) == 0 &&
                                                                   (at == 0 || text[at - 1] == L' ');
                                                        }),
                                                 scoreOf),
                                           [](const auto& m) { return m.second->word.size(); });
                for (const auto& m : found)
                    expectOffered.push_back(m.second->action);
                std::stable_sort(expectOffered.begin(), expectOffered.end(), [](afAction* a, afAction* b) {
                    return std::towupper(a->getTitle()[0]) < std::towupper(b->getTitle()[0]);
                });
                std::vector<afActionCandidate> list;
                afFindTabTriggers(&world.tabs, list, *path, text.c_str(), text.size());
                EXPECT_EQ(expectOffered, actionsOf(list)) << step;
                continue;
            }
            EXPECT_EQ(expectRan, world.handler.ran) << step;
            ran += !expectRan.empty();
            ties += !expectOffered.empty();
            EXPECT_EQ(expectOffered.empty() ? std::vector<std::vector<afAction*>>()
                                            : std::vector<std::vector<afAction*>>{expectOffered},
                      offeredActions(chooser))
                << step;
        }
    }
    EXPECT_EQ(static_cast<size_t>(made), deletedActions().size());
    for (const auto& deleted : deletedActions())
        EXPECT_EQ(1, deleted.second) << deleted.first.c_str();
    EXPECT_EQ(liveBefore, afActionTrigger::getLiveCount());
    EXPECT_LT(100, made) << "the steps registered too little to tell";
    EXPECT_LT(30, ran);
    EXPECT_LT(5, ties);
}

} // namespace

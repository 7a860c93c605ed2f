// Key dispatch: 2,000 actions over 50 context expressions bound to 300 combinations (one binding
// in ten primary, 20 on the busiest key), keys pressed from focused views 4 to 8 deep. Figures:
// microseconds per key for collecting the contexts plus afInvokeKey running a no-op handler,
// beside a bare lookup of the combination in an unordered_map of 2,000 entries; the busiest key
// alone; characters through afInvokeChar with 200 character triggers; and a WM_KEYDOWN posted to
// a widget's window until the handler has run, beside the same message posted to a bare window
// procedure. Targets: <= 20 us per key, 50 us on the busiest key, 10 us per character, and the
// loop within 2x the bare round trip.

#include "BenchViews.h"
#include "afw/action/afActionChooser.h"
#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "service/parser/base/ScopePath.h"
#include "support/Bench.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kActions = 2000, kExpressions = 50, kCombinations = 300, kBusiest = 20, kCharacters = 200;
constexpr int kPresses = 20000, kRuns = 5, kRoundTrips = 2000;

class Handler : public afActionHandler {
public:
    Handler() : afActionHandler(afApp::getActionRegistry(), L"BenchHandler") { attachActionHandler(); }
    bool onRun(afActionEvent&) {
        ++runs;
        return true;
    }
    bool onRoundTrip(afActionEvent&) {
        if (++runs < kRoundTrips)
            ::PostMessageW(target, WM_KEYDOWN, VK_F12, 1);
        else
            ::PostQuitMessage(0);
        return true;
    }
    int runs = 0;
    HWND target = nullptr;
};

// A windowless view named in a context of its own ("ui.panel.p3").
class ContextView : public afViewVirtual {
public:
    ContextView(const wchar_t* key, const std::wstring& name, afView* parent) : afViewVirtual(nullptr), m_key(key) {
        if (parent)
            parent->addView(this);
        setName(name);
    }
    const wchar_t* getContextKey() const override { return m_key; }
    bool isContextRoot() const override { return !getParent(); }

private:
    const wchar_t* m_key;
};

class EditorWidget : public bench::ChildWidget {
public:
    using bench::ChildWidget::ChildWidget;
    const wchar_t* getContextKey() const override { return L"ui.editor"; }
};

afKeyCombination combinationOf(int index) {
    static const afKeyCombination modifiers[] = {0,
                                                 AF_KEY_CTRL,
                                                 AF_KEY_CTRL | AF_KEY_SHIFT,
                                                 AF_KEY_ALT,
                                                 AF_KEY_CTRL | AF_KEY_ALT,
                                                 AF_KEY_SHIFT,
                                                 AF_KEY_ALT | AF_KEY_SHIFT,
                                                 AF_KEY_CTRL | AF_KEY_ALT | AF_KEY_SHIFT};
    return modifiers[index % 8] | static_cast<afKeyCombination>(0x41 + (index / 8) % 26) |
           static_cast<afKeyCombination>(index / 208) << 7; // past 208, keys from 0xC1 up
}

LRESULT CALLBACK bareProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static int count = 0;
    if (message != WM_KEYDOWN)
        return ::DefWindowProcW(window, message, wParam, lParam);
    if (++count % kRoundTrips)
        ::PostMessageW(window, WM_KEYDOWN, VK_F12, 1);
    else
        ::PostQuitMessage(0);
    return 0;
}

} // namespace

int main() {
    bench::prepareWindows();
    bench::check(afApp::init(new bench::BareApp, ::GetModuleHandleW(nullptr)), "the application starts");
    afActionRegistry* registry = afApp::getActionRegistry();
    afActionInvokerKey* keys = afApp::getKeyInvoker();
    BYTE noKeys[256] = {};
    ::SetKeyboardState(noKeys);
    afSetActionChooser([](afViewPlatform*, const std::vector<afActionCandidate>&) {
        return afActionChoice{0x79DCDD47, 0};
    });
    Handler handler;

    // Views: a window context with 10 chains of panels, 8 deep; the focused views are at 4 to 8.
    ContextView root(L"ui.window", L"main", nullptr);
    std::vector<ContextView*> focused;
    for (int chain = 0; chain < 10; ++chain) {
        afView* parent = &root;
        for (int depth = 1; depth <= 8; ++depth) {
            auto* view = new ContextView(depth == 8 ? L"ui.editor" : L"ui.panel",
                                         L"p" + std::to_wstring(chain * 8 + depth), parent);
            if (depth >= 4)
                focused.push_back(view);
            parent = view;
        }
    }
    // Expressions over those names: single names, descendant pairs, alternatives.
    std::vector<std::wstring> expressions;
    for (int i = 0; i < kExpressions; ++i) {
        const std::wstring panel = L"ui.panel.p" + std::to_wstring(1 + (i * 7) % 80);
        expressions.push_back(i % 5 == 0   ? L"ui.editor"
                              : i % 5 == 1 ? L"ui.window.main " + panel
                              : i % 5 == 2 ? panel + L", ui.editor.p" + std::to_wstring(8 * (1 + i % 10))
                                           : panel);
    }
    std::unordered_map<afKeyCombination, afAction*> bare;
    const afKeyCombination busiest = combinationOf(0);
    for (int i = 0; i < kActions; ++i) {
        const std::wstring name = L"bench.action." + std::to_wstring(i);
        afAction* action = afRegisterAction(
            registry, new afActionSystem(name.c_str(), handler.getActionContext(), name.c_str(),
                                         expressions[i % kExpressions].c_str(), afRunOp(&Handler::onRun)));
        const afKeyCombination key = i < kBusiest ? busiest : combinationOf(1 + (i - kBusiest) % (kCombinations - 1));
        afAddKeyTrigger(keys, action, key, i % 10 == 0);
        bare[key | static_cast<afKeyCombination>(i) << 16] = action;
        if (i < kCharacters)
            afAddCharTrigger(static_cast<wchar_t>(0x20 + i), keys, action);
    }

    const auto press = [&](afView* view, afKeyCombination key) {
        tessel::ScopePath contexts;
        view->addContexts(contexts);
        afView::collectContexts(view, contexts);
        afInvokeKey(keys, contexts, nullptr, key);
    };
    const double perKey = bench::bestOf(kRuns, [&] {
        for (int i = 0; i < kPresses; ++i)
            press(focused[i % focused.size()], combinationOf(i % kCombinations));
    });
    const double busiestKey = bench::bestOf(kRuns, [&] {
        for (int i = 0; i < kPresses; ++i)
            press(focused[i % focused.size()], busiest);
    });
    size_t found = 0;
    const double lookup = bench::bestOf(kRuns, [&] {
        for (int i = 0; i < kPresses; ++i)
            found += bare.count(combinationOf(i % kCombinations) | static_cast<afKeyCombination>(i % kActions) << 16);
    });
    const double perCharacter = bench::bestOf(kRuns, [&] {
        for (int i = 0; i < kPresses; ++i) {
            tessel::ScopePath contexts;
            afView::collectContexts(focused[i % focused.size()], contexts);
            afInvokeChar(keys, contexts, static_cast<wchar_t>(0x20 + i % kCharacters));
        }
    });
    bench::check(handler.runs > kPresses && found > 0, "the keys ran actions");
    bench::figureBeside("action_key_dispatch", perKey * 1e6 / kPresses, "us", "unordered_map_lookup",
                        lookup * 1e6 / kPresses);
    bench::figure("action_key_dispatch_busiest", busiestKey * 1e6 / kPresses, "us");
    bench::figure("action_char_dispatch", perCharacter * 1e6 / kPresses, "us");

    // Through the loop: a key bound in the editor's context, posted to the editor's window.
    afTestWindow window;
    window.build();
    window.setFrame(afRect(0, 0, 400, 300));
    window.setShown(true, false);
    auto* editor = new EditorWidget(&window);
    editor->setName(L"main");
    editor->build();
    editor->setFrame(afRect(0, 0, 200, 100));
    handler.target = editor->getHandle();
    afAddKeyTrigger(
        keys,
        afRegisterAction(registry, new afActionSystem(L"round trip", handler.getActionContext(), L"bench.loop",
                                                      L"ui.editor.main", afRunOp(&Handler::onRoundTrip))),
        VK_F12, true);
    HWND plain = bench::messageOnlyWindow(&bareProcedure, L"BareKeyWindow");
    bench::drain();
    double loop = 1e30, bareLoop = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        bareLoop = std::min(bareLoop, bench::bestOf(1, [&] {
                                ::PostMessageW(plain, WM_KEYDOWN, VK_F12, 1);
                                for (MSG msg; ::GetMessageW(&msg, nullptr, 0, 0) > 0;) {
                                    ::TranslateMessage(&msg);
                                    ::DispatchMessageW(&msg);
                                }
                            }));
        loop = std::min(loop, bench::bestOf(1, [&] {
                            handler.runs = 0;
                            ::PostMessageW(editor->getHandle(), WM_KEYDOWN, VK_F12, 1);
                            afApp::run(afApp::getInstance());
                        }));
    }
    bench::check(handler.runs == kRoundTrips, "every posted key ran the action");
    bench::figureBeside("action_key_loop", loop * 1e6 / kRoundTrips, "us", "bare_window_procedure",
                        bareLoop * 1e6 / kRoundTrips);
    ::DestroyWindow(plain);
    afSetActionChooser(nullptr);
    afApp::shutdown();
    return 0;
}

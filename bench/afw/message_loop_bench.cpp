// Microseconds per message through afApp::run, with its pre-translate step walking six windows
// up from the widget the message is for, beside a bare GetMessageW / TranslateMessage /
// DispatchMessageW loop on the same windows. Each handled message posts the next, so both loops
// pay the same posting. Target: <= 1.25x the bare loop. The pre-translate step alone is timed
// too: the loops' figures move with the load of the Wine server, its own does not.

#include "BenchViews.h"
#include "afw/core/afApp.h"
#include "support/Bench.h"

#include <algorithm>

namespace {

constexpr int kMessages = 4000, kRuns = 7;
constexpr UINT kPing = WM_USER + 1;

// The innermost widget: answers each message by posting the next, and quits after the last.
class Target : public bench::ChildWidget {
public:
    using bench::ChildWidget::ChildWidget;
    bool onRawMessage(afMessage& msg) override {
        if (msg.message != kPing)
            return bench::ChildWidget::onRawMessage(msg);
        if (++handled < kMessages)
            ::PostMessageW(msg.window, kPing, 0, 0);
        else
            ::PostQuitMessage(0);
        return true;
    }
    int handled = 0;
};

void bareLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

} // namespace

int main() {
    bench::prepareWindows();
    bench::check(afApp::init(new bench::BareApp, ::GetModuleHandleW(nullptr)), "the application starts");
    afTestWindow window;
    window.build();
    window.setFrame(afRect(0, 0, 400, 300));
    window.setShown(true, false);
    afViewPlatform* parent = &window;
    for (int depth = 2; depth < 6; ++depth) {
        auto* child = new bench::ChildWidget(parent);
        child->build();
        child->setFrame(afRect(0, 0, 300, 200));
        parent = child;
    }
    auto* target = new Target(parent);
    target->build();
    target->setFrame(afRect(0, 0, 200, 100));
    bench::drain();

    const auto timed = [&](void (*loop)()) {
        return bench::bestOf(1, [&] {
            target->handled = 0;
            ::PostMessageW(target->getHandle(), kPing, 0, 0);
            loop();
        });
    };
    // Taken in turns, so a busy moment of the machine weighs on both alike.
    double bare = 1e30, framework = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        bare = std::min(bare, timed(&bareLoop));
        framework = std::min(framework, timed([] { afApp::run(afApp::getInstance()); }));
    }
    bench::check(target->handled == kMessages, "every message arrived");
    bench::figureBeside("message_loop_6_deep", framework * 1e6 / kMessages, "us", "bare_loop", bare * 1e6 / kMessages);
    MSG msg = {target->getHandle(), kPing, 0, 0, 0, {0, 0}};
    const double step = bench::bestOf(kRuns, [&] {
        for (int i = 0; i < kMessages; ++i)
            afApp::preTranslate(&msg, afApp::getInstance());
    });
    bench::figure("pretranslate_6_deep", step * 1e6 / kMessages, "us");
    afApp::shutdown();
    return 0;
}

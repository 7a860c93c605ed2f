// A layout pass of a window with 50 child widgets after a resize (every child moves), beside the
// same moves in one bare DeferWindowPos batch on the same windows; and a pass that changes
// nothing, which makes no window call. Target: <= 1.1x the bare batch.

#include "BenchViews.h"
#include "support/Bench.h"

#include <vector>

namespace {

constexpr int kRuns = 41;

} // namespace

int main() {
    bench::prepareWindows();
    afTestWindow window;
    window.build();
    window.setFrame(afRect(0, 0, bench::kResizedWidth, bench::kResizedHeights[0]));
    window.setShown(true, false);
    auto* content = new bench::StackView(&window, false);
    window.setContentView(content);
    std::vector<bench::ChildWidget*> children;
    for (int i = 0; i < bench::kResizedChildren; ++i) {
        children.push_back(new bench::ChildWidget(&window));
        children.back()->build();
        content->addView(children.back());
    }
    bench::drain();

    // The children's places in a window of the height, as the stack gives them.
    const afRect insets = window.getInsets();
    const int clientWidth = bench::kResizedWidth - insets.left - insets.right;
    const auto moveChildren = [&](int height) {
        const int share = (height - insets.top - insets.bottom) / bench::kResizedChildren;
        HDWP batch = ::BeginDeferWindowPos(16);
        for (int i = 0; i < bench::kResizedChildren && batch; ++i)
            batch = ::DeferWindowPos(batch, children[i]->getHandle(), nullptr, 0, i * share, clientWidth, share,
                                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        if (batch)
            ::EndDeferWindowPos(batch);
    };
    double framework = 1e30, bare = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        // The resize (not timed) asks for the pass; the pass moves every child.
        const int height = bench::kResizedHeights[(run + 1) % 2], other = bench::kResizedHeights[run % 2];
        ::SetWindowPos(window.getHandle(), nullptr, 0, 0, bench::kResizedWidth, height, SWP_NOMOVE | SWP_NOZORDER);
        double start = bench::seconds();
        window.validateLayout();
        framework = std::min(framework, bench::seconds() - start);
        bench::drain();
        // The same moves, to the other height's places; then back, untimed, to where the
        // framework knows its children are.
        start = bench::seconds();
        moveChildren(other);
        bare = std::min(bare, bench::seconds() - start);
        moveChildren(height);
        bench::drain();
    }
    bench::figureBeside("widget_layout_50_children", framework * 1e6, "us", "bare_batch", bare * 1e6);

    window.validateLayout();
    const double unchanged = bench::bestOf(kRuns, [&] { window.validateLayout(); });
    bench::figure("widget_layout_unchanged_pass", unchanged * 1e6, "us");
    return 0;
}

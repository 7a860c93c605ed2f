// A window of 50 child widgets in a linear layout resized: from SetWindowPos through the posted
// validation to the end of its layout pass (every child moves), beside one bare DeferWindowPos
// batch of the same 50 rectangles on the same windows. Target: <= 1.5x the bare batch.

#include "BenchViews.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/window/afWindow.h"
#include "support/Bench.h"

#include <algorithm>
#include <vector>

int main() {
    const int runs = 41, count = bench::kResizedChildren, width = bench::kResizedWidth;
    const int* heights = bench::kResizedHeights;
    bench::prepareWindows();
    afWindow window;
    auto* content = new afLayoutLinear(&window, afLayoutLinear::VERTICAL);
    window.setContentView(content);
    window.build();
    window.setFrame(afRect(0, 0, width, heights[0]));
    window.show();
    std::vector<bench::ChildWidget*> children;
    for (int i = 0; i < count; ++i) {
        children.push_back(new bench::ChildWidget(&window));
        children.back()->build();
        content->addChild(children.back(), new afLayoutParamsLinear(-1, 0, 1.0));
    }
    bench::drain();

    double framework = 1e30, bare = 1e30;
    std::vector<afRect> before(count), places(count);
    for (int run = 0; run < runs; ++run) {
        const int height = heights[(run + 1) % 2];
        for (int i = 0; i < count; ++i)
            before[i] = children[i]->getFrame();
        double start = bench::seconds();
        ::SetWindowPos(window.getHandle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        for (MSG msg; window.isValidationPosted() && ::GetMessageW(&msg, nullptr, 0, 0) > 0;)
            ::DispatchMessageW(&msg);
        framework = std::min(framework, bench::seconds() - start);
        bench::drain();
        // The same moves: the children put back where they were (not timed), then to where the
        // layout put them.
        for (int i = 0; i < count; ++i) {
            places[i] = children[i]->getFrame();
            ::SetWindowPos(children[i]->getHandle(), nullptr, before[i].left, before[i].top, before[i].width(),
                           before[i].height(), SWP_NOZORDER | SWP_NOACTIVATE);
        }
        bench::drain();
        start = bench::seconds();
        HDWP batch = ::BeginDeferWindowPos(16);
        for (int i = 0; i < count && batch; ++i)
            batch = ::DeferWindowPos(batch, children[i]->getHandle(), nullptr, places[i].left, places[i].top,
                                     places[i].width(), places[i].height(),
                                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        if (batch)
            ::EndDeferWindowPos(batch);
        bare = std::min(bare, bench::seconds() - start);
        bench::drain();
    }
    bench::check(children.back()->getFrame().bottom > heights[0] / 2, "the children were laid out");
    bench::figureBeside("window_resize_50_children", framework * 1e3, "ms", "bare_batch", bare * 1e3);
    ::DestroyWindow(window.getHandle());
    return 0;
}

// A splitter dragged between two panes holding 25 child widgets each: per mouse move, from the
// message to both panes repainted, beside one bare DeferWindowPos batch that moves the same
// windows to the same rectangles followed by the same repaints. Target: at most 3x.

#include "BenchViews.h"
#include "afw/control/afContainer.h"
#include "afw/control/afControlSplitter.h"
#include "afw/layout/afLayoutLinear.h"
#include "support/Bench.h"

#include <algorithm>
#include <vector>

namespace {

afContainer* pane(afViewPlatform* parent, std::vector<afViewPlatform*>& windows) {
    afContainer* container = afContainer::createInstance(parent);
    auto* column = new afLayoutLinear(container, afLayoutLinear::VERTICAL);
    container->setContentView(column);
    windows.push_back(container);
    for (int i = 0; i < 25; ++i) {
        auto* child = new bench::ChildWidget(container);
        child->build();
        column->addChild(child, new afLayoutParamsLinear(-1, 0, 1.0));
        windows.push_back(child);
    }
    return container;
}

} // namespace

int main() {
    bench::prepareWindows();
    afTestWindow window;
    auto* row = new afLayoutLinear(&window, afLayoutLinear::HORIZONTAL);
    window.setContentView(row);
    window.build();
    window.setFrame(afRect(0, 0, 800, 600));
    window.setShown(true, true);
    std::vector<afViewPlatform*> windows;
    afContainer* left = pane(&window, windows);
    afContainer* right = pane(&window, windows);
    auto* splitter = afControlSplitter::createInstance(&window, right, afControlSplitter::SIDE_BY_SIDE);
    row->addChild(left, new afLayoutParamsLinear(0, -1, 1.0));
    row->addChild(splitter, new afLayoutParamsLinear(6, -1));
    row->addChild(right, new afLayoutParamsLinear(300, -1));
    window.validateLayout();
    bench::drain();

    const int moves = 60;
    auto mouse = [&](UINT message, int x) {
        POINT point = {x, 100};
        ::ClientToScreen(window.getHandle(), &point);
        ::ScreenToClient(splitter->getHandle(), &point);
        ::SendMessageW(splitter->getHandle(), message, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    };
    auto repaint = [&] {
        ::UpdateWindow(left->getHandle());
        ::UpdateWindow(right->getHandle());
    };
    double framework = 0, bare = 0;
    std::vector<afRect> before(windows.size()), after(windows.size());
    mouse(WM_LBUTTONDOWN, splitter->getFrame().left + 3);
    for (int i = 0; i < moves; ++i) {
        const int x = 400 + (i % 2 ? 40 : -40);
        for (size_t w = 0; w < windows.size(); ++w)
            before[w] = windows[w]->getFrame();
        double start = bench::seconds();
        mouse(WM_MOUSEMOVE, x);
        for (MSG msg; window.isValidationPosted() && ::GetMessageW(&msg, nullptr, 0, 0) > 0;)
            ::DispatchMessageW(&msg);
        repaint();
        framework += bench::seconds() - start;
        bench::drain();
        for (size_t w = 0; w < windows.size(); ++w)
            after[w] = windows[w]->getFrame();
        // Put back untimed, then the same moves bare.
        for (size_t w = 0; w < windows.size(); ++w)
            ::SetWindowPos(windows[w]->getHandle(), nullptr, before[w].left, before[w].top, before[w].width(),
                           before[w].height(), SWP_NOZORDER | SWP_NOACTIVATE);
        bench::drain();
        start = bench::seconds();
        HDWP batch = ::BeginDeferWindowPos(static_cast<int>(windows.size()));
        for (size_t w = 0; w < windows.size() && batch; ++w)
            batch = ::DeferWindowPos(batch, windows[w]->getHandle(), nullptr, after[w].left, after[w].top,
                                     after[w].width(), after[w].height(), SWP_NOZORDER | SWP_NOACTIVATE);
        if (batch)
            ::EndDeferWindowPos(batch);
        repaint();
        bare += bench::seconds() - start;
        bench::drain();
    }
    mouse(WM_LBUTTONUP, 400);
    bench::figureBeside("splitter_drag_move", framework * 1000 / moves, "ms", "bare_defer", bare * 1000 / moves);
    return 0;
}

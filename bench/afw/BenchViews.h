#pragma once
// The views the framework's window benchmarks build: a windowless stack that shares its room
// evenly among its children, and a child widget of the test window class; and a bare application.

#include "afw/core/afApp.h"
#include "afw/core/afModuleInstance.h"
#include "afw/graphics/afStockResources.h"
#include "afw/view/afViewVirtual.h"
#include "afw/window/afTestWindow.h"

#include <cstdio>
#include <cstdlib>

namespace bench {

// An application with nothing of its own, for benchmarks that need the framework's parts.
class BareApp : public afApp {
public:
    bool init() override { return true; }
    void exit() override {}
};

// The window of child widgets the layout benchmarks resize: the children's count, the window's
// width and the two heights it alternates between.
constexpr int kResizedChildren = 50, kResizedWidth = 600;
constexpr int kResizedHeights[2] = {800, 900};

// Lays its children side by side (or one under the other), each an equal share, exactly.
class StackView : public afViewVirtual {
public:
    StackView(afViewPlatform* host, bool horizontal) : afViewVirtual(host), m_horizontal(horizontal) {}

    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override {
        const int width = afViewMeasureSpec::getRawSize(widthSpec), height = afViewMeasureSpec::getRawSize(heightSpec);
        const int count = getChildCount() ? getChildCount() : 1;
        const uint32_t childWidth = afViewMeasureSpec::exactly(m_horizontal ? width / count : width);
        const uint32_t childHeight = afViewMeasureSpec::exactly(m_horizontal ? height : height / count);
        for (afView* child : children())
            child->measure(childWidth, childHeight);
        setMeasuredDimension(width, height);
    }
    void onLayout(bool, const afRect&) override {
        int at = 0;
        for (afView* child : children()) {
            const int w = child->getMeasuredWidth(), h = child->getMeasuredHeight();
            child->setFrame(m_horizontal ? afRect(at, 0, at + w, h) : afRect(0, at, w, at + h));
            at += m_horizontal ? w : h;
        }
    }

private:
    bool m_horizontal;
};

class ChildWidget : public afWidget {
public:
    explicit ChildWidget(afViewPlatform* host) : afWidget(host) {}
    bool buildSeed(afSeed& seed) override {
        afTestWindow::registerTestClass();
        seed.className = afTestWindow::CLASS_NAME;
        seed.style = WS_CHILD | WS_VISIBLE;
        return true;
    }
};

inline void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
        std::exit(2);
    }
}

// The module and the stock table a window needs.
inline void prepareWindows() {
    const char* missing = afTestWindow::checkDisplay();
    check(!missing, missing);
    afSetModuleInstance(::GetModuleHandleW(nullptr));
    afCreateStockResources();
}

// Handles what the windows have queued, outside the timings.
inline void drain() {
    for (MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
        ::DispatchMessageW(&msg);
}

} // namespace bench

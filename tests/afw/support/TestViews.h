#pragma once
// Views and widgets the framework tests build trees of: a windowless probe that records what
// the passes did to it and fills its frame with a colour, a stack that shares its room among its
// children, a child widget of the test window class, and the fixture of the window tests.

#include "afw/afCanvas.h"
#include "afw/afModuleInstance.h"
#include "afw/afStockResources.h"
#include "afw/afTestWindow.h"
#include "afw/afViewVirtual.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

inline void PrintTo(const afRect& rect, std::ostream* out) {
    *out << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << ")";
}

namespace tessel_test {

class ProbeView : public afViewVirtual {
public:
    explicit ProbeView(afViewPlatform* host = nullptr, COLORREF colour = CLR_INVALID)
        : afViewVirtual(host), colour(colour) {}

    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override {
        ++measures;
        if (setsDimension)
            afViewVirtual::onMeasure(widthSpec, heightSpec);
    }
    void onLayout(bool changed, const afRect& rect) override {
        ++layouts;
        afViewVirtual::onLayout(changed, rect);
    }
    void onSizeChanged(const afRect& newFrame, const afRect& oldFrame) override {
        ++sizeChanges;
        afViewVirtual::onSizeChanged(newFrame, oldFrame);
    }
    void requestLayout(const wchar_t* reason) override {
        ++requests;
        afViewVirtual::requestLayout(reason);
    }
    void onChildAdded(afView* child, int index) override { added.push_back(index); }
    void onChildRemoved(afView* child) override { ++removed; }
    bool onMouseMove(afMouseEvent& event) override {
        ++mouseMoves;
        return true;
    }
    bool onDraw(afCanvas& canvas, const afRect* area) override {
        if (colour != CLR_INVALID)
            canvas.fillRect(afRect(0, 0, getFrame().width(), getFrame().height()), colour);
        return afViewVirtual::onDraw(canvas, area) || colour != CLR_INVALID;
    }

    COLORREF colour;
    bool setsDimension = true;
    int measures = 0, layouts = 0, sizeChanges = 0, requests = 0, removed = 0, mouseMoves = 0;
    std::vector<int> added;
};

// Stacks its children top to bottom (or left to right). A child's layout params give its size
// on each axis; -1 shares the room the sized children leave on the main axis, or takes the
// whole cross axis. Draws its windowless children.
class StackView : public ProbeView {
public:
    explicit StackView(afViewPlatform* host, bool horizontal = false, COLORREF colour = CLR_INVALID)
        : ProbeView(host, colour), m_horizontal(horizontal) {}

    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override {
        ++measures;
        const int width = afViewMeasureSpec::getRawSize(widthSpec), height = afViewMeasureSpec::getRawSize(heightSpec);
        const int main = m_horizontal ? width : height, cross = m_horizontal ? height : width;
        int fixed = 0, sharing = 0;
        for (afView* child : children()) {
            const int size = m_horizontal ? child->getLayoutParams()->width : child->getLayoutParams()->height;
            size >= 0 ? fixed += size : ++sharing;
        }
        const int share = sharing ? (main - fixed) / sharing : 0;
        for (afView* child : children()) {
            const afLayoutParams& params = *child->getLayoutParams();
            const int along = m_horizontal ? params.width : params.height;
            const int across = m_horizontal ? params.height : params.width;
            const uint32_t mainSpec = afViewMeasureSpec::exactly(along >= 0 ? along : share);
            const uint32_t crossSpec = afViewMeasureSpec::exactly(across >= 0 ? across : cross);
            m_horizontal ? child->measure(mainSpec, crossSpec) : child->measure(crossSpec, mainSpec);
        }
        setMeasuredDimension(resolveSize(width, widthSpec), resolveSize(height, heightSpec));
    }
    void onLayout(bool changed, const afRect& rect) override {
        ++layouts;
        int at = 0;
        for (afView* child : children()) {
            const int w = child->getMeasuredWidth(), h = child->getMeasuredHeight();
            child->setFrame(m_horizontal ? afRect(at, 0, at + w, h) : afRect(0, at, w, at + h));
            at += m_horizontal ? w : h;
        }
    }
    void draw(afCanvas& canvas, const afRect* area) override {
        ProbeView::draw(canvas, area);
        for (afView* child : children()) {
            if (!child->isVirtual() || !child->isVisible())
                continue;
            const afRect frame = child->getFrame();
            canvas.save();
            const POINT origin = canvas.viewportOrigin();
            canvas.setViewportOrigin({origin.x + frame.left, origin.y + frame.top});
            child->draw(canvas, nullptr);
            canvas.restore();
        }
    }

private:
    bool m_horizontal;
};

// Sets the layout params of a view: width and height, -1 to share or fill.
inline afView* sized(afView* view, int width, int height) {
    auto* params = new afLayoutParams;
    params->width = width;
    params->height = height;
    view->setLayoutParams(params);
    return view;
}

// A child window of the test class.
class ChildWidget : public afWidget {
public:
    explicit ChildWidget(afViewPlatform* host, DWORD style = WS_CHILD | WS_VISIBLE) : afWidget(host), m_style(style) {}

    bool buildSeed(afSeed& seed) override {
        afTestWindow::registerTestClass();
        seed.className = afTestWindow::CLASS_NAME;
        seed.style = m_style;
        seed.title = getText();
        return true;
    }
    // What the real window is now, in its parent's client coordinates.
    afRect windowRect() const {
        afRect rect;
        ::GetWindowRect(getHandle(), &rect);
        ::MapWindowPoints(nullptr, ::GetParent(getHandle()), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

private:
    DWORD m_style;
};

// The window tests: the module and the stock table in place, and a shown test window.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        afSetModuleInstance(::GetModuleHandleW(nullptr));
        afCreateStockResources();
    }

    // A shown window at the place (screen), laid out.
    std::unique_ptr<afTestWindow> openWindow(const afRect& frame) {
        std::unique_ptr<afTestWindow> window(new afTestWindow);
        window->build();
        window->setFrame(frame);
        window->setShown(true, true);
        settle(*window);
        return window;
    }
    // Handles what is queued until the window's layout is done.
    static void settle(afTestWindow& window) {
        ASSERT_TRUE(pumpUntil([&] {
            MSG msg;
            return !window.isValidationPosted() && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        })) << "the window's messages never settled";
    }
};

} // namespace tessel_test

#pragma once
// Views and widgets the framework tests build trees of: a windowless probe that records what
// the passes did to it and fills its frame with a colour, a leaf of a natural size, a stack that
// shares its room among its children, a child widget of the test window class and a button of
// it, the fixture of the window tests and the application's message pump.

#include "afw/core/afApp.h"
#include "afw/core/afModuleInstance.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/view/afViewVirtual.h"
#include "afw/window/afIButton.h"
#include "afw/window/afTestWindow.h"
#include "pel/thread/ThreadErrorHandler.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

inline void PrintTo(const afRect& rect, std::ostream* out) {
    *out << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << ")";
}

namespace tessel_test {

// The text of the framework exception the body throws.
template <class Body>
std::wstring thrown(Body body) {
    try {
        body();
    } catch (const pel::Exception& e) {
        return e.message;
    }
    return L"(nothing thrown)";
}

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

// A leaf that wants its natural size, as far as the specs let it.
class LeafView : public ProbeView {
public:
    LeafView(afViewPlatform* host, int width, int height) : ProbeView(host), width(width), height(height) {}

    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override {
        ++measures;
        measuredWith.push_back({widthSpec, heightSpec});
        setMeasuredDimension(resolveSize(width, widthSpec), resolveSize(height, heightSpec));
    }

    int width, height;
    std::vector<std::pair<uint32_t, uint32_t>> measuredWith;
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
    // Descends into the windowless children.
    afView* findViewAt(int x, int y) override {
        const afRect frame = getFrame();
        if (!frame.contains(x, y))
            return nullptr;
        for (afView* child : children())
            if (child->isVirtual())
                if (afView* hit = child->findViewAt(x - frame.left + getScrollX(), y - frame.top + getScrollY()))
                    return hit;
        return this;
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

// A push button of the test class that counts its clicks.
class TestButton : public ChildWidget, public afIButton {
public:
    explicit TestButton(afViewPlatform* host) : ChildWidget(host, WS_CHILD | WS_VISIBLE | WS_TABSTOP) {}
    void click() override { ++clicks; }
    int clicks = 0;
};

// Records what reaches a widget: messages from WM_USER up (pre-translated and dispatched; the
// registered ones left out), wheel steps, window moves. It can take a pre-translated message or
// throw there, and runs a test's own step on each message and on each new frame.
template <class Base>
class Recording : public Base {
public:
    using Base::Base;

    bool preTranslateMessage(MSG& msg) override {
        if (msg.message < WM_USER || msg.message >= 0xC000)
            return Base::preTranslateMessage(msg);
        pretranslated.push_back(msg.message);
        if (msg.message == throwOn)
            throw pel::IllegalStateException(L"thrown in pre-translate");
        return msg.message == take;
    }
    bool onRawMessage(afMessage& msg) override {
        if (msg.message >= WM_USER && msg.message < 0xC000) {
            dispatched.push_back(msg.message);
            if (onMessage)
                onMessage(msg.message);
        }
        if (msg.message == WM_WINDOWPOSCHANGING)
            ++positionChanges;
        return Base::onRawMessage(msg);
    }
    bool onMouseWheel(afMouseEvent& event, int steps) override {
        wheelSteps.push_back(steps);
        return true;
    }
    void setFrame(const afRect& frame) override {
        if (onSetFrame)
            onSetFrame();
        Base::setFrame(frame);
    }

    std::vector<UINT> pretranslated, dispatched;
    std::vector<int> wheelSteps;
    UINT take = 0, throwOn = 0;
    int positionChanges = 0;
    std::function<void(UINT)> onMessage;
    std::function<void()> onSetFrame;
};

// Collects what reaches the thread error handler while it is alive: the exception boundary's
// reports.
class ErrorRecorder : public pel::ThreadErrorHandler {
public:
    ErrorRecorder() : m_previous(set(this)) {}
    ~ErrorRecorder() override { set(m_previous); }
    void exception(const pel::Exception& e) override { texts.push_back(e.message); }
    void exception(const std::exception& e) override { texts.push_back(L"std::exception"); }
    void exception() override { texts.push_back(L"unknown"); }

    std::vector<std::wstring> texts;

private:
    pel::ThreadErrorHandler* m_previous;
};

// The application's loop in tests: messages go through its pre-translate step (dialog
// navigation, mnemonics) until done() holds; false after a generous limit.
inline bool pumpApp(const std::function<bool()>& done, DWORD limit = 30000) {
    const DWORD start = ::GetTickCount();
    for (; !done(); ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT)) {
        for (MSG message; ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
            afApp::dispatch(message, nullptr);
        if (!done() && ::GetTickCount() - start > limit)
            return false;
    }
    return true;
}

// An application with nothing of its own: the framework's parts, the key invoker among them, for
// tests that run keys through the loop as the program does.
class BareApp : public afApp {
public:
    bool init() override { return true; }
    void exit() override {}
};

// The window tests: the module and the stock table in place, and a shown test window.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* missing = afTestWindow::checkDisplay();
        ASSERT_EQ(nullptr, missing) << missing;
        afSetModuleInstance(::GetModuleHandleW(nullptr));
        afCreateStockResources();
    }

    // A shown window at the place (screen), laid out.
    template <class Window = afTestWindow>
    std::unique_ptr<Window> openWindow(const afRect& frame) {
        std::unique_ptr<Window> window(new Window);
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

// The window tests with the framework's application up (a BareApp): its loops, holds and keys.
class AppWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
    }
    void TearDown() override {
        afApp::shutdown();
        // A main window destroyed by a test posts a quit that no loop of the test took.
        MSG quit;
        ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
};

inline BOOL CALLBACK collectSystemDialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}
// The system's dialog this thread shows (a file dialog), or null.
inline HWND shownSystemDialog() {
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &collectSystemDialog, reinterpret_cast<LPARAM>(&dialog));
    return dialog;
}

} // namespace tessel_test

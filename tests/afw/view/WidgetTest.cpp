#include "afw/view/afWidget.h"

#include "afw/support/TestViews.h"
#include "afw/support/HelperPanic.h"

#include <gtest/gtest.h>

#include <cwctype>

using tessel_test::ChildWidget;
using tessel_test::ProbeView;
using tessel_test::Recording;
using tessel_test::StackView;

namespace {

using WidgetTest = tessel_test::WindowTest;

std::wstring windowText(HWND window) {
    wchar_t text[64] = {};
    ::GetWindowTextW(window, text, 64);
    return text;
}

class FailingWidget : public ChildWidget {
public:
    using ChildWidget::ChildWidget;
    void onCreate() override { throw pel::IllegalStateException(L"refused in onCreate"); }
};

BOOL CALLBACK countWindow(HWND, LPARAM counter) {
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

int childWindowCount(HWND parent) {
    int count = 0;
    ::EnumChildWindows(parent, &countWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(WidgetTest, CreationTakesTheSeedsTitleAndRethrowsWhatFailedIt) {
    afTestWindow window;
    window.setText(L"Seeded");
    window.build();
    EXPECT_EQ(L"Seeded", windowText(window.getHandle()));
    EXPECT_EQ(&window, afViewPlatform::getWidget(window.getHandle()));
    EXPECT_EQ(static_cast<afViewPlatform*>(&window),
              static_cast<afViewPlatform*>(::GetPropW(window.getHandle(), L"AFWIDGETPTR")));

    const int before = childWindowCount(window.getHandle());
    FailingWidget failing(&window);
    const auto creationError = [](afViewPlatform& widget) -> std::wstring {
        try {
            widget.build();
        } catch (const pel::Exception& e) {
            return e.message;
        }
        return L"(built)";
    };
    EXPECT_EQ(L"refused in onCreate", creationError(failing));
    afDestroyStockResources();
    ChildWidget fontless(&window);
    EXPECT_EQ(L"Font for widget is NULL.", creationError(fontless));
    afCreateStockResources();
    EXPECT_EQ(nullptr, failing.getHandle());
    EXPECT_EQ(before, childWindowCount(window.getHandle())) << "a refused widget leaves no window";
}

TEST_F(WidgetTest, AWindowThatLostItsWidgetOrNeverHadOneEndsTheProgram) {
    const std::pair<const wchar_t*, const char*> cases[] = {
        {L"lost-widget", "handler: afWidget::s_WndProc(): (MSG) HWND to PTR translation failed.\n"},
        {L"create-unbound", "handler: afWidget::s_WndProc(): (CREATE) HWND to PTR translation failed.\n"},
    };
    for (const auto& c : cases)
        tessel_test::expectHelperPanic(c.first, c.second);
}

TEST_F(WidgetTest, TheWheelAccumulatesToWholeNotches) {
    auto window = openWindow<Recording<afTestWindow>>(afRect(0, 0, 200, 150));
    const struct {
        std::vector<short> deltas;
        std::vector<int> steps;
    } cases[] = {{{40, 40, 40}, {1}}, {{360}, {3}}, {{-360}, {-3}}, {{100, -30, 50}, {1}}};
    for (const auto& c : cases) {
        window->wheelSteps.clear();
        for (short delta : c.deltas)
            ::SendMessageW(window->getHandle(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
        EXPECT_EQ(c.steps, window->wheelSteps) << c.deltas.front();
    }
}

TEST_F(WidgetTest, ScrollRequestsReachTheCallbackInItsCodes) {
    struct Receiver {
        void onScroll(afViewPlatform*, int code, int) { codes.push_back(code); }
        std::vector<int> codes;
    } receiver;
    auto window = openWindow(afRect(0, 0, 200, 150));
    const auto callback = afViewPlatform::ScrollCallback::bind<Receiver, &Receiver::onScroll>(&receiver);
    window->setScrollCallbacks(callback, callback);
    for (UINT request = SB_LINEUP; request <= SB_ENDSCROLL; ++request)
        ::SendMessageW(window->getHandle(), request % 2 ? WM_HSCROLL : WM_VSCROLL, request, 0);
    EXPECT_EQ((std::vector<int>{4, 3, 6, 5, 7, 8, 1, 2}), receiver.codes);
}

TEST_F(WidgetTest, MnemonicsBorderAndTextFilter) {
    auto window = openWindow(afRect(0, 0, 200, 150));
    ChildWidget* child = new ChildWidget(window.get(), WS_CHILD | WS_VISIBLE | WS_BORDER);
    child->build();
    child->setFrame(afRect(0, 0, 100, 50));
    const std::tuple<const wchar_t*, wchar_t, bool> mnemonics[] = {
        {L"&&File", L'&', true}, {L"Save&", L'&', false}, {L"&open", L'O', true}, {L"&open", L'o', false}};
    for (const auto& m : mnemonics) {
        child->setText(std::get<0>(m));
        EXPECT_EQ(std::get<2>(m), child->hasMnemonic(std::get<1>(m))) << std::get<0>(m);
    }
    child->addMnemonic(L'Q');
    EXPECT_TRUE(child->hasMnemonic(L'Q'));

    child->setBorder(2);
    EXPECT_FALSE(::GetWindowLongW(child->getHandle(), GWL_STYLE) & WS_BORDER);
    EXPECT_TRUE(child->getExtendedStyle() & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(child->hasBorder());
    EXPECT_EQ(2, child->getInsets().left) << "the frame change applied at once";

    struct Filter {
        bool filter(afViewPlatform*, std::wstring& text) {
            for (wchar_t& ch : text)
                ch = static_cast<wchar_t>(::towupper(ch));
            return text != L"NO";
        }
    } filter;
    child->setTextFilter(afViewPlatform::TextFilter::bind<Filter, &Filter::filter>(&filter));
    child->setText(L"yes");
    child->setText(L"no");
    EXPECT_EQ(L"YES", windowText(child->getHandle()));
    EXPECT_EQ(L"YES", child->getText());
}

TEST_F(WidgetTest, AMovedWindowKnowsItsNewPlaceWithoutALayout) {
    auto window = openWindow(afRect(10, 10, 210, 160));
    ::SetWindowPos(window->getHandle(), nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_FALSE(window->isValidationPosted());
    EXPECT_EQ(afRect(50, 60, 250, 210), window->getFrame());
    afRect origin;
    window->getOrigin(&origin);
    POINT client = {0, 0};
    ::ClientToScreen(window->getHandle(), &client);
    EXPECT_EQ(client.x, origin.left);
    ::SetWindowPos(window->getHandle(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(window->isValidationPosted());
}

class LeavingProbe : public ProbeView {
public:
    using ProbeView::ProbeView;
    bool onMouseLeave(afMouseEvent&) override { return ++leaves, true; }
    int leaves = 0;
};

TEST_F(WidgetTest, TheHoveredViewIsForgottenWithItsBranch) {
    auto window = openWindow(afRect(0, 0, 200, 150));
    auto* content = new StackView(window.get());
    window->setContentView(content);
    auto* branch = new StackView(window.get());
    content->addView(tessel_test::sized(branch, -1, 50));
    auto* leaf = new LeavingProbe(window.get());
    branch->addView(tessel_test::sized(leaf, -1, 20));
    content->addView(tessel_test::sized(new ProbeView(window.get()), -1, -1));
    settle(*window);
    ::SendMessageW(window->getHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(leaf, window->getHoveredView());
    EXPECT_EQ(1, leaf->mouseMoves);

    content->removeView(branch);
    EXPECT_EQ(nullptr, window->getHoveredView());
    ::SendMessageW(window->getHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 100));
    EXPECT_EQ(0, leaf->leaves);
    delete branch;
}

// Calls the control's own procedure; notes what the framework sends it and which procedure the
// window has when it ends.
WNDPROC s_editProc = nullptr;
std::vector<UINT> s_editSeen;
bool s_restoredAtEnd = false;

LRESULT CALLBACK editSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PRINTCLIENT || message == WM_NCDESTROY)
        s_editSeen.push_back(message);
    if (message == WM_NCDESTROY)
        s_restoredAtEnd = reinterpret_cast<WNDPROC>(::GetWindowLongW(window, GWL_WNDPROC)) == &editSpy;
    return ::CallWindowProcW(s_editProc, window, message, wParam, lParam);
}

TEST_F(WidgetTest, AnAttachedControlPaintsItselfAndGetsItsProcedureBack) {
    auto window = openWindow(afRect(0, 0, 200, 150));
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"Hello", WS_CHILD | WS_VISIBLE, 10, 10, 100, 24, window->getHandle(),
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
    s_editProc = reinterpret_cast<WNDPROC>(::SetWindowLongW(edit, GWL_WNDPROC, reinterpret_cast<LONG>(&editSpy)));
    auto* widget = new afWidget(window.get());
    ASSERT_TRUE(widget->attach(edit));
    EXPECT_TRUE(widget->isShown());
    EXPECT_EQ(widget, afViewPlatform::getWidget(edit));
    ::InvalidateRect(edit, nullptr, TRUE);
    ::UpdateWindow(edit);
    RECT invalid;
    EXPECT_FALSE(::GetUpdateRect(edit, &invalid, FALSE));
    ::DestroyWindow(edit);
    EXPECT_EQ((std::vector<UINT>{WM_PRINTCLIENT, WM_NCDESTROY}), s_editSeen);
    EXPECT_TRUE(s_restoredAtEnd);
    EXPECT_EQ(nullptr, widget->getHandle());
    EXPECT_EQ(nullptr, afViewPlatform::getWidget(edit));
}

} // namespace

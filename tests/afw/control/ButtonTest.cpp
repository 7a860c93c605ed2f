#include "afw/control/afContainer.h"
#include "afw/control/afControl.h"
#include "afw/control/afControlButton.h"
#include "afw/control/afWidgetFactory.h"
#include "afw/core/afMainLoop.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/support/Golden.h"
#include "afw/support/TestViews.h"
#include "afw/window/afWindowDialog.h"

#include <gtest/gtest.h>

#include <array>
#include <commctrl.h>

using namespace tessel_test;

namespace {

void countClick(void* clicks, afControlButton*) {
    ++*static_cast<int*>(clicks);
}

// A dialog with the buttons "&OK" and "Cancel", 100 x 30 each, one above the other.
class ButtonTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // Keys reach the buttons through the application's key invoker.
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
        window.reset(new afWindowDialog);
        auto* layout = new afLayoutLinear(window.get(), afLayoutLinear::VERTICAL);
        window->setContentView(layout);
        window->build();
        for (const wchar_t* text : {L"&OK", L"Cancel"}) {
            afControlButton* button = afControlButton::createInstance(window.get());
            button->setText(text);
            button->setClickHandler(afControlButton::ClickHandler::fromFunction(&clicks, &countClick));
            layout->addChild(button, 100, 30);
            buttons.push_back(button);
        }
        window->show();
        settle();
        ok = buttons[0];
    }
    void TearDown() override {
        afWindowsUX::resetForTesting(afWindowsUX::DECIDE_BY_SYSTEM);
        window.reset();
        afApp::shutdown();
    }

    // Runs the application's loop until nothing is queued.
    void settle() {
        EXPECT_TRUE(pumpApp([this] {
            MSG msg;
            return (!window || !window->isValidationPosted()) && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        }));
    }
    // The mouse message at the point of the button's client area, with the cursor there.
    static void mouse(afControlButton* button, UINT message, int x, int y) {
        POINT screen = {x, y};
        ::ClientToScreen(button->getHandle(), &screen);
        ::SetCursorPos(screen.x, screen.y);
        ::SendMessageW(button->getHandle(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
    }
    // Posts the key message to the focused window with the modifiers down, and runs the loop.
    void key(UINT message, WPARAM key, std::initializer_list<int> modifiers = {}) {
        std::array<BYTE, 256> state = {};
        for (int modifier : modifiers)
            state[modifier] = 0x80;
        ::SetKeyboardState(state.data());
        const LPARAM flags = message == WM_KEYUP ? 0xC0000001 : message == WM_SYSCHAR ? 0x20000001 : 1;
        ::PostMessageW(::GetFocus(), message, key, flags);
        settle();
        ::SetKeyboardState(std::array<BYTE, 256>().data());
    }
    // The button drawn alone into the surface, x pixels from its left.
    static void drawInto(afControlButton* button, DibSurface& surface, int x) {
        auto canvas = afCanvas::fromDC(surface.dc());
        canvas->setViewportOrigin({x, 0});
        button->onDraw(*canvas, nullptr);
    }

public:
    std::unique_ptr<afWindowDialog> window;
    std::vector<afControlButton*> buttons;
    afControlButton* ok = nullptr;
    int clicks = 0;
};

TEST_F(ButtonTest, ClicksOnReleaseOverItAfterAPressOnIt) {
    EXPECT_EQ(nullptr, afControlButton::createInstance(nullptr));
    const struct {
        std::vector<std::pair<UINT, POINT>> steps;
        int clicks;
    } gestures[] = {
        {{{WM_MOUSEMOVE, {10, 10}}, {WM_LBUTTONDOWN, {10, 10}}, {WM_LBUTTONUP, {10, 10}}}, 1},
        {{{WM_LBUTTONDOWN, {10, 10}}, {WM_MOUSEMOVE, {150, 10}}, {WM_LBUTTONUP, {150, 10}}}, 0},
        {{{WM_LBUTTONDOWN, {10, 10}}, {WM_MOUSEMOVE, {150, 10}}, {WM_MOUSEMOVE, {100, 30}}, {WM_LBUTTONUP, {99, 29}}},
         1}, // edges included
        {{{WM_MOUSEMOVE, {5, 5}}, {WM_LBUTTONUP, {5, 5}}}, 0}, // no capture, no click
    };
    for (const auto& g : gestures) {
        clicks = 0;
        for (const auto& step : g.steps)
            mouse(ok, step.first, step.second.x, step.second.y);
        EXPECT_EQ(g.clicks, clicks) << g.steps.size();
        EXPECT_FALSE(ok->isPressed());
        EXPECT_EQ(nullptr, ::GetCapture());
    }
    EXPECT_EQ(ok->getHandle(), ::GetFocus()) << "a press takes the focus";
    EXPECT_TRUE(ok->isHovered());
    ::SendMessageW(ok->getHandle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(ok->isHovered());

    // A handler that closes its dialog deletes the button.
    const auto close = [](void* test, afControlButton*) { static_cast<ButtonTest*>(test)->window.reset(); };
    ok->setClickHandler(afControlButton::ClickHandler::fromFunction(this, close));
    for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP})
        mouse(ok, message, 10, 10);
    EXPECT_EQ(nullptr, window);
}

TEST_F(ButtonTest, SpaceOrEnterWithoutModifiersAndTheMnemonicClick) {
    ok->requestFocus();
    key(WM_KEYDOWN, VK_SPACE, {VK_CONTROL});
    key(WM_KEYDOWN, VK_RETURN, {VK_SHIFT});
    EXPECT_FALSE(ok->isKeyPressed()) << "Ctrl+Space and Shift+Enter do not press it";
    key(WM_KEYDOWN, VK_SPACE);
    EXPECT_TRUE(ok->isKeyPressed());
    EXPECT_EQ(afControlButton::STATE_PUSHED, ok->getDrawState() & afControlButton::STATE_PUSHED);
    key(WM_KEYDOWN, VK_RETURN);
    key(WM_KEYUP, VK_RETURN);
    EXPECT_EQ(0, clicks) << "releasing Enter while Space is held";
    key(WM_KEYUP, VK_SPACE);
    EXPECT_EQ(1, clicks);
    key(WM_KEYDOWN, VK_RETURN);
    key(WM_KEYUP, VK_RETURN);
    EXPECT_EQ(2, clicks);
    key(WM_KEYDOWN, VK_SPACE);
    buttons[1]->requestFocus();
    EXPECT_FALSE(ok->isKeyPressed()) << "losing the focus lets go";
    // Alt+O as the keyboard sends it: its key-down first, which ends the swallowing of the
    // characters of the consumed Space.
    key(WM_SYSKEYDOWN, 'O', {VK_MENU});
    key(WM_SYSCHAR, L'o', {VK_MENU});
    EXPECT_EQ(3, clicks);
    EXPECT_EQ(ok->getHandle(), ::GetFocus());
}

TEST_F(ButtonTest, StatesDefaultButtonsAndTheClassicLook) {
    afWindowsUX::resetForTesting(afWindowsUX::FORCE_CLASSIC);
    const auto dialogCode = [](afControlButton* button) {
        return ::SendMessageW(button->getHandle(), WM_GETDLGCODE, 0, 0);
    };
    ok->setDefault();
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(DLGC_DEFPUSHBUTTON, dialogCode(ok));
    EXPECT_EQ(DLGC_UNDEFPUSHBUTTON, dialogCode(buttons[1]));

    // Six states of a button without a caption, which measures its padding raised to 80 x 25.
    afControlButton* button = buttons[1];
    button->setText(L"");
    button->measure(afViewMeasureSpec::atMost(500), afViewMeasureSpec::atMost(500));
    EXPECT_EQ(std::make_pair(80, 25), std::make_pair(button->getMeasuredWidth(), button->getMeasuredHeight()));
    DibSurface strip(600, 30);
    using B = afControlButton;
    const std::pair<std::function<void()>, uint32_t> states[] = {
        {[] {}, 0},
        {[&] { mouse(button, WM_MOUSEMOVE, 5, 5); }, B::STATE_HOT},
        {[&] { mouse(button, WM_LBUTTONDOWN, 5, 5); },
         B::STATE_HOT | B::STATE_PUSHED | B::STATE_FOCUSED | B::STATE_DEFAULT},
        {[&] { ::SendMessageW(button->getHandle(), WM_MOUSELEAVE, 0, 0), mouse(button, WM_LBUTTONUP, 5, 5); },
         B::STATE_FOCUSED | B::STATE_DEFAULT},
        {[&] { ok->requestFocus(), button->setDefault(); }, B::STATE_DEFAULT},
        {[&] { mouse(button, WM_MOUSEMOVE, 5, 5), ::EnableWindow(button->getHandle(), FALSE); }, B::STATE_DISABLED},
    };
    for (size_t i = 0; i < std::size(states); ++i) {
        states[i].first();
        EXPECT_EQ(states[i].second, button->getDrawState()) << i;
        drawInto(button, strip, static_cast<int>(i) * 100);
    }
    EXPECT_TRUE(matchesGoldenImage("afw/golden/button-states.png", strip, 600, 30));
}

// What the button asks of the visual styles, in order.
std::vector<std::wstring> s_themeCalls;
HTHEME WINAPI fakeOpen(HWND, LPCWSTR classes) {
    s_themeCalls.push_back(L"open " + std::wstring(classes));
    return reinterpret_cast<HTHEME>(0x5150);
}
HRESULT WINAPI fakeBackground(HTHEME, HDC, int part, int state, const RECT*, const RECT*) {
    s_themeCalls.push_back(L"background " + std::to_wstring(part) + L" " + std::to_wstring(state));
    return S_OK;
}
HRESULT WINAPI fakeText(HTHEME, HDC, int part, int state, LPCWSTR text, int length, DWORD flags, DWORD, const RECT*) {
    s_themeCalls.push_back(L"text " + std::to_wstring(part) + L" " + std::to_wstring(state) + L" " +
                           std::wstring(text, length) + L" " + std::to_wstring(flags));
    return S_OK;
}
HRESULT WINAPI fakeClose(HTHEME) {
    s_themeCalls.push_back(L"close");
    return S_OK;
}
FARPROC resolveFake(const char* name) {
    const std::pair<const char*, void*> fakes[] = {{"OpenThemeData", reinterpret_cast<void*>(&fakeOpen)},
                                                   {"DrawThemeBackground", reinterpret_cast<void*>(&fakeBackground)},
                                                   {"DrawThemeText", reinterpret_cast<void*>(&fakeText)},
                                                   {"CloseThemeData", reinterpret_cast<void*>(&fakeClose)}};
    for (const auto& fake : fakes)
        if (std::string(name) == fake.first)
            return reinterpret_cast<FARPROC>(fake.second);
    return nullptr;
}

TEST_F(ButtonTest, TheThemedLookUsesThePushButtonStates) {
    using B = afControlButton;
    const std::pair<uint32_t, int> states[] = {
        {B::STATE_DISABLED, 4},                  {B::STATE_PUSHED | B::STATE_FOCUSED | B::STATE_HOT, 3},
        {B::STATE_FOCUSED, 5},                   {B::STATE_DEFAULT | B::STATE_HOT, 5},
        {B::STATE_HOT, 2},                       {0, 1}};
    for (const auto& s : states)
        EXPECT_EQ(s.second, B::themeState(s.first)) << s.first;

    afWindowsUX::resetForTesting(afWindowsUX::FORCE_THEMED);
    afWindowsUX::setResolverForTesting(&resolveFake);
    for (afControlButton* button : buttons)
        ::SendMessageW(button->getHandle(), WM_MOUSELEAVE, 0, 0); // wherever the cursor was left
    s_themeCalls.clear();
    DibSurface surface(100, 30);
    drawInto(ok, surface, 0);
    buttons[1]->setText(L"");
    drawInto(buttons[1], surface, 0);
    afWindowsUX::setResolverForTesting(nullptr);
    const std::vector<std::wstring> expected = {L"open BUTTON", L"background 1 1", L"text 1 1 &OK 37", L"close",
                                                L"open BUTTON", L"background 1 1", L"close"};
    EXPECT_EQ(expected, s_themeCalls);
}

// An edit control of the framework, which keeps the change notifications it gets back.
class EditControl : public afControl {
public:
    using afControl::afControl;
    bool buildSeed(afSeed& seed) override {
        afControl::buildSeed(seed);
        seed.className = L"Edit";
        return true;
    }
    bool onReflectedMessage(afMessage& msg) override {
        if (msg.message == WM_COMMAND)
            codes.push_back(HIWORD(msg.wParam));
        return true;
    }
    std::vector<int> codes;
};

// A native control that tells its parent as its window is destroyed (as a list view does).
LRESULT CALLBACK notifyingOnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        NMHDR header = {window, 7, NM_KILLFOCUS};
        ::SendMessageW(::GetParent(window), WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&header));
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

class NotifyingControl : public afControl {
public:
    using afControl::afControl;
    bool buildSeed(afSeed& seed) override {
        afControl::buildSeed(seed);
        static const bool registered = [] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = &notifyingOnDestroy;
            windowClass.hInstance = ::GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"NotifyingOnDestroy";
            return ::RegisterClassW(&windowClass) != 0;
        }();
        seed.className = registered ? L"NotifyingOnDestroy" : L"Static";
        return true;
    }
    bool onReflectedMessage(afMessage& msg) override {
        ++*heard;
        return false;
    }
    int* heard = nullptr;
};

// The window goes as the widget's own part ends, after the control's part: what it says then
// reaches the control no more (the reflection would call into the part that is gone, and the
// system swallows the fault with the frames of the procedures under it, their counts kept).
TEST_F(ButtonTest, AControlDeletedWithItsWindowHearsNothingItSaysAsItGoes) {
    int heard = 0;
    auto* control = afCreateWidget<NotifyingControl>(window.get());
    control->heard = &heard;
    ASSERT_TRUE(control->getHandle());
    NMHDR header = {control->getHandle(), 7, NM_CLICK};
    ::SendMessageW(window->getHandle(), WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(1, heard) << "the host reflects while the control lives";
    delete control;
    EXPECT_EQ(1, heard);
    EXPECT_FALSE(afMainLoop::isNested()) << "a window procedure's frame was abandoned";
}

TEST_F(ButtonTest, ControlsHearTheirNotificationsAndContainersFocusTheirFirstTabStop) {
    EditControl* edit = afCreateWidget<EditControl>(window.get());
    ::SetWindowTextW(edit->getHandle(), L"changed");
    EXPECT_EQ((std::vector<int>{EN_UPDATE, EN_CHANGE}), edit->codes) << "through the host's hook";

    afContainer* container = afContainer::createInstance(window.get());
    ok->requestFocus();
    container->requestFocus();
    EXPECT_EQ(ok->getHandle(), ::GetFocus()) << "no tab stop inside: nothing";
    auto* plain = new ChildWidget(container);
    plain->build();
    afControlButton* inner = afControlButton::createInstance(container);
    container->requestFocus();
    EXPECT_EQ(inner->getHandle(), ::GetFocus());
    EXPECT_NE(plain->getHandle(), ::GetFocus());
}

} // namespace

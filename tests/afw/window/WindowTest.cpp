#include "afw/layout/afLayoutLinear.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"
#include "afw/window/afTaskWindow.h"
#include "afw/window/afWindowDialog.h"
#include "afw/window/afWindowHint.h"
#include "service/base/TesselService.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <array>

using namespace tessel_test;

namespace {

constexpr UINT kStep = WM_USER + 1;

// A window that counts its validations and runs a test's step when a posted kStep reaches it.
template <class Base = afWindow>
struct Scripted : Recording<Base> {
    using Recording<Base>::Recording;
    void validateLayout() override {
        ++validations;
        Base::validateLayout();
    }
    void postStep(std::function<void()> step) {
        this->onMessage = [step](UINT message) {
            if (message == kStep)
                step();
        };
        ::PostMessageW(this->getHandle(), kStep, 0, 0);
    }
    int validations = 0;
};
using Dialog = Scripted<afWindowDialog>;

bool settled(afWindow& window) {
    MSG msg;
    return !window.isValidationPosted() && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

TEST_F(WindowTest, ValidatesOncePerPostedMessageAndSizesByPolicy) {
    Scripted<> window;
    auto* content = new LeafView(&window, 300, 80);
    window.setContentView(content); // asked for before the window exists
    window.setSizePolicy(afWindow::SIZE_CONTENT);
    window.setMinimumSize(500, 0);
    window.build();
    ASSERT_TRUE(pumpApp([&] { return settled(window); }));
    const afRect insets = window.getInsets(), frame = window.getFrame();
    EXPECT_EQ(500 + insets.left + insets.right, frame.width());
    EXPECT_EQ(80 + insets.top + insets.bottom, frame.height());
    EXPECT_EQ(window.getClientRect(), content->getFrame());

    const int before = window.validations;
    for (int i = 0; i < 10; ++i)
        window.requestLayout(L"test");
    int posted = 0;
    for (MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); afApp::dispatch(msg, nullptr))
        posted += msg.message == afWindow::getValidationMessage();
    EXPECT_EQ(1, posted);
    EXPECT_EQ(before + 1, window.validations);
    ::DestroyWindow(window.getHandle());
}

TEST_F(WindowTest, ModalRunsEndWithTheirResultAndPassAQuitOn) {
    Dialog dialog;
    auto* content = new afLayoutLinear(&dialog, afLayoutLinear::VERTICAL);
    dialog.setContentView(content);
    afKeyEvent escape;
    escape.combination = VK_ESCAPE;
    const std::pair<uint32_t, std::function<void()>> cases[] = {
        {0x1234, [&] { dialog.close(0x1234); }},
        {afWindow::RESULT_CANCEL, [&] { content->dispatchKeyDown(escape); }},
        {afWindow::RESULT_CANCEL, [&] { ::PostMessageW(dialog.getHandle(), WM_SYSKEYDOWN, VK_F4, 1 << 29); }},
        {afWindow::RESULT_CANCEL, [] { ::PostQuitMessage(7); }},
    };
    for (const auto& c : cases) {
        dialog.build();
        dialog.postStep(c.second);
        EXPECT_EQ(c.first, dialog.showModal()) << (&c - cases);
        EXPECT_EQ(nullptr, dialog.getHandle());
    }
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the outer loop gets the quit";
    EXPECT_EQ(7u, msg.wParam);
}

TEST_F(WindowTest, NestedModalRunsLeaveTheOwnerDisabledTillTheOuterEnds) {
    LogCapture log;
    afWindow owner;
    owner.build();
    owner.show();
    auto *outer = new Dialog(&owner), *inner = new Dialog(&owner);
    bool disabled = false;
    uint32_t again = 0;
    outer->build();
    outer->postStep([&] {
        inner->build();
        inner->postStep([&] { inner->closeOk(); });
        inner->showModal();
        disabled = !::IsWindowEnabled(owner.getHandle());
        again = outer->showModal();
        outer->closeOk();
    });
    EXPECT_EQ(afWindow::RESULT_OK, outer->showModal());
    EXPECT_TRUE(disabled) << "the inner run leaves the owner as the outer one disabled it";
    EXPECT_TRUE(::IsWindowEnabled(owner.getHandle()));
    EXPECT_EQ(afWindow::RESULT_CANCEL, again);
    EXPECT_TRUE(log.contains(L"afWindow::showModal(): The window runs modally already."));
    ::DestroyWindow(owner.getHandle());
}

void CALLBACK watchdog(HWND, UINT, UINT_PTR, DWORD) {
    ::PostQuitMessage(0xDEAD);
}

TEST_F(WindowTest, ModalRunEndsWhenItsOwnerIsDestroyed) {
    afWindow owner;
    owner.build();
    auto* dialog = new Dialog(&owner);
    dialog->build();
    dialog->postStep([&] { ::DestroyWindow(owner.getHandle()); });
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20000, &watchdog);
    EXPECT_EQ(afWindow::RESULT_CANCEL, dialog->showModal());
    ::KillTimer(nullptr, timer);
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the watchdog had to end the run";
}

TEST_F(WindowTest, TaskWindowsCentreAndHintsDrawAtTheirOffset) {
    afWindow host;
    host.build();
    host.setFrame(afRect(100, 100, 700, 500));
    for (afWindow* owner : {&host, static_cast<afWindow*>(nullptr)}) {
        std::unique_ptr<afTaskWindow> task(new afTaskWindow(owner));
        task->setSizePolicy(afWindow::SIZE_CONTENT);
        task->setContentView(new LeafView(task.get(), 200, 100));
        task->build();
        ASSERT_TRUE(pumpApp([&] { return settled(*task); }));
        afRect outer, frame = task->getFrame();
        owner ? owner->getOrigin(&outer) : (void)::GetClientRect(::GetDesktopWindow(), &outer);
        EXPECT_EQ(outer.left + ((outer.width() - frame.width()) >> 1), frame.left);
        EXPECT_EQ(outer.top + ((outer.height() - frame.height()) >> 1), frame.top);
        ::DestroyWindow(task->getHandle());
    }
    ::DestroyWindow(host.getHandle());

    afWindowHint hint;
    hint.build();
    hint.setFrame(afRect(0, 0, 90, 24));
    hint.setHintText(L"Hint");
    DibSurface surface(hint.getClientRect().width(), hint.getClientRect().height());
    hint.onDraw(*afCanvas::fromDC(surface.dc()), nullptr);
    EXPECT_EQ(DibSurface::pixelOf(afGetStockColour(15)), surface.rgb(0, 0));
    const uint32_t text = DibSurface::pixelOf(afGetStockColour(16));
    EXPECT_GT(surface.count(hint.getClientRect(), text), 10);
    EXPECT_EQ(0, surface.count(afRect(0, 0, afWindowHint::TEXT_X, 22), text) +
                     surface.count(afRect(0, 0, 88, afWindowHint::TEXT_Y), text));
    ::DestroyWindow(hint.getHandle());
}

TEST_F(WindowTest, WindowsRefuseDockingAndLetGoOfWhatTheirOwnerLeftBehind) {
    afTestWindow host;
    auto* layout = new afLayout(&host);
    host.setContentView(layout);
    afWindow docked;
    EXPECT_EQ(L"Cannot attach window. Docking not supported.", thrown([&] { layout->addView(&docked); }));
    EXPECT_TRUE(!docked.getParent() && !docked.getOwner());
    EXPECT_EQ(L"Cannot detach window. Docking not supported.", thrown([&] { docked.onDetached(); }));

    // Placement on without a service root: nothing is read or written, and no root is made.
    LogCapture log;
    auto* left = new afWindow;
    left->setPlacementKey(L"left");
    left->setPlacementEnabled(true);
    left->build();
    left->show();
    ::SendMessageW(left->getHandle(), WM_CLOSE, 0, 0); // without a host, it only hides
    EXPECT_FALSE(::IsWindowVisible(left->getHandle()));
    HWND window = left->getHandle();
    delete left;
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_TRUE(log.contains(L"Assertion failed"));
    EXPECT_EQ(nullptr, tessel::TesselService::findInstance());
}

// A dialog of three tab stops sharing mnemonics ("&File", "&Find", "&Edit") and a button.
class DialogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        layout = new afLayoutLinear(&dialog, afLayoutLinear::VERTICAL);
        dialog.setContentView(layout);
        dialog.build();
        for (const wchar_t* text : {L"&File", L"&Find", L"&Edit", L"&OK"}) {
            ChildWidget* child = fields.size() < 3 ? new ChildWidget(&dialog, WS_CHILD | WS_VISIBLE | WS_TABSTOP)
                                                   : (button = new TestButton(&dialog));
            child->setText(text);
            child->build();
            layout->addChild(child, 100, 20);
            fields.push_back(child);
        }
        dialog.show();
        focus(0);
    }
    void TearDown() override { ::DestroyWindow(dialog.getHandle()); }

    // Gives the field the focus, or posts the message to the focused window; then runs the loop
    // until the queue is empty.
    void focus(int index) { run([&] { ::SetFocus(fields[index]->getHandle()); }); }
    void post(UINT message, WPARAM wParam, LPARAM lParam) {
        run([&] { ::PostMessageW(::GetFocus(), message, wParam, lParam); });
    }
    void run(const std::function<void()>& step) {
        step();
        ASSERT_TRUE(pumpApp([&] { return settled(dialog); }));
    }
    bool key(uint32_t combination) {
        afKeyEvent event;
        event.combination = combination;
        return afViewPlatform::getWidget(::GetFocus())->dispatchKeyDown(event);
    }
    HWND field(int index) const { return fields[index]->getHandle(); }

    afWindowDialog dialog;
    afLayoutLinear* layout = nullptr;
    std::vector<ChildWidget*> fields;
    TestButton* button = nullptr;
};

void recordChar(void* chars, afViewPlatform*, const afCharEvent& event) {
    static_cast<std::wstring*>(chars)->push_back(event.character);
}

TEST_F(DialogTest, MnemonicsNeedAltAndTakeTurnsWhenShared) {
    std::wstring typed;
    fields[0]->setCharCallback(afViewPlatform::CharCallback::fromFunction(&typed, &recordChar));
    post(WM_CHAR, L'f', 0);
    EXPECT_EQ(L"f", typed) << "without Alt the character reaches the focused field";
    const std::pair<wchar_t, int> turns[] = {{L'f', 1}, {L'f', 0}, {L'e', 2}};
    for (const auto& turn : turns) {
        post(WM_SYSCHAR, turn.first, 1 << 29);
        EXPECT_EQ(field(turn.second), ::GetFocus()) << turn.second;
    }
    EXPECT_EQ(L"f", typed);
}

TEST_F(DialogTest, TabMovesThroughTheTabOrder) {
    // Posted keys go through the dialog navigation, Shift and Ctrl as the system's key state has them.
    for (int keys = 0; keys < 4; ++keys) {
        focus(keys & 1);
        BYTE state[256] = {};
        state[VK_SHIFT] = keys & 1 ? 0x80 : 0;
        state[VK_CONTROL] = keys & 2 ? 0x80 : 0;
        ::SetKeyboardState(state);
        post(WM_KEYDOWN, VK_TAB, 1);
        ::SetKeyboardState(std::array<BYTE, 256>().data());
        EXPECT_EQ(field(keys & 1 ? 0 : 1), ::GetFocus()) << keys;
    }
    // Key events as the key invoker gives them: Ctrl changes nothing, Alt leaves the key alone.
    const std::tuple<uint32_t, bool, int> given[] = {{VK_TAB, true, 2},
                                                     {VK_TAB | afKeyEvent::SHIFT, true, 0},
                                                     {VK_TAB | afKeyEvent::CTRL, true, 2},
                                                     {VK_TAB | afKeyEvent::CTRL | afKeyEvent::SHIFT, true, 0},
                                                     {VK_TAB | afKeyEvent::ALT, false, 1}};
    for (const auto& g : given) {
        focus(1);
        EXPECT_EQ(std::get<1>(g), key(std::get<0>(g))) << std::hex << std::get<0>(g);
        EXPECT_EQ(field(std::get<2>(g)), ::GetFocus()) << std::hex << std::get<0>(g);
    }
}

TEST_F(DialogTest, EnterClicksTheDefaultButtonWhileItLives) {
    const auto defaultId = [&] { return ::SendMessageW(dialog.getHandle(), DM_GETDEFID, 0, 0); };
    EXPECT_EQ(0, defaultId());
    dialog.setDefaultButton(button, false);
    EXPECT_NE(0, ::GetDlgCtrlID(button->getHandle())) << "children get control ids";
    EXPECT_EQ(MAKELONG(::GetDlgCtrlID(button->getHandle()), 0x534B), defaultId());
    focus(2); // another child brings the window's own default button back
    EXPECT_TRUE(key(VK_RETURN));
    EXPECT_FALSE(key(VK_RETURN | afKeyEvent::SHIFT));
    EXPECT_EQ(1, button->clicks);
    layout->removeView(button);
    delete button;
    EXPECT_FALSE(key(VK_RETURN));
    EXPECT_EQ(0, defaultId());
}

TEST_F(DialogTest, ActivationGivesTheFocusBackWhileItsWidgetLives) {
    LogCapture log;
    for (bool deleted : {false, true}) {
        focus(1);
        ::SendMessageW(dialog.getHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
        if (deleted) {
            layout->removeView(fields[1]);
            delete fields[1];
        }
        focus(2);
        ::SendMessageW(dialog.getHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
        EXPECT_EQ(deleted ? field(2) : field(1), ::GetFocus());
    }
    EXPECT_TRUE(log.contains(L"WM_ACTIVATED(false)") && log.contains(L"WM_ACTIVATED(true)"));
}

} // namespace

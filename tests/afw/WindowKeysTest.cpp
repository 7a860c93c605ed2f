#include "afw/afWindowDialog.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/support/TestViews.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

// A dialog of three tab stops sharing mnemonics ("&File", "&Find", "&Edit") and a button.
class WindowKeysTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        layout = new afLayoutLinear(&dialog, afLayoutLinear::VERTICAL);
        dialog.setContentView(layout);
        dialog.build();
        for (const wchar_t* text : {L"&File", L"&Find", L"&Edit"}) {
            auto* field = new ChildWidget(&dialog, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
            field->setText(text);
            field->build();
            layout->addChild(field, 100, 20);
            fields.push_back(field);
        }
        button = new TestButton(&dialog);
        button->setText(L"&OK");
        button->build();
        layout->addChild(button, 80, 25);
        dialog.show();
        ASSERT_TRUE(focus(0));
    }
    void TearDown() override { ::DestroyWindow(dialog.getHandle()); }

    // Gives the field the focus and handles what that queued.
    bool focus(int index) {
        ::SetFocus(fields[index]->getHandle());
        return pumpApp([] {
            MSG msg;
            return !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        });
    }
    HWND focused() const { return ::GetFocus(); }
    // Posts the message to the focused window and runs the loop until it was handled.
    void post(UINT message, WPARAM wParam, LPARAM lParam) {
        ::PostMessageW(focused(), message, wParam, lParam);
        ASSERT_TRUE(pumpApp([] {
            MSG msg;
            return !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        }));
    }
    bool key(uint32_t combination) {
        afKeyEvent event;
        event.combination = combination;
        return afViewPlatform::getWidget(focused())->dispatchKeyDown(event);
    }

    afWindowDialog dialog;
    afLayoutLinear* layout = nullptr;
    std::vector<ChildWidget*> fields;
    TestButton* button = nullptr;
};

void recordChar(void* chars, afViewPlatform*, const afCharEvent& event) {
    static_cast<std::wstring*>(chars)->push_back(event.character);
}

TEST_F(WindowKeysTest, MnemonicsNeedAltAndTakeTurnsWhenShared) {
    std::wstring typed;
    fields[0]->setCharCallback(afViewPlatform::CharCallback::fromFunction(&typed, &recordChar));
    post(WM_CHAR, L'f', 0);
    EXPECT_EQ(L"f", typed) << "without Alt the character reaches the focused field";
    EXPECT_EQ(fields[0]->getHandle(), focused());
    const LPARAM alt = 1 << 29;
    post(WM_SYSCHAR, L'f', alt);
    EXPECT_EQ(fields[1]->getHandle(), focused());
    post(WM_SYSCHAR, L'f', alt);
    EXPECT_EQ(fields[0]->getHandle(), focused());
    post(WM_SYSCHAR, L'e', alt);
    EXPECT_EQ(fields[2]->getHandle(), focused());
    EXPECT_EQ(L"f", typed);
}

TEST_F(WindowKeysTest, TabMovesThroughTheTabOrder) {
    // Posted keys go through the dialog navigation, the Shift state as the system keeps it.
    struct Posted {
        bool shift, ctrl;
        int from, to;
    } posted[] = {{false, false, 0, 1}, {true, false, 1, 0}, {false, true, 0, 1}, {true, true, 1, 0}};
    for (const Posted& p : posted) {
        ASSERT_TRUE(focus(p.from));
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_SHIFT] = p.shift ? 0x80 : 0;
        keys[VK_CONTROL] = p.ctrl ? 0x80 : 0;
        ::SetKeyboardState(keys);
        post(WM_KEYDOWN, VK_TAB, 1);
        keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
        ::SetKeyboardState(keys);
        EXPECT_EQ(fields[p.to]->getHandle(), focused()) << p.shift << p.ctrl;
    }
    // Key events from the key invoker's road.
    struct Given {
        uint32_t combination;
        bool handled;
        int to;
    } given[] = {{VK_TAB, true, 2},
                 {VK_TAB | afKeyEvent::SHIFT, true, 0},
                 {VK_TAB | afKeyEvent::CTRL, true, 2},
                 {VK_TAB | afKeyEvent::CTRL | afKeyEvent::SHIFT, true, 0},
                 {VK_TAB | afKeyEvent::ALT, false, 1}};
    for (const Given& g : given) {
        ASSERT_TRUE(focus(1));
        EXPECT_EQ(g.handled, key(g.combination)) << std::hex << g.combination;
        EXPECT_EQ(fields[g.to]->getHandle(), focused()) << std::hex << g.combination;
    }
}

TEST_F(WindowKeysTest, EnterClicksTheDefaultButtonWhileItLives) {
    EXPECT_EQ(0, ::SendMessageW(dialog.getHandle(), DM_GETDEFID, 0, 0));
    dialog.setDefaultButton(button, false);
    EXPECT_EQ(MAKELONG(::GetDlgCtrlID(button->getHandle()), 0x534B),
              ::SendMessageW(dialog.getHandle(), DM_GETDEFID, 0, 0));
    EXPECT_NE(0, ::GetDlgCtrlID(button->getHandle())) << "children get control ids";
    ASSERT_TRUE(focus(2)); // another child brings the window's default back
    EXPECT_TRUE(key(VK_RETURN));
    EXPECT_FALSE(key(VK_RETURN | afKeyEvent::SHIFT));
    EXPECT_EQ(1, button->clicks);

    layout->removeView(button);
    delete button;
    EXPECT_EQ(nullptr, dialog.getDefaultButton());
    EXPECT_FALSE(key(VK_RETURN));
    EXPECT_EQ(0, ::SendMessageW(dialog.getHandle(), DM_GETDEFID, 0, 0));
}

TEST_F(WindowKeysTest, ActivationGivesTheFocusBackWhileItsWidgetLives) {
    LogCapture log;
    ASSERT_TRUE(focus(1));
    ::SendMessageW(dialog.getHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    ASSERT_TRUE(focus(2));
    ::SendMessageW(dialog.getHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(fields[1]->getHandle(), focused());
    EXPECT_TRUE(log.contains(L"WM_ACTIVATED(false)"));
    EXPECT_TRUE(log.contains(L"WM_ACTIVATED(true)"));

    ::SendMessageW(dialog.getHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    layout->removeView(fields[1]);
    delete fields[1];
    ASSERT_TRUE(focus(2));
    ::SendMessageW(dialog.getHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(fields[2]->getHandle(), focused());
}

} // namespace

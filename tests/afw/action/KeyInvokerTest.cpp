// The key invoker on the application's loop, with real windows: keys sent by the system and
// posted key messages, modal windows and the chooser's own loop.

#include "afw/action/afActionInvoker.h"
#include "afw/core/afApp.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/view/afInput.h"
#include "afw/support/TestActions.h"
#include "afw/support/TestViews.h"
#include "afw/window/afWindowDialog.h"

#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

// A child widget in the "ui.editor" context that records the key and character messages that
// reach its window.
class EditorWidget : public ChildWidget {
public:
    explicit EditorWidget(afViewPlatform* host) : ChildWidget(host, WS_CHILD | WS_VISIBLE | WS_TABSTOP) {
        setName(L"main");
    }
    const wchar_t* getContextKey() const override { return L"ui.editor"; }
    bool onRawMessage(afMessage& msg) override {
        if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR)
            received.push_back({msg.message, static_cast<WPARAM>(msg.wParam)});
        return ChildWidget::onRawMessage(msg);
    }
    size_t count(UINT message) const {
        return std::count_if(received.begin(), received.end(), [message](const auto& m) { return m.first == message; });
    }
    std::vector<std::pair<UINT, WPARAM>> received;
};

void setKeyboard(std::initializer_list<int> down) {
    BYTE keys[256] = {};
    for (int key : down)
        keys[key] = 0x80;
    ::SetKeyboardState(keys);
}

class KeyInvokerTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
        setKeyboard({});
        window = openWindow(afRect(0, 0, 300, 200));
        editor = new EditorWidget(window.get());
        editor->build();
        editor->setFrame(afRect(0, 0, 200, 100));
        ::SetForegroundWindow(window->getHandle());
        ::SetFocus(editor->getHandle());
        handler.reset(new CountingHandler(afApp::getActionRegistry()));
    }
    void TearDown() override {
        handler.reset();
        window.reset();
        setKeyboard({});
        afApp::shutdown();
    }
    afAction* bind(const wchar_t* name, const wchar_t* key) {
        afAction* action = afRegisterAction(afApp::getActionRegistry(),
                                            new CountedAction(handler->getActionContext(), name, L"ui.editor"));
        return afAddKeyTriggerText(afApp::getKeyInvoker(), action, key, true);
    }
    // Posts the messages to the editor and runs the loop until they are handled.
    void post(std::initializer_list<std::pair<UINT, WPARAM>> messages) {
        for (const auto& m : messages)
            ::PostMessageW(editor->getHandle(), m.first, m.second, 1);
        ASSERT_TRUE(pumpApp([&] {
            MSG msg;
            return !::PeekMessageW(&msg, editor->getHandle(), 0, 0, PM_NOREMOVE);
        }));
    }

    std::unique_ptr<afTestWindow> window;
    EditorWidget* editor = nullptr;
    std::unique_ptr<CountingHandler> handler;
};

// A default button that ends the modal run of its window.
class ClosingButton : public TestButton {
public:
    ClosingButton(afWindow* window) : TestButton(window), m_window(window) {}
    void click() override {
        TestButton::click();
        m_window->closeOk();
    }

private:
    afWindow* m_window;
};

TEST_F(KeyInvokerTest, EscapeCancelsAModalWindowAndEnterClicksItsDefaultButton) {
    for (const auto& key : {std::make_pair(VK_ESCAPE, 0x5616C572u), std::make_pair(VK_RETURN, 0x79DCDD47u)}) {
        afWindowDialog dialog;
        auto* layout = new afLayoutLinear(&dialog, afLayoutLinear::VERTICAL);
        dialog.setContentView(layout);
        dialog.build();
        auto* field = new ChildWidget(&dialog, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
        auto* button = new ClosingButton(&dialog);
        for (ChildWidget* child : {field, static_cast<ChildWidget*>(button)}) {
            child->build();
            layout->addChild(child, 100, 20);
        }
        dialog.setDefaultButton(button, false);
        ::PostMessageW(field->getHandle(), WM_KEYDOWN, key.first, 1);
        EXPECT_EQ(key.second, dialog.showModal()) << key.first;
        EXPECT_EQ(key.first == VK_RETURN ? 1 : 0, button->clicks);
    }
}

TEST_F(KeyInvokerTest, CtrlShiftZFromTheKeyboardRunsRedoOnceAndTypesNothing) {
    afAction* redo = bind(L"edit.redo", L"Ctrl+Shift+Z");
    INPUT inputs[6] = {};
    const WORD keys[] = {VK_CONTROL, VK_SHIFT, 'Z'};
    for (int i = 0; i < 6; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i < 3 ? i : 5 - i];
        inputs[i].ki.dwFlags = i < 3 ? 0 : KEYEVENTF_KEYUP;
    }
    ASSERT_EQ(6u, ::SendInput(6, inputs, sizeof(INPUT)));
    ASSERT_TRUE(pumpApp([&] {
        return std::count(editor->received.begin(), editor->received.end(),
                          std::make_pair(UINT(WM_KEYUP), WPARAM(VK_CONTROL))) > 0;
    })) << "the keys never arrived: the window has no keyboard focus";
    EXPECT_EQ((std::vector<afAction*>{redo}), handler->ran);
    EXPECT_EQ(0u, editor->count(WM_CHAR));
}

TEST_F(KeyInvokerTest, PostedKeysRunActionsSwallowTheirCharactersAndPassTheRest) {
    afAction* save = bind(L"file.save", L"Ctrl+S");
    afActionInvokerKey* invoker = afApp::getKeyInvoker();
    setKeyboard({VK_CONTROL, VK_LCONTROL});
    post({{WM_KEYDOWN, 'S'}, {WM_CHAR, 0x13}});
    EXPECT_EQ((std::vector<afAction*>{save}), handler->ran);
    EXPECT_EQ(0u, editor->count(WM_KEYDOWN) + editor->count(WM_CHAR)) << "the key and its character were consumed";
    EXPECT_TRUE(invoker->getSuppressChar());
    post({{WM_KEYDOWN, VK_CONTROL}});
    EXPECT_TRUE(invoker->getSuppressChar()) << "Ctrl alone changes nothing";
    setKeyboard({});
    post({{WM_KEYDOWN, 'Q'}, {WM_CHAR, L'q'}});
    EXPECT_FALSE(invoker->getSuppressChar());
    // The posted character follows the one translated from the key.
    EXPECT_EQ((std::vector<std::pair<UINT, WPARAM>>{
                  {WM_KEYDOWN, VK_CONTROL}, {WM_KEYDOWN, 'Q'}, {WM_CHAR, L'q'}, {WM_CHAR, L'q'}}),
              editor->received);
    EXPECT_EQ(1u, handler->ran.size());
}

TEST_F(KeyInvokerTest, ARepeatedTieKeyWhileTheChooserPumpsOpensNoSecondChooser) {
    bind(L"one", L"F5");
    bind(L"two", L"F5");
    ScriptedChooser chooser;
    chooser.script = [&](const std::vector<afActionCandidate>&) {
        post({{WM_KEYDOWN, VK_F5}});
        return ScriptedChooser::ok(0);
    };
    post({{WM_KEYDOWN, VK_F5}});
    EXPECT_EQ(1u, chooser.offered.size());
    EXPECT_EQ(1u, handler->ran.size());
    EXPECT_EQ((std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, VK_F5}}), editor->received) << "the repeat went on";
}

// The right Alt is Alt for bindings on a keyboard without AltGr (the one the tests run with): Alt
// bindings run from either key, a binding made for the right key alone ("R-Alt+X") keeps its
// key, and Ctrl with the right Alt reaches Ctrl+Alt.
TEST_F(KeyInvokerTest, EitherAltKeyRunsAltBindings) {
    ASSERT_FALSE(afKeyboardHasAltGr()) << "the tests' keyboard layout has AltGr";
    afAction* down = bind(L"caret.add.down", L"Alt+Down");
    afAction* right = bind(L"right.x", L"R-Alt+X");
    afAction* both = bind(L"both.y", L"Ctrl+Alt+Y");
    for (int alt : {VK_LMENU, VK_RMENU}) {
        setKeyboard({VK_MENU, alt});
        post({{WM_SYSKEYDOWN, VK_DOWN}});
    }
    EXPECT_EQ((std::vector<afAction*>{down, down}), handler->ran);
    setKeyboard({VK_MENU, VK_RMENU});
    post({{WM_SYSKEYDOWN, 'X'}});
    setKeyboard({VK_MENU, VK_LMENU});
    post({{WM_SYSKEYDOWN, 'X'}});
    setKeyboard({VK_MENU, VK_RMENU, VK_CONTROL, VK_LCONTROL});
    post({{WM_KEYDOWN, 'Y'}});
    EXPECT_EQ((std::vector<afAction*>{down, down, right, both}), handler->ran) << "the left Alt is no right Alt";
}

} // namespace

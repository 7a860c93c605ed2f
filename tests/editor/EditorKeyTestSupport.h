#pragma once
// The editor under the application's loop: keys posted to it with modifiers held through the
// keyboard state, the caret placed and read back through the controller's selection.

#include "EditorTestSupport.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "service/document/controller/Selection.h"
#include "service/parser/spans/SpanManager.h"

namespace tessel_test {

inline void setKeyboardKeys(const std::vector<int>& down) {
    BYTE keys[256] = {};
    for (int key : down)
        keys[key] = 0x80;
    // The framework reads Alt from the left or right key.
    keys[VK_LMENU] = keys[VK_MENU];
    ::SetKeyboardState(keys);
}

class EditorKeyTest : public EditorFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
        // A controller whose spans are real, as the editing commands expect.
        controllers->setSpanManagerFactory([](tessel::DocumentController& owner) {
            return std::unique_ptr<tessel::ISpanManager>(new tessel::SpanManager(owner));
        });
        controller = controllers->createController(*document);
        setKeyboardKeys({});
        EditorFixture::SetUp();
        ::SetForegroundWindow(window->getHandle());
        ::SetFocus(editor->getHandle());
    }
    void TearDown() override {
        EditorFixture::TearDown();
        setKeyboardKeys({});
        afApp::shutdown();
    }
    // Posts one key with the modifiers held and runs the loop until the editor handled it.
    void press(int key, const std::vector<int>& modifiers = {}) {
        setKeyboardKeys(modifiers);
        // With Alt held the system sends the keys as system keys.
        const bool alt = std::find(modifiers.begin(), modifiers.end(), VK_MENU) != modifiers.end();
        ::PostMessageW(editor->getHandle(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? 0x20000001 : 1);
        ::PostMessageW(editor->getHandle(), alt ? WM_SYSKEYUP : WM_KEYUP, key, alt ? 0xE0000001 : 0xC0000001);
        ASSERT_TRUE(pumpApp([&] {
            MSG msg;
            return !::PeekMessageW(&msg, editor->getHandle(), 0, 0, PM_NOREMOVE);
        })) << "the key was not handled";
        setKeyboardKeys({});
    }
    // Types characters as a keyboard does: each WM_CHAR after a key-down (one bound to nothing,
    // which makes no character of its own), so it is not taken for a consumed key's character.
    void typeKeys(const std::wstring& characters) {
        for (wchar_t c : characters) {
            ::PostMessageW(editor->getHandle(), WM_KEYDOWN, VK_F24, 1);
            ::PostMessageW(editor->getHandle(), WM_CHAR, c, 1);
        }
        ASSERT_TRUE(pumpApp([&] {
            MSG msg;
            return !::PeekMessageW(&msg, editor->getHandle(), 0, 0, PM_NOREMOVE);
        })) << "the characters were not handled";
    }
    void place(int32_t line, int32_t offset) {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        controller->getSelection().set(tessel::TextPosition(line, offset), tessel::TextPosition(line, offset), tessel::CARET_ANCHOR,
                                       tessel::selection_ids::CARET);
    }
    tessel::TextPosition caret() const { return controller->getSelection().getCaret(); }
    tessel::TextPosition anchor() const { return controller->getSelection().getAnchor(); }
    std::wstring text() const {
        std::wstring all;
        controller->getText(&all);
        return all;
    }
};

} // namespace tessel_test

#pragma once
// The editor under the application's loop: keys posted to it with modifiers held through the
// keyboard state, the caret placed and read back through the controller's selection.

#include "EditorTestSupport.h"
#include "afw/afActionRegistry.h"
#include "afw/afApp.h"
#include "service/document/controller/Selection.h"

namespace tessel_test {

inline void setKeyboardKeys(std::initializer_list<int> down) {
    BYTE keys[256] = {};
    for (int key : down)
        keys[key] = 0x80;
    ::SetKeyboardState(keys);
}

class EditorKeyTest : public EditorFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
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
    void press(int key, std::initializer_list<int> modifiers = {}) {
        setKeyboardKeys(modifiers);
        ::PostMessageW(editor->getHandle(), WM_KEYDOWN, key, 1);
        ::PostMessageW(editor->getHandle(), WM_KEYUP, key, 0xC0000001);
        ASSERT_TRUE(pumpApp([&] {
            MSG msg;
            return !::PeekMessageW(&msg, editor->getHandle(), 0, 0, PM_NOREMOVE);
        })) << "the key was not handled";
        setKeyboardKeys({});
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

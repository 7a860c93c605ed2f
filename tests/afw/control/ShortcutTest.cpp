#include "afw/control/afControlShortcut.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

constexpr uint32_t CTRL = afKeyEvent::CTRL, SHIFT = afKeyEvent::SHIFT;

afKeyEvent key(uint32_t combination) {
    afKeyEvent event;
    event.combination = combination;
    return event;
}

void countChange(void* count, afControlShortcut*) {
    ++*static_cast<int*>(count);
}

class ShortcutTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = openWindow(afRect(0, 0, 300, 100));
        field = afControlShortcut::createInstance(window.get());
        field->addListener(afControlShortcut::Listener::fromFunction(&changes, &countChange));
    }
    // Key down and up, as built events.
    bool down(uint32_t combination) {
        afKeyEvent event = key(combination);
        return field->onKeyDown(event);
    }
    bool up(uint32_t combination) {
        afKeyEvent event = key(combination);
        return field->onKeyUp(event);
    }
    void capture() {
        field->setState(afControlShortcut::STATE_FOCUSED);
        EXPECT_TRUE(down(VK_RETURN)) << "Enter arms the capture";
        EXPECT_EQ(afControlShortcut::STATE_CAPTURING, field->getState());
    }

    std::unique_ptr<afTestWindow> window;
    afControlShortcut* field = nullptr;
    int changes = 0;
};

TEST_F(ShortcutTest, CtrlAloneIsShownAndClearedWhenTheFocusGoes) {
    field->commitKey('K' | CTRL);
    ASSERT_EQ(1, changes);
    capture();
    EXPECT_TRUE(down(VK_CONTROL | CTRL));
    EXPECT_EQ(afFormatKeyCombination(VK_CONTROL | CTRL), field->getKeyText());
    EXPECT_EQ(afControlShortcut::STATE_CAPTURING, field->getState()) << "an incomplete key goes on capturing";
    EXPECT_TRUE(up(VK_CONTROL)) << "releasing a modifier shows what is held";
    EXPECT_EQ(uint32_t(VK_CONTROL), field->getShownKey());
    field->onFocusLost();
    EXPECT_EQ(0u, field->getCommittedKey());
    EXPECT_EQ(afControlShortcut::STATE_IDLE, field->getState());
    EXPECT_EQ(2, changes);
}

TEST_F(ShortcutTest, ACompleteKeyIsCommittedOnce) {
    for (int round = 0; round < 2; ++round) {
        capture();
        EXPECT_TRUE(down('K' | CTRL | SHIFT));
        EXPECT_EQ('K' | CTRL | SHIFT, field->getCommittedKey());
        EXPECT_EQ(afFormatKeyCombination('K' | CTRL | SHIFT), field->getKeyText());
        EXPECT_EQ(afControlShortcut::STATE_FOCUSED, field->getState());
        EXPECT_FALSE(field->isArmed());
    }
    EXPECT_EQ(1, changes) << "the same key again tells nobody";
    EXPECT_FALSE(down('X')) << "without capture keys pass";
}

TEST_F(ShortcutTest, EscapeRestoresAndBackspaceClears) {
    field->commitKey('A' | CTRL);
    capture();
    down(VK_SHIFT | SHIFT);
    EXPECT_TRUE(down(VK_ESCAPE));
    EXPECT_EQ('A' | CTRL, field->getShownKey());
    EXPECT_EQ(afControlShortcut::STATE_FOCUSED, field->getState());

    capture();
    EXPECT_TRUE(down(VK_BACK | CTRL));
    EXPECT_EQ(VK_BACK | CTRL, field->getCommittedKey()) << "with Ctrl held Backspace is a key";
    capture();
    EXPECT_TRUE(down(VK_BACK));
    EXPECT_EQ(0u, field->getCommittedKey());
    EXPECT_EQ(L"", field->getKeyText());
    EXPECT_EQ(3, changes);
}

} // namespace

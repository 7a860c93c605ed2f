#include "components/StringDialog.h"

#include "afw/control/afControlEdit.h"
#include "afw/support/TestViews.h"
#include "afw/window/afWindow.h"
#include "components/OwnerWindowTest.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tessel_test;

namespace {

class StringDialogTest : public OwnerWindowTest {
protected:
    void SetUp() override {
        OwnerWindowTest::SetUp();
        dialog.reset(StringDialog::create(&owner));
        dialog->setLabel(L"Line number: (1 - 40)");
        dialog->setTitle(L"Go to line");
        dialog->setText(L"12");
    }
    void releaseDialog() override { dialog.reset(); }
    void type(const wchar_t* text) {
        for (; *text; ++text)
            ::PostMessageW(dialog->getEdit()->getHandle(), WM_CHAR, *text, 1);
    }
    void press(UINT key) { ::PostMessageW(dialog->getEdit()->getHandle(), WM_KEYDOWN, key, 1); }

    std::unique_ptr<StringDialog> dialog;
};

TEST_F(StringDialogTest, TypingAndEnterConfirmTheText) {
    EXPECT_EQ(L"Line number: (1 - 40)", dialog->getLabel());
    EXPECT_EQ(L"Go to line", dialog->getTitle());
    type(L"42");
    press(VK_RETURN);
    EXPECT_EQ(afWindow::RESULT_OK, dialog->showModal());
    EXPECT_EQ(L"42", dialog->getInputText()) << "typing replaced the selected text";
}

// Escape, and a dialog destroyed from outside (its loop must end): cancelled, the owner disabled
// while it ran and enabled again, the typed text kept.
TEST_F(StringDialogTest, EscapeOrDestructionFromOutsideCancel) {
    for (bool destroy : {false, true}) {
        dialog.reset(StringDialog::create(&owner));
        bool ownerDisabled = false;
        Recording<afTestWindow> probe;
        probe.build();
        probe.onMessage = [&](UINT) {
            ownerDisabled = !::IsWindowEnabled(owner.getHandle());
            if (destroy)
                ::DestroyWindow(dialog->getHandle());
        };
        ::SendMessageW(dialog->getEdit()->getHandle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"7"));
        ::PostMessageW(probe.getHandle(), WM_USER + 1, 0, 0);
        if (!destroy)
            press(VK_ESCAPE);
        EXPECT_EQ(afWindow::RESULT_CANCEL, dialog->showModal()) << destroy;
        EXPECT_TRUE(ownerDisabled) << destroy;
        EXPECT_TRUE(::IsWindowEnabled(owner.getHandle())) << destroy;
        EXPECT_EQ(L"7", dialog->getInputText()) << destroy;
        ::DestroyWindow(probe.getHandle());
    }
}

} // namespace

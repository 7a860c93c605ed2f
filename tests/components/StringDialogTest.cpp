#include "components/StringDialog.h"

#include "afw/afWindow.h"
#include "afw/control/afControlEdit.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tessel_test;

namespace {

class StringDialogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
        owner.build();
        owner.show();
        dialog.reset(StringDialog::create(&owner));
        dialog->setLabel(L"Line number: (1 - 40)");
        dialog->setTitle(L"Go to line");
        dialog->setText(L"12");
    }
    void TearDown() override {
        dialog.reset();
        owner.closeNow();
        afApp::shutdown();
    }
    void type(const wchar_t* text) {
        for (; *text; ++text)
            ::PostMessageW(dialog->getEdit()->getHandle(), WM_CHAR, *text, 1);
    }
    void press(UINT key) { ::PostMessageW(dialog->getEdit()->getHandle(), WM_KEYDOWN, key, 1); }

    afWindow owner;
    std::unique_ptr<StringDialog> dialog;
};

TEST_F(StringDialogTest, TheSettersReadBackAndTheTextStartsSelected) {
    EXPECT_EQ(L"Line number: (1 - 40)", dialog->getLabel());
    EXPECT_EQ(L"Go to line", dialog->getTitle());
    EXPECT_EQ(L"12", dialog->getInputText());
    int start = -1, end = -1;
    dialog->getEdit()->getSelection(start, end);
    EXPECT_EQ(0, start);
    EXPECT_EQ(2, end);
    dialog->closeNow();
}

TEST_F(StringDialogTest, TypingAndEnterConfirmTheText) {
    type(L"42");
    press(VK_RETURN);
    EXPECT_EQ(afWindow::RESULT_OK, dialog->showModal());
    EXPECT_EQ(0x79DCDD47u, afWindow::RESULT_OK);
    EXPECT_EQ(L"42", dialog->getInputText()) << "typing replaced the selected text";
}

TEST_F(StringDialogTest, EscapeCancelsAndEnablesTheOwnerAgain) {
    bool disabledWhileRunning = false;
    Recording<afTestWindow> probe;
    probe.build();
    probe.onMessage = [&](UINT) { disabledWhileRunning = !::IsWindowEnabled(owner.getHandle()); };
    ::PostMessageW(probe.getHandle(), WM_USER + 1, 0, 0);
    press(VK_ESCAPE);
    EXPECT_EQ(afWindow::RESULT_CANCEL, dialog->showModal());
    EXPECT_TRUE(disabledWhileRunning);
    EXPECT_TRUE(::IsWindowEnabled(owner.getHandle()));
    ::DestroyWindow(probe.getHandle());
}

TEST_F(StringDialogTest, ADialogDestroyedFromOutsideEndsItsLoop) {
    Recording<afTestWindow> probe;
    probe.build();
    probe.onMessage = [&](UINT) { ::DestroyWindow(dialog->getHandle()); };
    type(L"7");
    ::PostMessageW(probe.getHandle(), WM_USER + 1, 0, 0);
    EXPECT_EQ(afWindow::RESULT_CANCEL, dialog->showModal());
    EXPECT_EQ(nullptr, dialog->getHandle());
    EXPECT_TRUE(::IsWindowEnabled(owner.getHandle()));
    EXPECT_EQ(L"7", dialog->getInputText());
    ::DestroyWindow(probe.getHandle());
}

} // namespace

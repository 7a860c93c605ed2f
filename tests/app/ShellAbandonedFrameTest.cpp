// A fault the system swallows under a question abandons the frames of the code that asked, with
// the program's counts they kept: the main loop gives those back as it waits, so that a later
// close and the end of the session are asked again, and another program's change is asked about
// again, rather than each being refused for good.

#include "AbandonedFrames.h"
#include "ShellFixture.h"

#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"

#include <string>

using namespace tessel;

namespace {

class ShellAbandonedFrameTest : public tessel_test::ShellFixture {
protected:
    // A question answered by a fault.
    void faultOnQuestions() {
        answerWith([](const std::wstring&) -> uint32_t { tessel_test::raiseFault(); });
    }
};

// "Save changes" of a tab's close ends in a fault: the tab's close, the end of the session and
// the window's close are asked again afterwards, and go ahead.
TEST_F(ShellAbandonedFrameTest, AClosingQuestionAFaultAbandonedHoldsNoLaterClose) {
    ASSERT_TRUE(startWithFile(L"a.txt", "a"));
    type(L"1");
    faultOnQuestions();
    bool returned = false;
    tessel_test::underTheSystemsGuard([&] {
        window->closeTab(*window->getActivePage());
        returned = true;
    });
    ASSERT_FALSE(returned) << "the fault did not end the callback";
    ASSERT_EQ(1u, questions.size());
    const std::wstring told = tessel_test::settled();
    EXPECT_NE(std::wstring::npos, told.find(L"MainWindow's closing questions")) << narrow(told);

    answerWith([](const std::wstring&) { return MainWindow::RESULT_DONT_SAVE; });
    EXPECT_EQ(TRUE, ::SendMessageW(window->getHandle(), WM_QUERYENDSESSION, 0, 0)) << "the session's end refused";
    ::SendMessageW(window->getHandle(), WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(window->canClose()) << "the close held";
    EXPECT_EQ(3u, questions.size());
}

// Another program's change, asked about as the tab saves, ends in a fault: the change is asked
// about again from the main loop, and once kept the tab saves.
TEST_F(ShellAbandonedFrameTest, AFileQuestionAFaultAbandonedLeavesTheNextOneAsked) {
    ASSERT_TRUE(startWithFile(L"c.txt", "c"));
    MainWindow::Page* page = window->getActivePage();
    type(L"1");
    faultOnQuestions();
    bool returned = false;
    tessel_test::underTheSystemsGuard([&] {
        page->controller->getDocument().notifyFileChanged(DocumentFileChange{FILE_CHANGE_MODIFIED});
        window->save(*page);
        returned = true;
    });
    ASSERT_FALSE(returned) << "the fault did not end the callback";
    ASSERT_EQ(1u, questions.size());
    const std::wstring told = tessel_test::settled();
    EXPECT_NE(std::wstring::npos, told.find(L"FileQuestions' questions")) << narrow(told);

    answerWith([](const std::wstring&) { return MainWindow::RESULT_KEEP; });
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() == 2; })) << "the change was never asked again";
    // About the same change: asked first as the save began, then on its own.
    EXPECT_EQ(questions[0].substr(0, questions[0].find(L"Reload")), questions[1].substr(0, questions[1].find(L"Reload")));
    EXPECT_TRUE(window->save(*page));
    EXPECT_EQ("1c", base.read(L"files\\c.txt"));
}

} // namespace

// The shell's paths where a user's work could be lost: another program's change to an edited
// file (and one more while it is asked about, and one inside the wait of a save of the file),
// the end of the Windows session (and while a closing question is open), Save As onto a file
// another tab holds, and a second start's hand-over while the window closes.

#include "ShellFixture.h"

#include "editor/Editor.h"

#include "afw/core/afInstanceControl.h"
#include "pel/files/WatchedObject.h"
#include "pel/text/TextDecoding.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/DocumentWatch.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/Selection.h"
#include "support/WaitThen.h"

#include <thread>

using namespace tessel;

namespace {

using ShellWorkKeptTest = tessel_test::ShellFixture;

TEST_F(ShellWorkKeptTest, AnOutsideChangeToAnEditedTabSaysWhatReloadLosesAndKeepIsTheDefault) {
    base.write(L"files\\e.txt", "old");
    ASSERT_TRUE(start(L"\"" + file(L"e.txt") + L"\""));
    DocumentController& controller = *window->getActivePage()->controller;
    type(L"xy");
    ASSERT_TRUE(controller.isModified());
    answers.push_back(MainWindow::RESULT_KEEP);
    base.write(L"files\\e.txt", "changed outside");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !questions.empty(); })) << "the change was never asked about";
    EXPECT_EQ(L"`" + file(L"e.txt") + L"` was changed by another program. Reload it? Its unsaved changes here would "
                                       L"be lost.",
              questions[0]);
    EXPECT_EQ(MainWindow::RESULT_KEEP, defaults[0]) << "Enter keeps the edits";
    // Kept: the text, the modified flag and every undo step are as they were.
    tessel_test::dispatchPending();
    EXPECT_EQ(L"xyold", activeText());
    EXPECT_TRUE(controller.isModified());
    EXPECT_EQ(L"e.txt * - Tessel", window->getTitleText());
    EXPECT_FALSE(controller.isModifiedOnDisk());
    // One save by another program may come as several notices: the same file is asked about once.
    controller.getDocument().noteFile(FILE_CHANGE_MODIFIED, DocumentWatch::stampOf(file(L"e.txt")), false);
    tessel_test::dispatchPending();
    EXPECT_FALSE(controller.isModifiedOnDisk());
    EXPECT_EQ(1u, questions.size());
    ASSERT_TRUE(controller.undo());
    EXPECT_EQ(L"old", activeText()) << "one typing step";
    EXPECT_FALSE(controller.isModified());
    EXPECT_EQ(1u, questions.size());
}

TEST_F(ShellWorkKeptTest, ASaveTheEncodingCannotHoldSaysWhereAnotherEncodingIsChosen) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "needs code page 1252, this system uses " << ::GetACP();
    base.write(L"files\\latin.txt", "caf\xE9 ok");
    ASSERT_TRUE(start(L"\"" + file(L"latin.txt") + L"\""));
    type(L"\u03A9");
    answers.push_back(afWindow::RESULT_OK);
    EXPECT_FALSE(window->save(*window->getActivePage()));
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(0u, questions[0].find(L"Cannot save `" + file(L"latin.txt") + L"`: ")) << narrow(questions[0]);
    const std::wstring where = L"Click the encoding in the status bar to choose another.";
    EXPECT_EQ(questions[0].size() - where.size(), questions[0].rfind(where)) << narrow(questions[0]);
    EXPECT_EQ("caf\xE9 ok", base.read(L"files\\latin.txt"));
    EXPECT_TRUE(window->getActivePage()->controller->isModified());
    // A failure of another kind names no encoding.
    base.write(L"files\\other.txt", "x");
    ASSERT_TRUE(window->openFile(file(L"other.txt")));
    type(L"y");
    ::SetFileAttributesW(file(L"other.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    answers.push_back(afWindow::RESULT_OK);
    EXPECT_FALSE(window->save(*window->getActivePage()));
    ::SetFileAttributesW(file(L"other.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(2u, questions.size());
    EXPECT_EQ(std::wstring::npos, questions[1].find(where)) << narrow(questions[1]);
}

// A save refused for a character names it, says where it stands (its line, and its character on
// the line as the caret counts them: an emoji is one) and what the user can do: half of a pair,
// which no encoding but UTF-16 stores, can be kept by UTF-16; never the encoding that failed.
TEST_F(ShellWorkKeptTest, ASaveRefusedForACharacterSaysWhichAndWhereAndWhatToDo) {
    base.write(L"files\\lone.txt", "emoji \xF0\x9F\x98\x80 end\r\n\xF0\x9F\x98\x80x");
    ASSERT_TRUE(start(L"\"" + file(L"lone.txt") + L"\""));
    MainWindow::Page& page = *window->getActivePage();
    ASSERT_EQ(pel::ENCODING_UTF8_PLAIN, page.controller->getFormat().encoding);
    {
        DocumentController::Lock edit(*page.controller, DocumentController::LOCK_EDIT);
        page.controller->getSelection().setOffsets(15, 15, selection_ids::NORMAL);
        page.controller->insertString(L"\xD83D");
    }
    answers.push_back(afWindow::RESULT_OK);
    EXPECT_FALSE(window->save(page));
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"Cannot save `" + file(L"lone.txt") + L"`: The document cannot be saved to '" + file(L"lone.txt") +
                  L"' in UTF-8 Plain: it holds half of a character, the unpaired surrogate U+D83D at line 2, "
                  L"character 2, which no encoding but UTF-16 stores (UTF-16 keeps the unit as it is). Delete it, "
                  L"or choose UTF-16. Click the encoding in the status bar to choose another.",
              questions[0]);
    page.controller->setEncoding(pel::ENCODING_UTF16LE);
    EXPECT_TRUE(window->save(page)) << "UTF-16 keeps it";
    EXPECT_EQ(std::string("\xFF\xFE" "e\0", 4), base.read(L"files\\lone.txt").substr(0, 4));

    if (::GetACP() != 1252)
        GTEST_SKIP() << "the rest needs code page 1252, this system uses " << ::GetACP();
    const struct {
        std::wstring typed;
        const wchar_t* says;
    } cases[] = {
        {L"\n\U0001F44D\U0001F3FD \u03A9",
         L"in ANSI: it holds characters that this encoding cannot store, the first of them at line 2, character 1: "
         L"\u201C\U0001F44D\u201D (U+1F44D). Choose another encoding, such as UTF-8."},
        {L"\n\u00E9\u03A9 \xDE00",
         L"in ANSI: it holds characters that this encoding cannot store, the first of them at line 2, character 2: "
         L"\u201C\u03A9\u201D (U+03A9). Choose another encoding, such as UTF-16: the text also holds half of a "
         L"character, which no other encoding stores."},
        {L"\nxe\u0301!", L"the first of them at line 2, character 2: \u201C\u0301\u201D (U+0301)."},
    };
    for (const auto& c : cases) {
        base.write(L"files\\latin.txt", "caf\xE9");
        ASSERT_TRUE(window->openFile(file(L"latin.txt")));
        MainWindow::Page& latin = *window->getActivePage();
        ASSERT_EQ(pel::ENCODING_ANSI, latin.controller->getFormat().encoding);
        {
            DocumentController::Lock edit(*latin.controller, DocumentController::LOCK_EDIT);
            latin.controller->getSelection().setOffsets(4, 4, selection_ids::NORMAL);
            latin.controller->insertString(c.typed);
        }
        questions.clear();
        answers.push_back(afWindow::RESULT_OK);
        EXPECT_FALSE(window->save(latin));
        ASSERT_EQ(1u, questions.size());
        EXPECT_NE(std::wstring::npos, questions[0].find(c.says)) << narrow(questions[0]);
        EXPECT_EQ("caf\xE9", base.read(L"files\\latin.txt"));
        latin.controller->markUnmodified();
        window->closeTab(latin);
    }
}

TEST_F(ShellWorkKeptTest, EndingTheSessionAsksAsClosingDoesThenSavesTheSettings) {
    ASSERT_TRUE(start());
    type(L"q");
    answers.push_back(afWindow::RESULT_CANCEL);
    EXPECT_EQ(FALSE, ::SendMessageW(window->getHandle(), WM_QUERYENDSESSION, 0, 0));
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"Save changes to `Untitled` before closing?", questions[0]);
    EXPECT_FALSE(window->isClosing());
    // Another program keeping the session leaves the window as it was.
    answers.push_back(MainWindow::RESULT_DONT_SAVE);
    EXPECT_EQ(TRUE, ::SendMessageW(window->getHandle(), WM_QUERYENDSESSION, 0, 0));
    ::SendMessageW(window->getHandle(), WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(window->isClosing());
    EXPECT_EQ(L"Untitled * - Tessel", window->getTitleText());

    answers.push_back(MainWindow::RESULT_DONT_SAVE);
    EXPECT_EQ(TRUE, ::SendMessageW(window->getHandle(), WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(3u, questions.size());
    const wchar_t* const names[] = {L"session", L"preferences", L"languages"};
    for (const wchar_t* name : names)
        ::DeleteFileW(settingsFile(name).c_str());
    ::SendMessageW(window->getHandle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    // What the run changed is written (the window's placement); the files it changed nothing of
    // are not.
    for (const wchar_t* name : names)
        EXPECT_EQ(name == names[0], INVALID_FILE_ATTRIBUTES != ::GetFileAttributesW(settingsFile(name).c_str()))
            << narrow(name);
    EXPECT_NE(std::string::npos, base.read(L"user\\config\\session.tsConfig").find(std::string("m\0a\0i\0n\0", 8)))
        << "the window's placement";
}

TEST_F(ShellWorkKeptTest, SaveAsOntoAFileAnotherTabHoldsClosesThatTabFirstOrSavesNothing) {
    base.write(L"files\\a.txt", "aaa");
    base.write(L"files\\b.txt", "bbb");
    ASSERT_TRUE(start(L"\"" + file(L"a.txt") + L"\""));
    ASSERT_TRUE(window->openFile(file(L"b.txt")));
    type(L"B"); // b.txt has edits of its own
    window->newDocument();
    type(L"new");
    MainWindow::Page* saving = window->getActivePage();

    // Cancel: nothing is written and every tab stays.
    paths.push_back(file(L"A.TXT")); // the same file by another spelling
    answers.push_back(afWindow::RESULT_CANCEL);
    EXPECT_FALSE(window->saveAs(*saving));
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"`" + file(L"A.TXT") + L"` is open in another tab. Close that tab and replace the file?", questions[0]);
    EXPECT_EQ(afWindow::RESULT_CANCEL, defaults[0]);
    EXPECT_EQ("aaa", base.read(L"files\\a.txt"));
    EXPECT_EQ(3u, window->getPages().size());
    EXPECT_EQ(L"Untitled * - Tessel", window->getTitleText());

    // The holder's own unsaved edits are asked about, and Cancel there saves nothing either.
    paths.push_back(file(L"b.txt"));
    answers.push_back(MainWindow::RESULT_REPLACE);
    answers.push_back(afWindow::RESULT_CANCEL);
    EXPECT_FALSE(window->saveAs(*saving));
    ASSERT_EQ(3u, questions.size());
    EXPECT_EQ(L"Save changes to `b.txt` before closing?", questions[2]);
    EXPECT_EQ("bbb", base.read(L"files\\b.txt"));
    EXPECT_EQ(3u, window->getPages().size());
    EXPECT_EQ(saving, window->getActivePage()) << "back at the tab being saved";

    // Replace with Don't Save: the holder goes, the file is the saved tab's.
    paths.push_back(file(L"b.txt"));
    answers.push_back(MainWindow::RESULT_REPLACE);
    answers.push_back(MainWindow::RESULT_DONT_SAVE);
    EXPECT_TRUE(window->saveAs(*saving));
    EXPECT_EQ("new", base.read(L"files\\b.txt"));
    ASSERT_EQ(2u, window->getPages().size());
    EXPECT_EQ(L"b.txt - Tessel", window->getTitleText());
    // An unmodified holder closes without a question of its own.
    window->activate(*saving);
    type(L"2");
    paths.push_back(file(L"a.txt"));
    answers.push_back(MainWindow::RESULT_REPLACE);
    EXPECT_TRUE(window->saveAs(*saving));
    EXPECT_EQ(6u, questions.size());
    EXPECT_EQ("new2", base.read(L"files\\a.txt"));
    EXPECT_EQ("new", base.read(L"files\\b.txt")) << "the old file stays as Save As left it";
    ASSERT_EQ(1u, window->getPages().size());
    EXPECT_EQ(L"a.txt - Tessel", window->getTitleText());
    // Onto its own file: no question.
    paths.push_back(file(L"a.txt"));
    EXPECT_TRUE(window->saveAs(*saving));
    EXPECT_EQ(6u, questions.size());
}

TEST_F(ShellWorkKeptTest, AHandOverTakenBeforeTheCloseOpensAndTheCloseStops) {
    base.write(L"files\\h.txt", "h");
    ASSERT_TRUE(start());
    EXPECT_EQ(1, handOver(file(L"h.txt")));
    EXPECT_FALSE(window->canClose());
    EXPECT_EQ(0u, window->getPendingCommandCount());
    EXPECT_EQ(L"h.txt - Tessel", window->getTitleText());
    EXPECT_FALSE(window->isClosing());
    EXPECT_TRUE(window->canClose());
    EXPECT_TRUE(questions.empty());
    // Once the close has been agreed, a later one is refused: the second start tries again.
    EXPECT_EQ(0, handOver(file(L"h.txt")));
    EXPECT_EQ(0u, window->getPendingCommandCount());
}

TEST_F(ShellWorkKeptTest, AHandOverDuringTheClosingQuestionsIsRefusedUntilTheCloseIsCancelled) {
    base.write(L"files\\h.txt", "h");
    ASSERT_TRUE(start());
    type(L"q");
    std::vector<LRESULT> answered;
    uint32_t answer = afWindow::RESULT_CANCEL;
    answerWith([&](const std::wstring&) {
        answered.push_back(handOver(file(L"h.txt")));
        return answer;
    });
    EXPECT_FALSE(window->canClose());
    // Told at once that this one is closing: the second start says so rather than waiting.
    EXPECT_EQ(std::vector<LRESULT>{afInstanceControl::ANSWER_CLOSING}, answered);
    EXPECT_EQ(0u, window->getPendingCommandCount());
    // Cancelled: the retry is taken and opens.
    EXPECT_EQ(1, handOver(file(L"h.txt")));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return window->getPendingCommandCount() == 0; }));
    EXPECT_EQ(L"h.txt - Tessel", window->getTitleText());
    EXPECT_EQ(2u, window->getPages().size());

    answer = MainWindow::RESULT_DONT_SAVE;
    EXPECT_TRUE(window->canClose());
    EXPECT_EQ((std::vector<LRESULT>{afInstanceControl::ANSWER_CLOSING, afInstanceControl::ANSWER_CLOSING}), answered);
    // Once the questions are answered the close goes on: refused, the second start tries again
    // and starts as the first once this one has gone.
    EXPECT_EQ(0, handOver(file(L"h.txt")));
    EXPECT_EQ(0u, window->getPendingCommandCount());
}

// A write that lands while the outside-change question is open is asked about after "Keep",
// never taken as answered; after "Reload" the reload reads it and there is nothing more to ask.
TEST_F(ShellWorkKeptTest, AFileWrittenAgainWhileItsChangeIsAskedAboutIsNeverTakenAsAnswered) {
    base.write(L"files\\e.txt", "old");
    ASSERT_TRUE(start(L"\"" + file(L"e.txt") + L"\""));
    DocumentController& controller = *window->getActivePage()->controller;
    type(L"xy");
    // Once the watcher has told the file's last write: later notices find it answered.
    const FileRecord& record = controller.getDocument().getFileRecord();
    const auto allTold = [&] {
        return tessel_test::pumpUntil([&] { return record.seen().stamp == DocumentWatch::stampOf(file(L"e.txt")); });
    };
    uint32_t answer = MainWindow::RESULT_KEEP;
    std::string again;
    answerWith([&](const std::wstring&) {
        if (!again.empty())
            base.writeOutside(L"files\\e.txt", again);
        again.clear();
        return answer;
    });
    again = "changed again outside";
    base.writeOutside(L"files\\e.txt", "changed outside");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() >= 2; }))
        << "the write made while the question was open was never asked about";
    EXPECT_TRUE(allTold());
    EXPECT_EQ(2u, questions.size());
    EXPECT_EQ(L"xyold", activeText());
    EXPECT_FALSE(controller.isModifiedOnDisk());

    answer = MainWindow::RESULT_RELOAD;
    again = "the newest text";
    base.writeOutside(L"files\\e.txt", "third");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return activeText() == L"the newest text"; }))
        << "the reload did not read the file as it was after the question";
    EXPECT_TRUE(allTold());
    EXPECT_EQ(3u, questions.size());
    EXPECT_FALSE(controller.isModifiedOnDisk());
}

// Another program's write after a save's own write, inside the save's wait (as while a question
// is open there), leaves the tab changed on disk rather than in sync: shown again, it asks.
TEST_F(ShellWorkKeptTest, AWriteByAnotherProgramInsideTheWaitOfASaveIsAskedAboutWhenTheTabIsShown) {
    base.write(L"files\\e.txt", "old");
    ASSERT_TRUE(start(L"\"" + file(L"e.txt") + L"\""));
    MainWindow::Page* const page = window->getActivePage();
    type(L"mine ");
    window->newDocument(); // the question about a tab in the background waits until it is shown
    DocumentManager& documents = app->getControllers()->getDocumentManager();
    tessel_test::WaitThen afterTheWrite([&] {
        std::thread program([&] { base.write(L"files\\e.txt", "written by another program"); });
        program.join();
    });
    documents.setIOWait(&afterTheWrite);
    const bool saved = window->save(*page);
    documents.setIOWait(nullptr);
    EXPECT_TRUE(saved);
    EXPECT_FALSE(page->controller->isModified());
    ASSERT_TRUE(page->controller->isModifiedOnDisk()) << "the other program's file was taken for the saved text";
    EXPECT_TRUE(questions.empty());
    answers.push_back(MainWindow::RESULT_RELOAD);
    window->activate(*page);
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return activeText() == L"written by another program"; }))
        << narrow(activeText());
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"`" + file(L"e.txt") + L"` was changed by another program. Reload it?", questions[0]);
}

// Closing questions never nest: the end of the session while one is open is refused without
// asking again, and another program keeping the session leaves the close going, so that a
// hand-over is still refused rather than taken and lost with the window.
TEST_F(ShellWorkKeptTest, TheSessionsEndWhileAClosingQuestionIsOpenNeitherAsksAgainNorEndsTheClose) {
    base.write(L"files\\a.txt", "a");
    base.write(L"files\\b.txt", "b");
    base.write(L"files\\h.txt", "h");
    ASSERT_TRUE(start(L"\"" + file(L"a.txt") + L"\""));
    type(L"1");
    ASSERT_TRUE(window->openFile(file(L"b.txt")));
    type(L"2");
    LRESULT ended = -1, handedOver = -1;
    bool closingAfter = false;
    answerWith([&](const std::wstring&) {
        if (questions.size() == 1) {
            ended = ::SendMessageW(window->getHandle(), WM_QUERYENDSESSION, 0, 0);
            ::SendMessageW(window->getHandle(), WM_ENDSESSION, FALSE, 0);
            closingAfter = window->isClosing();
        } else if (questions.size() == 2) {
            handedOver = handOver(file(L"h.txt"));
        }
        return MainWindow::RESULT_DONT_SAVE;
    });
    EXPECT_TRUE(window->canClose());
    EXPECT_EQ(FALSE, ended);
    EXPECT_TRUE(closingAfter);
    EXPECT_EQ(afInstanceControl::ANSWER_CLOSING, handedOver) << "a hand-over taken now would be lost with the window";
    EXPECT_EQ(0u, window->getPendingCommandCount());
    ASSERT_EQ(2u, questions.size());
    EXPECT_EQ(L"Save changes to `a.txt` before closing?", questions[0]);
    EXPECT_EQ(L"Save changes to `b.txt` before closing?", questions[1]);
}

} // namespace

// Questions whose answers close the very tab the code under them goes on with: another program's
// change told by the document's notification or met by the tab switch of a close, a Save As
// chain that closes the tab being saved, and a close asked for under the closing questions. The
// objects of the shell are trapped: one touched after it was freed faults at once.

#include "ShellFixture.h"

#include "app/Tabs.h"

#include "afw/view/afViewEvents.h"
#include "pel/base/FreedAccessTrap.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentControllerManager.h"

using namespace tessel;

namespace {

class ShellQuestionLoopTest : public tessel_test::ShellFixture {
protected:
    // The tab's page, controller and document, to be looked at once they may be freed. (Its slot
    // goes with the dock at once, and is trapped as well.)
    struct Parts {
        const void* page;
        const void* controller;
        const void* document;
    };
    static Parts partsOf(const MainWindow::Page& page) {
        return {&page, page.controller, &page.controller->getDocument()};
    }
    // Whether every part was freed, or (freed false) none.
    static bool freed(const Parts& parts, bool freed) {
        for (const void* part : {parts.page, parts.controller, parts.document})
            if (pel::FreedAccessTrap::isFreed(part) != freed)
                return false;
        return true;
    }

    // Each question is answered by `answer`, which may act first; a question asked while another
    // is open fails the test.
    void answerWith(std::function<uint32_t(const std::wstring&)> answer) {
        setQuestionHook([this, answer](const std::wstring& text, const std::vector<QuestionButton>&) {
            EXPECT_EQ(0, open) << "asked under another question: " << narrow(text);
            ++open;
            questions.push_back(text);
            const uint32_t given = answer(text);
            --open;
            return given;
        });
    }
    std::wstring changed(const wchar_t* name) const {
        return L"`" + file(name) + L"` was changed by another program. Reload it?";
    }
    std::wstring openElsewhere(const wchar_t* name) const {
        return L"`" + file(name) + L"` is open in another tab. Close that tab and replace the file?";
    }
    // The main loop's turn: what was posted for it has run, the closed tabs are freed.
    bool loopRan() {
        return tessel_test::pumpUntil([&] { return window->getClosedPageCount() == 0; });
    }
    // Once the main loop has run: d.txt's change was asked about once, the tabs that closed are
    // freed, and a new "Untitled" is left.
    void expectChangeAskedAndFreed(std::initializer_list<Parts> closed) {
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return !questions.empty(); })) << "never asked";
        ASSERT_TRUE(loopRan());
        EXPECT_EQ(std::vector<std::wstring>{changed(L"d.txt")}, questions);
        for (const Parts& parts : closed)
            EXPECT_TRUE(freed(parts, true));
        EXPECT_EQ(1u, window->getPages().size());
        EXPECT_EQ(L"Untitled - Tessel", window->getTitleText());
    }

    int open = 0;
};

// The change comes as the document tells its listeners; the question comes once that is over,
// and its answer closes the tab (as the end of the session, answered with a Save As onto the
// file, would).
TEST_F(ShellQuestionLoopTest, AChangeToldByTheDocumentIsAskedOnceItsNotificationIsOver) {
    base.write(L"files\\d.txt", "d");
    ASSERT_TRUE(start(L"\"" + file(L"d.txt") + L"\""));
    MainWindow::Page* page = window->getActivePage();
    const Parts parts = partsOf(*page);
    Document& document = page->controller->getDocument();
    answerWith([&](const std::wstring&) {
        EXPECT_TRUE(window->closeTab(*page));
        return MainWindow::RESULT_KEEP;
    });
    document.notifyFileChanged(DocumentFileChange{FILE_CHANGE_MODIFIED});
    EXPECT_TRUE(questions.empty()) << "asked inside the notification";
    expectChangeAskedAndFreed({parts});
}

// Closing the active tab activates the one whose file another program changed meanwhile: its
// question comes once the close is over, and closing that tab too leaves the window whole.
TEST_F(ShellQuestionLoopTest, AChangeMetByTheTabSwitchOfAClosingTabIsAskedOnceTheCloseIsOver) {
    base.write(L"files\\d.txt", "d");
    base.write(L"files\\b.txt", "b");
    ASSERT_TRUE(start(L"\"" + file(L"d.txt") + L"\""));
    MainWindow::Page* d = window->getActivePage();
    ASSERT_TRUE(window->openFile(file(L"b.txt")));
    MainWindow::Page* b = window->getActivePage();
    const Parts dParts = partsOf(*d), bParts = partsOf(*b);
    // Told while the tab is in the background: nothing is asked yet.
    d->controller->getDocument().notifyFileChanged(DocumentFileChange{FILE_CHANGE_MODIFIED});
    ASSERT_TRUE(loopRan());
    EXPECT_TRUE(questions.empty());
    answerWith([&](const std::wstring&) {
        EXPECT_EQ(d, window->getActivePage());
        EXPECT_TRUE(window->closeTab(*d));
        return MainWindow::RESULT_RELOAD;
    });
    ASSERT_TRUE(window->closeTab(*b));
    EXPECT_TRUE(questions.empty()) << "asked inside the tab switch";
    EXPECT_TRUE(freed(bParts, false)) << "freed under the code that closed it";
    EXPECT_EQ(nullptr, app->getControllers()->getDocumentManager().findDocument(file(L"b.txt").c_str()));
    expectChangeAskedAndFreed({dParts, bParts});
}

// Save As of A onto B's file asks to close B; B, read-only and deleted on disk (so modified, its
// deletion told before its "Save changes"), is saved through its own Save As onto A's file, which
// closes A, the tab being saved: each step gives up on a tab that went, and B's text ends in A's
// file.
TEST_F(ShellQuestionLoopTest, ASaveAsWhoseQuestionsCloseTheTabBeingSavedGivesUpOnIt) {
    base.write(L"files\\a.txt", "aaa");
    base.write(L"files\\b.txt", "bbb");
    ASSERT_TRUE(start(L"\"" + file(L"a.txt") + L"\""));
    MainWindow::Page* a = window->getActivePage();
    ASSERT_TRUE(window->openFile(file(L"b.txt"), true));
    MainWindow::Page* b = window->getActivePage();
    const Parts aParts = partsOf(*a), bParts = partsOf(*b);
    window->activate(*a);
    ASSERT_TRUE(::DeleteFileW(file(L"b.txt").c_str()));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return b->controller->isUnsaved(); })) << "the deletion never came";
    ASSERT_FALSE(a->controller->isModified());
    paths = {file(L"b.txt"), file(L"a.txt")};
    answerWith([](const std::wstring& text) {
        if (text.find(L"is open in another tab") != std::wstring::npos)
            return MainWindow::RESULT_REPLACE;
        return text.find(L"Save changes") == 0 ? MainWindow::RESULT_SAVE : afWindow::RESULT_OK;
    });
    EXPECT_FALSE(window->saveAs(*a));
    const std::wstring deleted = L"`" + file(L"b.txt") + L"` was deleted by another program.";
    EXPECT_EQ((std::vector<std::wstring>{openElsewhere(L"b.txt"), deleted, L"Save changes to `b.txt` before closing?",
                                         openElsewhere(L"a.txt")}),
              questions);
    EXPECT_TRUE(freed(aParts, false));
    EXPECT_TRUE(freed(bParts, false));
    EXPECT_EQ("bbb", base.read(L"files\\a.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(file(L"b.txt").c_str())) << "A was never saved";
    ASSERT_EQ(1u, window->getPages().size());
    EXPECT_EQ(L"Untitled - Tessel", window->getTitleText());
    // Nothing more is asked about the tabs that went.
    ASSERT_TRUE(loopRan());
    EXPECT_TRUE(freed(aParts, true));
    EXPECT_TRUE(freed(bParts, true));
    EXPECT_EQ(4u, questions.size());
}

// A close asked for while a closing question is open (a close a wait held and posted again, taken
// by the question's loop) asks nothing under it; it comes again once the question is answered.
TEST_F(ShellQuestionLoopTest, ACloseAskedForUnderAClosingQuestionWaitsUntilItIsAnswered) {
    ASSERT_TRUE(start());
    type(L"x");
    const HWND main = window->getHandle();
    answerWith([&](const std::wstring&) {
        if (questions.size() == 1) {
            ::PostMessageW(main, WM_CLOSE, 0, 0);
            tessel_test::dispatchPending();
            return afWindow::RESULT_CANCEL;
        }
        return MainWindow::RESULT_DONT_SAVE;
    });
    EXPECT_FALSE(window->canClose());
    EXPECT_EQ(1u, questions.size());
    EXPECT_TRUE(::IsWindow(main));
    // Asked again from the loop, and answered: the window goes.
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !::IsWindow(main); })) << "the held close never came";
    EXPECT_EQ(2u, questions.size());
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// A middle click on a modified tab, and another tab's question opens before the main loop takes
// the close (its loop takes what is queued, as a message box's does): the close waits until that
// question has ended, then asks its own.
TEST_F(ShellQuestionLoopTest, AMiddleClickedTabClosesFromTheMainLoopNotUnderAnotherQuestion) {
    base.write(L"files\\a.txt", "a");
    base.write(L"files\\b.txt", "b");
    ASSERT_TRUE(start(L"\"" + file(L"a.txt") + L"\""));
    MainWindow::Page* a = window->getActivePage();
    type(L"1");
    ASSERT_TRUE(window->openFile(file(L"b.txt")));
    MainWindow::Page* b = window->getActivePage();
    type(L"2");
    afMouseEvent down, up;
    down.message.message = WM_MBUTTONDOWN;
    up.message.message = WM_MBUTTONUP;
    TabButton* button = window->getTabs()->getButton(a->slot);
    ASSERT_TRUE(button);
    button->onMouseDown(down);
    button->onMouseUp(up);
    answerWith([&](const std::wstring&) {
        tessel_test::dispatchPending();
        return afWindow::RESULT_CANCEL;
    });
    EXPECT_FALSE(window->closeTab(*b));
    EXPECT_EQ(std::vector<std::wstring>{L"Save changes to `b.txt` before closing?"}, questions);
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() == 2; })) << "the middle click's close never ran";
    EXPECT_EQ(L"Save changes to `a.txt` before closing?", questions[1]);
    EXPECT_EQ(2u, window->getPages().size());
}

} // namespace

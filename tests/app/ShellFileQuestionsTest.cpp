// Another program's change or deletion of a tab's file is asked about before anything saves or
// closes that tab, whatever the route, also when it lands under a question the route opened
// first; a tab shown only on the way (the first of two files handed over together) is asked
// about all the same; and every deletion of an open file is told, each time, and leaves its tab
// asking before it closes.

#include "ShellFixture.h"

#include "afw/core/afMainLoop.h"
#include "service/document/controller/DocumentController.h"
#include "support/MessagePump.h"

using namespace tessel;

namespace {

class ShellFileQuestionsTest : public tessel_test::ShellFixture {
protected:
    enum class Route { CLOSE_ROUND, MIDDLE_CLICK, SESSION_END };
    static constexpr Route ROUTES[] = {Route::CLOSE_ROUND, Route::MIDDLE_CLICK, Route::SESSION_END};
    static const char* nameOf(Route route) {
        return route == Route::CLOSE_ROUND ? "the close round"
                                           : route == Route::MIDDLE_CLICK ? "a middle click" : "the end of the session";
    }

    // The question about another program's change; before a save (`saving`), offering to save
    // over it.
    std::wstring changed(const wchar_t* name, bool edited, bool saving = false) const {
        return L"`" + file(name) + L"` was changed by another program." +
               (saving ? L" Reload it, or save this text over it?" : L" Reload it?") +
               (edited ? (saving ? L" A reload would lose its unsaved changes here." : L" Its unsaved changes here would be lost.")
                       : L"");
    }
    std::wstring deleted(const wchar_t* name) const {
        return L"`" + file(name) + L"` was deleted by another program.";
    }
    static std::wstring saveChanges(const wchar_t* name) {
        return L"Save changes to `" + std::wstring(name) + L"` before closing?";
    }
    // The file's bytes, "(none)" when it is not there.
    std::string onDisk(const wchar_t* name) const {
        std::string bytes;
        return base.tryRead(L"files\\" + std::wstring(name), &bytes) ? bytes : "(none)";
    }

    // Starts with the file (its bytes given) open in a tab, typed into when `typed` is given, and
    // puts a new "Untitled" in front of it: its tab.
    MainWindow::Page* openBehind(const wchar_t* name, const std::wstring& typed, const std::string& bytes = "old") {
        base.write(L"files\\" + std::wstring(name), bytes);
        if (!start(L"\"" + file(name) + L"\""))
            return nullptr;
        MainWindow::Page* page = window->getActivePage();
        type(typed);
        window->newDocument();
        return page;
    }
    void closeBy(Route route, MainWindow::Page& page) {
        switch (route) {
        case Route::CLOSE_ROUND:
            EXPECT_TRUE(window->canClose());
            break;
        case Route::MIDDLE_CLICK: {
            const uint32_t serial = page.serial;
            window->closeSlotRequested(page.slot);
            EXPECT_EQ(nullptr, window->findPage(serial)) << "the tab stayed";
            break;
        }
        case Route::SESSION_END:
            EXPECT_EQ(TRUE, ::SendMessageW(window->getHandle(), WM_QUERYENDSESSION, 0, 0));
            break;
        }
    }
    // Each question is answered in turn from `given`; the file's bytes as each question found
    // them go to `seen`.
    void answerInTurn(const wchar_t* name, std::vector<uint32_t> given, std::vector<std::string>& seen) {
        answerWith([this, name, given, &seen](const std::wstring&) {
            seen.push_back(onDisk(name));
            return seen.size() <= given.size() ? given[seen.size() - 1] : afWindow::RESULT_CANCEL;
        });
    }
};

constexpr ShellFileQuestionsTest::Route ShellFileQuestionsTest::ROUTES[];

// Another program rewrites the file of an edited tab in the background. Closing it asks about
// the change first, the file untouched until then; Keep, then Save, writes the tab's text.
TEST_F(ShellFileQuestionsTest, AChangeToABackgroundTabIsAskedBeforeItsSaveChangesOnEveryCloseRoute) {
    for (Route route : ROUTES) {
        SCOPED_TRACE(nameOf(route));
        MainWindow::Page* bg = openBehind(L"bg.txt", L"mine ");
        ASSERT_TRUE(bg);
        base.writeOutside(L"files\\bg.txt", "written outside");
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return bg->controller->isModifiedOnDisk(); })) << "never told";
        EXPECT_TRUE(questions.empty()) << "asked about a tab in the background";
        std::vector<std::string> seen;
        answerInTurn(L"bg.txt", {MainWindow::RESULT_KEEP, MainWindow::RESULT_SAVE}, seen);
        closeBy(route, *bg);
        EXPECT_EQ((std::vector<std::wstring>{changed(L"bg.txt", true), saveChanges(L"bg.txt")}), questions);
        EXPECT_EQ((std::vector<std::string>{"written outside", "written outside"}), seen);
        EXPECT_EQ("mine old", onDisk(L"bg.txt"));
        stop();
        questions.clear();
    }
}

// Another program deletes the file of an untouched tab in the background: its text is then the
// only copy (the tab shows it unsaved), and closing it tells the deletion before "Save changes";
// Save writes the file anew.
TEST_F(ShellFileQuestionsTest, ADeletionOfABackgroundTabsFileIsToldBeforeItsSaveChangesOnEveryCloseRoute) {
    for (Route route : ROUTES) {
        SCOPED_TRACE(nameOf(route));
        MainWindow::Page* gone = openBehind(L"gone.txt", L"");
        ASSERT_TRUE(gone);
        ASSERT_TRUE(::DeleteFileW(file(L"gone.txt").c_str()));
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return gone->controller->isUnsaved(); })) << "never told";
        EXPECT_TRUE(questions.empty()) << "told about a tab in the background";
        std::vector<std::string> seen;
        answerInTurn(L"gone.txt", {afWindow::RESULT_OK, MainWindow::RESULT_SAVE}, seen);
        closeBy(route, *gone);
        EXPECT_EQ((std::vector<std::wstring>{deleted(L"gone.txt"), saveChanges(L"gone.txt")}), questions);
        EXPECT_EQ((std::vector<std::string>{"(none)", "(none)"}), seen);
        EXPECT_EQ("old", onDisk(L"gone.txt"));
        stop();
        questions.clear();
    }
}

// A write by another program that lands while a save's first question or dialog is open (Ctrl+W's
// "Save changes", Save As kept on the file's own name, Ctrl+S's "Save Anyway?"), or that a
// background tab's Ctrl+S meets untold, is asked about before the write, the other program's
// bytes still there: Keep writes the tab's text, Reload drops it unwritten.
TEST_F(ShellFileQuestionsTest, AChangeLandingUnderASavesQuestionIsAskedBeforeTheWrite) {
    enum Route { CLOSE_TAB, SAVE_AS, SAVE };
    const std::string bom = "\xEF\xBB\xBF";
    const struct {
        const char* what;
        Route route;
        std::string bytes; // the file as opened
        bool under;        // the write lands under the save's first question or dialog
        size_t asked;      // questions, the change's last
        uint32_t answer;   // to the change's question
        std::string left;  // the file at the end
    } cases[] = {
        {"Ctrl+W, Save, Keep", CLOSE_TAB, "old", true, 2, MainWindow::RESULT_KEEP, "mine old"},
        {"Save As on its own name, Keep", SAVE_AS, "old", true, 1, MainWindow::RESULT_KEEP, "mine old"},
        {"Ctrl+S, Save Anyway, Keep", SAVE, bom + "caf\xE9", true, 2, MainWindow::RESULT_KEEP,
         bom + "mine caf\xEF\xBF\xBD"},
        {"Ctrl+S in the background, Reload", SAVE, "old", false, 1, MainWindow::RESULT_RELOAD, "written outside"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindow::Page* w = openBehind(L"w.txt", L"mine ", c.bytes);
        ASSERT_TRUE(w);
        const auto writeOutside = [&] {
            base.writeOutside(L"files\\w.txt", "written outside");
            ASSERT_TRUE(tessel_test::pumpUntil([&] { return w->controller->isModifiedOnDisk(); })) << "never told";
        };
        std::vector<std::string> seen;
        answerWith([&](const std::wstring& text) {
            seen.push_back(onDisk(L"w.txt"));
            if (text == changed(L"w.txt", true, true))
                return c.answer;
            const afMainLoop::Nested question; // the question's own loop
            writeOutside();
            return MainWindow::RESULT_SAVE;
        });
        setFileDialogHook([&](bool, std::wstring& io_path, bool&) {
            const afMainLoop::Nested dialog; // the dialog's own loop
            writeOutside();
            io_path = file(L"w.txt");
            return true;
        });
        if (!c.under) {
            writeOutside();
            EXPECT_TRUE(questions.empty()) << "asked about a tab in the background";
        }
        switch (c.route) {
        case CLOSE_TAB:
            window->activate(*w);
            run(L"file.close");
            EXPECT_EQ(nullptr, window->findPage(w->serial)) << "the tab stayed";
            break;
        case SAVE_AS:
            EXPECT_TRUE(window->saveAs(*w));
            break;
        case SAVE:
            EXPECT_TRUE(window->save(*w));
            break;
        }
        ASSERT_EQ(c.asked, questions.size());
        EXPECT_EQ(changed(L"w.txt", true, true), questions.back());
        EXPECT_EQ("written outside", seen.back()) << "written over before the answer";
        EXPECT_EQ(c.left, onDisk(L"w.txt"));
        stop();
        questions.clear();
    }
}

// A second start hands over a file open in a background tab, changed by another program, and
// another file with it: the first tab comes to the front on the way and goes behind the second
// at once; its change is asked about all the same, and the second file stays in front.
TEST_F(ShellFileQuestionsTest, AChangedFileHandedOverWithAnotherIsAskedAboutOnceBothAreOpen) {
    MainWindow::Page* a = openBehind(L"a.txt", L"");
    ASSERT_TRUE(a);
    base.write(L"files\\c.txt", "c");
    base.writeOutside(L"files\\a.txt", "written outside");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return a->controller->isModifiedOnDisk(); })) << "never told";
    answers.push_back(MainWindow::RESULT_RELOAD);
    EXPECT_EQ(1, handOver(file(L"a.txt")));
    EXPECT_EQ(1, handOver(file(L"c.txt")));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !questions.empty() && window->getPages().size() == 3; }))
        << "the change was never asked about";
    tessel_test::dispatchPending();
    EXPECT_EQ(std::vector<std::wstring>{changed(L"a.txt", false)}, questions);
    std::wstring text;
    a->controller->getText(&text);
    EXPECT_EQ(L"written outside", text);
    EXPECT_EQ(L"c.txt - Tessel", window->getTitleText());
}

// Each deletion of an open file is told and leaves its tab unsaved: after a save that wrote it
// again, after another program wrote it again (the change kept), and after it was moved away and
// back (with the bytes last saved: in sync again, nothing asked; with others of the same size and
// time: asked about); Ctrl+W then asks.
TEST_F(ShellFileQuestionsTest, EveryDeletionOfAnOpenFileIsToldAndLeavesItsTabAsking) {
    base.write(L"files\\notes.txt", "notes");
    ASSERT_TRUE(start(L"\"" + file(L"notes.txt") + L"\""));
    DocumentController& controller = *window->getActivePage()->controller;
    const auto told = [&](std::function<void()> act, const std::wstring& question, uint32_t answer) {
        const size_t asked = questions.size();
        answers.push_back(answer);
        act();
        return tessel_test::pumpUntil([&] { return questions.size() > asked; }) && questions.back() == question;
    };
    const auto deleteIt = [&] { ASSERT_TRUE(::DeleteFileW(file(L"notes.txt").c_str())); };
    const auto expectDeletionTold = [&](const char* after) {
        EXPECT_TRUE(told(deleteIt, deleted(L"notes.txt"), afWindow::RESULT_OK)) << "after " << after;
        EXPECT_TRUE(controller.isUnsaved()) << "after " << after;
        EXPECT_EQ(L"notes.txt * - Tessel", window->getTitleText()) << "after " << after;
    };
    expectDeletionTold("opening it");

    run(L"file.save");
    ASSERT_FALSE(controller.isUnsaved());
    ASSERT_EQ("notes", onDisk(L"notes.txt"));
    expectDeletionTold("a save");

    EXPECT_TRUE(told([&] { base.writeOutside(L"files\\notes.txt", "back"); }, changed(L"notes.txt", true),
                     MainWindow::RESULT_KEEP));
    expectDeletionTold("another program's write, kept");

    run(L"file.save");
    const std::wstring away = base / L"temp\\notes.txt";
    ASSERT_TRUE(told([&] { ::MoveFileW(file(L"notes.txt").c_str(), away.c_str()); }, deleted(L"notes.txt"),
                     afWindow::RESULT_OK));
    // Back with the bytes it had: the file as last saved, nothing to ask, and nothing unsaved.
    const size_t asked = questions.size();
    ASSERT_TRUE(::MoveFileW(away.c_str(), file(L"notes.txt").c_str()));
    EXPECT_TRUE(tessel_test::pumpUntil([&] { return !controller.isUnsaved(); })) << "the file back was not in sync";
    EXPECT_EQ(asked, questions.size());
    expectDeletionTold("a move away and back");
    // Back with other bytes of the same size and the time it had: news all the same.
    run(L"file.save");
    ASSERT_TRUE(told([&] { ::MoveFileW(file(L"notes.txt").c_str(), away.c_str()); }, deleted(L"notes.txt"),
                     afWindow::RESULT_OK));
    WIN32_FILE_ATTRIBUTE_DATA times{};
    ASSERT_TRUE(::GetFileAttributesExW(away.c_str(), GetFileExInfoStandard, &times));
    base.write(L"temp\\notes.txt", "NOTES");
    const HANDLE written = ::CreateFileW(away.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ::SetFileTime(written, nullptr, nullptr, &times.ftLastWriteTime);
    ::CloseHandle(written);
    EXPECT_TRUE(told([&] { ::MoveFileW(away.c_str(), file(L"notes.txt").c_str()); }, changed(L"notes.txt", true),
                     MainWindow::RESULT_KEEP));
    expectDeletionTold("a move away and back with other bytes");

    answers.push_back(afWindow::RESULT_CANCEL);
    run(L"file.close");
    EXPECT_EQ(saveChanges(L"notes.txt"), questions.back());
    EXPECT_EQ(1u, window->getPages().size());
}

} // namespace

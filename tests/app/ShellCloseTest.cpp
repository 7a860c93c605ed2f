// Closing the window with several tabs, some modified and not the active one: whatever the
// answers and the order the tabs go in, the program ends cleanly and writes what it changed of
// its settings.

#include "ShellFixture.h"

#include "afw/support/TestViews.h"

#include "editor/Editor.h"

#include "service/document/controller/DocumentController.h"

using namespace tessel;

namespace {

class ShellCloseTest : public tessel_test::ShellFixture {
protected:
    // Opens the files, each in a tab of its own, and types into the tabs named: the tabs in order.
    std::vector<MainWindow::Page*> openTabs(const std::vector<std::wstring>& names, const std::vector<bool>& edited) {
        for (size_t i = 0; i < names.size(); ++i) {
            base.write(L"files\\" + names[i], "text");
            EXPECT_TRUE(window->openFile(file(names[i])));
            if (edited[i])
                type(L"x");
        }
        return window->getPages();
    }
    void deleteSettings() {
        for (const wchar_t* name : SETTINGS)
            ::DeleteFileW(settingsFile(name).c_str());
    }
    // The window closes as its close box does, then the program ends as after its message loop.
    void closeWindowAndExit() {
        const HWND handle = window->getHandle();
        ::SendMessageW(handle, WM_CLOSE, 0, 0);
        EXPECT_FALSE(::IsWindow(handle)) << "the window stayed";
        // The loop the window's WM_QUIT ends is the test's own.
        MSG quit;
        ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        {
            // What the exit's steps throw is reported, not let through: it must be nothing.
            tessel_test::ErrorRecorder errors;
            stop();
            EXPECT_TRUE(errors.texts.empty()) << narrow(errors.texts.front());
        }
        EXPECT_TRUE(answers.empty()) << answers.size() << " answers left";
        // Only what the run changed is written (the window's placement, when it moved): the
        // files it changed nothing of are not.
        for (const wchar_t* name : {L"preferences", L"languages"})
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(settingsFile(name).c_str())) << narrow(name);
    }
    std::string fileText(const wchar_t* name) const { return base.read(L"files\\" + std::wstring(name)); }

    static constexpr const wchar_t* SETTINGS[] = {L"session", L"preferences", L"languages"};
};

constexpr const wchar_t* ShellCloseTest::SETTINGS[];

TEST_F(ShellCloseTest, AModifiedBackgroundTabClosedWithDontSaveOrSaveEndsCleanly) {
    for (const uint32_t answer : {MainWindow::RESULT_DONT_SAVE, MainWindow::RESULT_SAVE}) {
        SCOPED_TRACE(answer == MainWindow::RESULT_SAVE ? "Save" : "Don't Save");
        ASSERT_TRUE(start());
        deleteSettings();
        std::vector<MainWindow::Page*> pages = openTabs({L"a.txt", L"b.txt"}, {true, false});
        ASSERT_EQ(2u, pages.size());
        window->activate(*pages[1]);
        ASSERT_EQ(L"b.txt - Tessel", window->getTitleText());
        answers.push_back(answer);
        closeWindowAndExit();
        ASSERT_EQ(1u, questions.size());
        EXPECT_EQ(L"Save changes to `a.txt` before closing?", questions[0]);
        EXPECT_EQ(answer == MainWindow::RESULT_SAVE ? "xtext" : "text", fileText(L"a.txt"));
        questions.clear();
    }
}

// Three tabs, each one in turn the active one, with the others modified; and three tabs closed
// one by one in each order before the window closes over the last new "Untitled".
TEST_F(ShellCloseTest, ThreeTabsEndCleanlyWhicheverIsActiveAndInWhateverOrderTheyClose) {
    const wchar_t* const names[] = {L"a.txt", L"b.txt", L"c.txt"};
    for (size_t active = 0; active < 3; ++active) {
        SCOPED_TRACE("active tab " + std::to_string(active));
        ASSERT_TRUE(start());
        deleteSettings();
        std::vector<bool> edited = {true, true, true};
        edited[active] = false;
        std::vector<MainWindow::Page*> pages = openTabs({names[0], names[1], names[2]}, edited);
        ASSERT_EQ(3u, pages.size());
        window->activate(*pages[active]);
        answers = {MainWindow::RESULT_DONT_SAVE, MainWindow::RESULT_SAVE};
        closeWindowAndExit();
        ASSERT_EQ(2u, questions.size());
        questions.clear();
    }
    const size_t orders[][3] = {{0, 1, 2}, {2, 1, 0}, {1, 0, 2}, {1, 2, 0}};
    for (const auto& order : orders) {
        SCOPED_TRACE("closed in the order " + std::to_string(order[0]) + std::to_string(order[1]) +
                     std::to_string(order[2]));
        ASSERT_TRUE(start());
        deleteSettings();
        std::vector<MainWindow::Page*> pages = openTabs({names[0], names[1], names[2]}, {true, true, true});
        ASSERT_EQ(3u, pages.size());
        for (size_t i = 0; i < 3; ++i) {
            answers.push_back(MainWindow::RESULT_DONT_SAVE);
            ASSERT_TRUE(window->closeTab(*pages[order[i]]));
        }
        ASSERT_EQ(1u, window->getPages().size());
        type(L"y");
        answers.push_back(MainWindow::RESULT_DONT_SAVE);
        closeWindowAndExit();
        EXPECT_EQ(4u, questions.size());
        questions.clear();
    }
}

// Tabs closed before the window does, one modified one left in the background: the same.
TEST_F(ShellCloseTest, ATabClosedBeforeTheWindowLeavesTheRestToCloseCleanly) {
    ASSERT_TRUE(start());
    deleteSettings();
    std::vector<MainWindow::Page*> pages = openTabs({L"a.txt", L"b.txt", L"c.txt"}, {true, false, false});
    ASSERT_EQ(3u, pages.size());
    ASSERT_TRUE(window->closeTab(*pages[1]));
    window->activate(*pages[2]);
    answers.push_back(MainWindow::RESULT_DONT_SAVE);
    closeWindowAndExit();
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ("text", fileText(L"a.txt"));
}

// Closing over an edited "Untitled" in front of a file's tab, saved as that file: the answer
// closes the file's tab on the way, and the close goes on with the tabs that are left, asking
// about each edited one, and ends.
TEST_F(ShellCloseTest, ATabClosedByAnAnswerOnTheWayIsLeftOutAndTheRestAreAsked) {
    ASSERT_TRUE(start());
    deleteSettings();
    type(L"mine");
    std::vector<MainWindow::Page*> pages = openTabs({L"x.txt", L"y.txt", L"z.txt"}, {false, true, true});
    ASSERT_EQ(4u, pages.size());
    window->activate(*pages[0]);
    paths.push_back(file(L"x.txt"));
    answers = {MainWindow::RESULT_SAVE, MainWindow::RESULT_REPLACE, MainWindow::RESULT_DONT_SAVE,
               MainWindow::RESULT_SAVE};
    closeWindowAndExit();
    ASSERT_EQ(4u, questions.size());
    EXPECT_EQ(L"Save changes to `Untitled` before closing?", questions[0]);
    EXPECT_EQ(L"`" + file(L"x.txt") + L"` is open in another tab. Close that tab and replace the file?",
              questions[1]);
    EXPECT_EQ(L"Save changes to `y.txt` before closing?", questions[2]);
    EXPECT_EQ(L"Save changes to `z.txt` before closing?", questions[3]);
    EXPECT_EQ("mine", fileText(L"x.txt"));
    EXPECT_EQ("text", fileText(L"y.txt"));
    EXPECT_EQ("xtext", fileText(L"z.txt"));
}

} // namespace

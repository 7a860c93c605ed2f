#include "ShellFixture.h"

#include "app/CopyDataMessage.h"
#include "app/StatusBar.h"
#include "app/Tabs.h"

#include "afw/view/afViewEvents.h"

#include "bundles/BundleManager.h"
#include "bundles/ToolStripStatus.h"
#include "editor/Editor.h"
#include "editor/EditorStatusController.h"

#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/data/afDataObjectFiles.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "pel/log/Log.h"
#include "pel/log/LogFile.h"
#include "pel/log/LogManager.h"
#include "service/document/controller/DocumentController.h"
#include "afw/support/TestViews.h"
#include "afw/core/afInstanceControl.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"

#include <memory>
#include <set>

using namespace tessel;

namespace {

class ShellTest : public tessel_test::ShellFixture {};

TEST(CopyDataMessageTest, OnlyEvenNulEndedTextOfBoundedSizeWithKindZeroIsRead) {
    std::wstring big(CopyDataMessage::MAX_BYTES / 2, L'x');
    big.back() = L'\0';
    std::wstring tooBig(CopyDataMessage::MAX_BYTES / 2 + 1, L'x');
    tooBig.back() = L'\0';
    const wchar_t noNul[] = {L'a', L'b'};
    const wchar_t text[] = L"\"Tessel.exe\" a.c";
    struct Case {
        const char* what;
        ULONG_PTR kind;
        const void* bytes;
        DWORD size;
        bool read;
    } cases[] = {
        {"the command line", 0, text, sizeof text, true},
        {"a lone NUL", 0, L"", 2, true},
        {"64 KB", 0, big.data(), static_cast<DWORD>(big.size() * 2), true},
        {"an odd size", 0, text, sizeof text - 1, false},
        {"no NUL", 0, noNul, sizeof noNul, false},
        {"kind 1", 1, text, sizeof text, false},
        {"64 KB + 2", 0, tooBig.data(), static_cast<DWORD>(tooBig.size() * 2), false},
        {"empty", 0, text, 0, false},
        {"no bytes", 0, nullptr, 8, false},
    };
    for (const Case& c : cases) {
        COPYDATASTRUCT data = {c.kind, c.size, const_cast<void*>(c.bytes)};
        std::wstring read = L"untouched";
        EXPECT_EQ(c.read, CopyDataMessage::read(&data, &read)) << c.what;
        if (c.read)
            EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(c.bytes)), read) << c.what;
        else
            EXPECT_EQ(L"untouched", read) << c.what;
    }
}

TEST_F(ShellTest, MalformedCopyDataIsRefusedAndLoggedAndAValidOneOpensOnceQueued) {
    base.write(L"files\\x.txt", "x");
    ASSERT_TRUE(start());
    tessel_test::LogCapture log;
    const wchar_t noNul[] = {L'a', L'b'};
    EXPECT_EQ(0, sendCopyData(0, noNul, sizeof noNul));
    EXPECT_EQ(0, sendCopyData(1, L"a", 4));
    EXPECT_EQ(0, sendCopyData(0, L"a", 3));
    EXPECT_TRUE(log.contains(L"malformed WM_COPYDATA"));
    const std::wstring line = CopyDataMessage::encode(L"\"Tessel.exe\" \"" + file(L"x.txt") + L"\"");
    // Answered before it is opened: the sender is never held by a question asked on the way.
    // Files dropped on the tabs wait for the drop's end as well.
    base.write(L"files\\y.txt", "y");
    afDataObjectFiles dropped;
    dropped.addFile(file(L"y.txt").c_str());
    EXPECT_EQ(AF_DROP_COPY,
              window->filesDropped(window->getTabs(), &dropped, 0, afDropInfo(), AF_DROP_COPY, AF_DROP_COPY));
    EXPECT_EQ(1u, window->getPendingCommandCount());
    // Text dropped on an editor goes in where it was dropped.
    Editor* editor = window->getActivePage()->editor;
    EXPECT_EQ(AF_DROP_COPY, window->editorDrop(editor, {L"dropped"}, false, TextPosition(), AF_DROP_COPY));
    std::wstring text;
    editor->getController()->getText(&text);
    EXPECT_EQ(L"dropped", text);
    EXPECT_TRUE(editor->getController()->undo());
    // A question open (its loop handles the messages) holds it back until it is answered.
    setQuestionHook([&](const std::wstring&, const std::vector<QuestionButton>&) {
        EXPECT_EQ(1, sendCopyData(0, line.data(), static_cast<DWORD>(line.size() * 2)));
        EXPECT_EQ(2u, window->getPendingCommandCount());
        tessel_test::dispatchPending();
        EXPECT_EQ(2u, window->getPendingCommandCount());
        return afWindow::RESULT_OK;
    });
    showMessage(window, L"a question");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return window->getPendingCommandCount() == 0; }));
    EXPECT_EQ(L"x.txt - Tessel", window->getTitleText());
    // The lone untouched "Untitled" gave way to the first.
    EXPECT_EQ(2u, window->getPages().size());
}

TEST_F(ShellTest, ACommandLineErrorIsShownAndTheStartGoesOnWithNothingOpen) {
    answers.push_back(afWindow::RESULT_OK);
    ASSERT_TRUE(start(L"--unknown"));
    ASSERT_EQ(1u, questions.size());
    EXPECT_NE(std::wstring::npos, questions[0].find(L"Error parsing command line: "));
    EXPECT_EQ(L"Untitled - Tessel", window->getTitleText());
}

TEST_F(ShellTest, AProjectIsNotOpenedAndTheFileOfTheCommandLineIs) {
    base.write(L"files\\m.md", "# m");
    answers.push_back(afWindow::RESULT_OK);
    ASSERT_TRUE(start(L"-p x.tsProject \"" + file(L"m.md") + L"\""));
    ASSERT_EQ(1u, questions.size());
    EXPECT_NE(std::wstring::npos, questions[0].find(L"Projects are not supported in this version; `"));
    EXPECT_EQ(L"m.md - Tessel", window->getTitleText());
}

TEST_F(ShellTest, AFileThatCannotBeReadIsReportedAndTheWindowStays) {
    ASSERT_TRUE(start());
    answers.push_back(afWindow::RESULT_OK);
    EXPECT_FALSE(window->openFile(file(L"missing.txt")));
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(0u, questions[0].find(L"Cannot open `" + file(L"missing.txt") + L"`: "));
    EXPECT_EQ(L"Untitled - Tessel", window->getTitleText());
}

TEST_F(ShellTest, ClosingTheWindowAsksForEachModifiedDocumentAndCancelKeepsIt) {
    ASSERT_TRUE(start());
    ::SendMessageW(window->getActivePage()->editor->getHandle(), WM_CHAR, L'q', 1);
    EXPECT_EQ(L"Untitled * - Tessel", window->getTitleText());
    answers.push_back(afWindow::RESULT_CANCEL);
    EXPECT_FALSE(window->canClose());
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"Save changes to `Untitled` before closing?", questions[0]);
    // Save with a cancelled Save As keeps the window too; Don't Save lets it close.
    answers.push_back(MainWindow::RESULT_SAVE);
    EXPECT_FALSE(window->canClose());
    answers.push_back(MainWindow::RESULT_DONT_SAVE);
    EXPECT_TRUE(window->canClose());
}

TEST_F(ShellTest, FindAndReplaceWorkOnTheActiveDocument) {
    base.write(L"files\\f.txt", "one two one two");
    ASSERT_TRUE(start(L"\"" + file(L"f.txt") + L"\""));
    DocumentController& controller = *window->getActivePage()->controller;
    tessel::SearchParameters two;
    two.findText = L"two";
    searches.push_back(two);
    run(L"search.find");
    EXPECT_EQ(7, controller.getCaretOffset());
    run(L"search.find.next");
    EXPECT_EQ(15, controller.getCaretOffset());
    // Backwards from the second "two" (the caret behind it): the first.
    run(L"search.find.previous");
    EXPECT_EQ(7, controller.getCaretOffset());
    tessel::SearchParameters one = two;
    one.findText = L"one";
    one.replaceText = L"1";
    searches.push_back(one);
    run(L"search.replace");
    EXPECT_EQ(L"1 two 1 two", activeText());
    // One undo step.
    EXPECT_TRUE(controller.undo());
    EXPECT_EQ(L"one two one two", activeText());
}

TEST_F(ShellTest, CrashCallbackLetsGoOfTheLogFileWhichEndsWithTheLastLine) {
    ASSERT_TRUE(start());
    pel::log_printf(pel::LOG_INFO, App::LOG_SOURCE, L"the last line before the crash");
    const std::wstring path = app->getLogFile()->getPath();
    pel::LogFile* logFile = app->getLogFile();
    EXPECT_EQ(TRUE, crashCallback(nullptr));
    EXPECT_EQ(nullptr, app->getLogFile());
    EXPECT_FALSE(pel::LogManager_Impl::getInstance()->removeListener(logFile)) << "the listener is still there";
    const std::string bytes = base.read(L"user\\debug.log");
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text +=
            static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    const std::wstring last = L"the last line before the crash\n";
    ASSERT_GE(text.size(), last.size()) << narrow(path);
    EXPECT_EQ(last, text.substr(text.size() - last.size()));
}

// A bundle whose grammar "C" takes .c and .h files.
void writeCBundle(const tessel_test::TempFolder& base) {
    const std::wstring bundle = L"root\\bundles\\C.10000001-0000-0000-0000-000000000001.tsBundle";
    for (const std::wstring& folder : {std::wstring(L"root\\bundles"), bundle, bundle + L"\\grammars"})
        ::CreateDirectoryW((base / folder).c_str(), nullptr);
    base.write(bundle + L"\\info.10000001-0000-0000-0000-000000000001.tsInfo", "{title: 'C'}");
    base.write(bundle + L"\\grammars\\C.20000001-0000-0000-0000-000000000001.tsGrammar",
               "{ title: \"C\" name: \"source.c\" file_types: [ \"c\" \"h\" ] patterns: [ { name: \"keyword.c\" "
               "match: /int/ } ] }");
}

TEST_F(ShellTest, AFileOnTheCommandLineGetsItsGrammarWhetherItOpensBeforeOrAfterTheBundlesLoad) {
    writeCBundle(base);
    base.write(L"files\\main.c", "int main(void) { return 0; }");
    // The load runs on its own thread and ends through a message, which the open's wait may
    // handle: either may end first.
    ASSERT_TRUE(start(L"\"" + file(L"main.c") + L"\""));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !app->getBundleManager()->isLoading(); }))
        << "the load never ended";
    EXPECT_EQ(L"source.c", window->getActivePage()->controller->getGrammarName());
    EXPECT_EQ(L"C", window->getStatusController()->getButton(EditorStatusController::LANGUAGE)->getText());
}

TEST_F(ShellTest, AFileOpenedBeforeTheBundlesLoadGetsItsGrammarOnceTheyAre) {
    base.write(L"files\\main.c", "int main(void) { return 0; }");
    // The first load finds no bundle; the one the file needs comes with a reload, which starts
    // only once the file is open.
    ASSERT_TRUE(start(L"\"" + file(L"main.c") + L"\""));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !app->getBundleManager()->isLoading(); }))
        << "the first load never ended";
    DocumentController& controller = *window->getActivePage()->controller;
    ASSERT_NE(L"source.c", controller.getGrammarName());
    writeCBundle(base);
    run(L"bundles.reload");
    ASSERT_TRUE(app->getBundleManager()->isLoading());
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !app->getBundleManager()->isLoading(); }))
        << "the reload never ended";
    EXPECT_EQ(L"source.c", controller.getGrammarName());
    // The status strip names it.
    EXPECT_EQ(L"C", window->getStatusController()->getButton(EditorStatusController::LANGUAGE)->getText());
    // A new document has no file to take a grammar from.
    run(L"file.new");
    EXPECT_NE(L"source.c", window->getActivePage()->controller->getGrammarName());
}

TEST_F(ShellTest, ASearchsMessageInTheStatusBarGoesWithTheTabItSpokeOf) {
    base.write(L"files\\a.txt", "alpha");
    base.write(L"files\\b.txt", "beta");
    ASSERT_TRUE(start(L"\"" + file(L"a.txt") + L"\""));
    ASSERT_TRUE(tessel_test::pumpUntil([] { return ToolStripStatus::getActivities().empty(); }));
    const auto shown = [&] { return window->getStatusBar()->getShownText(); };
    tessel::SearchParameters missing;
    missing.findText = L"gamma";
    searches.push_back(missing);
    run(L"search.find");
    ASSERT_EQ(L"Not found", shown());
    ASSERT_TRUE(window->openFile(file(L"b.txt")));
    EXPECT_EQ(L"", shown()) << "another document";
    run(L"search.find.next");
    ASSERT_EQ(L"Not found", shown());
    window->activate(*window->getPages()[0]);
    EXPECT_EQ(L"", shown()) << "back in the first document";
    run(L"search.find.next");
    ASSERT_EQ(L"Not found", shown());
    run(L"file.new");
    EXPECT_EQ(L"", shown()) << "a new document";
}

TEST_F(ShellTest, AMiddleClickClosesATabAndTheTabUsedBeforeBecomesActive) {
    base.write(L"files\\1.txt", "1");
    base.write(L"files\\2.txt", "2");
    base.write(L"files\\3.txt", "3");
    ASSERT_TRUE(start());
    for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt"})
        ASSERT_TRUE(window->openFile(file(name)));
    window->activate(*window->getPages()[0]);
    window->activate(*window->getPages()[2]);
    afMouseEvent down, up;
    down.message.message = WM_MBUTTONDOWN;
    up.message.message = WM_MBUTTONUP;
    const auto middleClick = [&] {
        TabButton* button = window->getTabs()->getButton(window->getActivePage()->slot);
        ASSERT_TRUE(button);
        button->onMouseDown(down);
        button->onMouseUp(up);
        tessel_test::dispatchPending();
    };
    middleClick();
    ASSERT_EQ(2u, window->getPages().size());
    EXPECT_EQ(L"1.txt - Tessel", window->getTitleText());
    middleClick();
    middleClick();
    // The last close leaves "Untitled".
    ASSERT_EQ(1u, window->getPages().size());
    EXPECT_EQ(L"Untitled - Tessel", window->getTitleText());
}

} // namespace

namespace {

TEST_F(ShellTest, AUserFolderThatIsAFileStopsTheStartWithAMessageAndCodeOne) {
    base.write(L"user", "not a folder");
    answers.push_back(afWindow::RESULT_OK);
    EXPECT_FALSE(start());
    EXPECT_EQ(1, app->getExitCode());
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"Tessel cannot start: the settings could not be set up.", questions[0]);
}

TEST_F(ShellTest, TheEditorFontTakesOnlyFamiliesTheSystemHasAndNewDocumentsTheShippedTheme) {
    ::CreateDirectoryW((base / L"user").c_str(), nullptr);
    ::CreateDirectoryW((base / L"user\\config").c_str(), nullptr);
    base.write(L"user\\config\\preferences.tsConfig",
               "{ version : '1 0 1 12e4b4c8' app.editor.font : { names : [ 'No Such Family' 'DejaVu Sans Mono' ] "
               "size : 12 } }");
    ASSERT_TRUE(start());
    const afUnicodeFontManager& fonts = afUnicodeFontManager::instance();
    EXPECT_EQ(std::vector<std::wstring>{L"DejaVu Sans Mono"}, fonts.getEditorFontNames());
    EXPECT_EQ(12, fonts.getEditorFontSize());
    EXPECT_EQ(MainWindow::SHIPPED_THEME, window->getActivePage()->controller->getFacePreset().theme);
}

TEST_F(ShellTest, TheWindowStacksTheTabsTheEditorAndTheStatusBar) {
    ASSERT_TRUE(start());
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !window->isValidationPosted(); })) << "never laid out";
    RECT tabs, editor, status;
    ::GetWindowRect(window->getTabs()->getHandle(), &tabs);
    ::GetWindowRect(window->getActivePage()->editor->getHandle(), &editor);
    ::GetWindowRect(window->getStatusBar()->getHandle(), &status);
    EXPECT_TRUE(::IsWindowVisible(window->getActivePage()->editor->getHandle()));
    EXPECT_GT(editor.top, tabs.top) << "the tab strip is above the editor";
    EXPECT_GT(editor.bottom - editor.top, 100);
    EXPECT_GE(status.top, editor.bottom);
    // As tall as its content: the strip's buttons, each a line of the message font and its
    // padding, on one row in a wide window.
    const LONG statusHeight = status.bottom - status.top;
    EXPECT_EQ(window->getStatusBar()->getMeasuredHeight(), statusHeight);
    const auto canvas = window->getStatusBar()->createMeasuringCanvas();
    canvas->selectFont(afGetStockFont(AF_FONT_MESSAGE));
    EXPECT_GE(statusHeight, canvas->lineHeight() + 4);
    EXPECT_LT(statusHeight, 2 * canvas->lineHeight());
    EXPECT_TRUE(::GetMenu(window->getHandle()));
    EXPECT_EQ(4, ::GetMenuItemCount(::GetMenu(window->getHandle()))) << "File, Edit, View, Bundles";
    EXPECT_EQ(7, ::GetMenuItemCount(::GetSubMenu(::GetMenu(window->getHandle()), 0)));
    EXPECT_EQ(14, ::GetMenuItemCount(::GetSubMenu(::GetMenu(window->getHandle()), 1)));
    EXPECT_EQ(1, ::GetMenuItemCount(::GetSubMenu(::GetMenu(window->getHandle()), 2)));
}

TEST_F(ShellTest, ChangesOtherProgramsMakeAreAskedAboutInTheActiveTab) {
    base.write(L"files\\w.txt", "old");
    ASSERT_TRUE(start(L"\"" + file(L"w.txt") + L"\""));
    DocumentController& controller = *window->getActivePage()->controller;
    answers.push_back(MainWindow::RESULT_RELOAD);
    base.write(L"files\\w.txt", "new text");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !questions.empty() && activeText() == L"new text"; }))
        << "the change was never asked about";
    EXPECT_EQ(L"`" + file(L"w.txt") + L"` was changed by another program. Reload it?", questions[0]);
    EXPECT_EQ(MainWindow::RESULT_RELOAD, defaults[0]) << "nothing unsaved: Enter reloads";
    EXPECT_FALSE(controller.isModified());
    answers.push_back(afWindow::RESULT_OK);
    ::DeleteFileW(file(L"w.txt").c_str());
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() == 2; })) << "the deletion was never told";
    EXPECT_EQ(L"`" + file(L"w.txt") + L"` was deleted by another program.", questions[1]);
    EXPECT_TRUE(controller.isUnsaved());
    EXPECT_EQ(L"w.txt * - Tessel", window->getTitleText());
}

} // namespace

namespace {

// Keys posted to the focused editor, with the modifiers held in the keyboard state, through the
// application's loop.
void pressKeys(HWND editor, int key, std::initializer_list<int> modifiers) {
    BYTE keys[256] = {};
    for (int modifier : modifiers)
        keys[modifier] = 0x80;
    ::SetKeyboardState(keys);
    ::PostMessageW(editor, WM_KEYDOWN, key, 1);
    ::PostMessageW(editor, WM_KEYUP, key, 0xC0000001);
    tessel_test::pumpApp([&] {
        MSG msg;
        return !::PeekMessageW(&msg, editor, 0, 0, PM_NOREMOVE);
    });
    BYTE none[256] = {};
    ::SetKeyboardState(none);
}

TEST_F(ShellTest, TheWindowsKeysWorkFromTheEditorAndTheStatusBarShowsActivities) {
    ASSERT_TRUE(start());
    ::SetForegroundWindow(window->getHandle());
    pressKeys(window->getActivePage()->editor->getHandle(), 'N', {VK_CONTROL});
    ASSERT_EQ(2u, window->getPages().size());
    EXPECT_EQ(L"Untitled 2 - Tessel", window->getTitleText());
    pressKeys(window->getActivePage()->editor->getHandle(), VK_TAB, {VK_CONTROL});
    EXPECT_EQ(L"Untitled - Tessel", window->getTitleText());
    // The status strip follows the active tab's editor.
    EXPECT_EQ(window->getActivePage()->editor, window->getStatusController()->getEditor());
    pressKeys(window->getActivePage()->editor->getHandle(), 'W', {VK_CONTROL});
    ASSERT_EQ(1u, window->getPages().size());
    EXPECT_EQ(L"Untitled 2 - Tessel", window->getTitleText());

    // The start's own activities (the bundle load) end first.
    ASSERT_TRUE(tessel_test::pumpUntil([] { return ToolStripStatus::getActivities().empty(); }));
    EXPECT_FALSE(window->getStatusBar()->isSpinning());
    const uint32_t first = ToolStripStatus::addActivity(L"Loading bundles...");
    const uint32_t second = ToolStripStatus::addActivity(L"Compiling grammars...");
    EXPECT_EQ(L"Compiling grammars...", window->getStatusBar()->getActivityText());
    EXPECT_TRUE(window->getStatusBar()->isSpinning());
    ToolStripStatus::removeActivity(second);
    EXPECT_EQ(L"Loading bundles...", window->getStatusBar()->getActivityText());
    ToolStripStatus::removeActivity(first);
    EXPECT_FALSE(window->getStatusBar()->isSpinning());
}

} // namespace

namespace {

// The helper as the running instance in the mode given (with the arguments after its event's
// name), once it holds the mutex; this process's control, made anew, then finds it held.
std::unique_ptr<tessel_test::ChildProcess> runningInstance(const std::wstring& mode, const std::wstring& more = L"") {
    const std::wstring ready = L"tessel-app-ready-" + std::to_wstring(::GetCurrentProcessId());
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, ready.c_str());
    auto instance =
        std::make_unique<tessel_test::ChildProcess>(mode + L" " + ready + more, false, L"app_test_helper.exe");
    const bool held = instance->started() && ::WaitForSingleObject(event, 30000) == WAIT_OBJECT_0;
    ::CloseHandle(event);
    if (!held) {
        ADD_FAILURE() << "the helper never held the mutex";
        return nullptr;
    }
    afInstanceControl::destroy();
    return instance;
}

// Whether the file's bytes hold the (ASCII) text, as the test wrote it or in UTF-16LE, as the
// settings files are written.
bool holds(const std::string& file, const std::string& text) {
    std::string wide;
    for (char c : text)
        wide += std::string{c, '\0'};
    return file.find(text) != std::string::npos || file.find(wide) != std::string::npos;
}

TEST_F(ShellTest, ASecondStartWhoseRunningInstanceGoesAwayStartsAsTheFirst) {
    const std::unique_ptr<tessel_test::ChildProcess> instance = runningInstance(L"vanishing-instance");
    ASSERT_TRUE(instance);
    ASSERT_FALSE(afInstanceControl::instance().isFirstInstance());
    base.write(L"files\\s.txt", "s");
    ASSERT_TRUE(start(L"\"" + file(L"s.txt") + L"\""));
    EXPECT_EQ(0u, instance->wait());
    EXPECT_TRUE(afInstanceControl::instance().isFirstInstance());
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(L"s.txt - Tessel", window->getTitleText());
}

// A second start while the running copy asks its closing questions hears at once that it is
// closing, says so, and ends without a window of its own (code 1).
TEST_F(ShellTest, ASecondStartUnderTheRunningCopysClosingQuestionsSaysThatItIsClosing) {
    const std::unique_ptr<tessel_test::ChildProcess> instance = runningInstance(L"asking-instance");
    ASSERT_TRUE(instance);
    base.write(L"files\\s.txt", "s");
    answers.push_back(afWindow::RESULT_OK);
    EXPECT_FALSE(start(L"\"" + file(L"s.txt") + L"\""));
    EXPECT_EQ(1, app->getExitCode());
    EXPECT_EQ(nullptr, app->getMainWindow());
    EXPECT_EQ(std::vector<std::wstring>{L"Tessel is closing; `" + file(L"s.txt") + L"` was not opened."}, questions);
    EXPECT_EQ(0u, instance->wait());
    afInstanceControl::destroy();
}

// A folder named to open, at the start or handed over by a second start, is said to be one.
TEST_F(ShellTest, AFolderNamedToOpenIsSaidToBeAFolder) {
    ASSERT_TRUE(::CreateDirectoryW(file(L"sub").c_str(), nullptr));
    const std::wstring said = L"Cannot open `" + file(L"sub") + L"`: it is a folder, not a file.";
    answers = {afWindow::RESULT_OK, afWindow::RESULT_OK};
    ASSERT_TRUE(start(L"\"" + file(L"sub") + L"\""));
    EXPECT_EQ(std::vector<std::wstring>{said}, questions);
    EXPECT_EQ(L"Untitled - Tessel", window->getTitleText());
    EXPECT_EQ(1, handOver(file(L"sub")));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() == 2; }));
    EXPECT_EQ(said, questions[1]);
    EXPECT_EQ(1u, window->getPages().size());
}

// A second start reads the settings as its root is set up, then waits for a copy that is closing
// and writes its own as it ends. The start that takes over uses what that copy wrote last (a
// bundle disabled, a language chosen), and writes it back at its exit rather than what it read first.
TEST_F(ShellTest, AStartThatTakesOverFromAClosingCopyUsesAndKeepsTheSettingsThatCopyWrote) {
    const std::string oldUuid = "00000001-0000-0000-0000-000000000001";
    const std::string newUuid = "00000002-0000-0000-0000-000000000002";
    const auto bundles = [](const std::string& title, const std::string& uuid) {
        return "{ version : '1 0 1 12e4b4c8' app.bundles : { disabled : [ { title : '" + title + "' uuid : '" + uuid +
               "' type : 2776314621 children_count : 0 } ] } }";
    };
    const auto languages = [](const std::string& grammar, const std::string& extension) {
        return "{ version : '1 0 1 12e4b4c8' app.languages : { extensions : [ { grammar_name : '" + grammar +
               "' extensions : [ '" + extension + "' ] } ] } }";
    };
    for (const wchar_t* folder : {L"user", L"user\\config", L"saved"})
        ::CreateDirectoryW((base / folder).c_str(), nullptr);
    base.write(L"user\\config\\bundles.tsConfig", bundles("Read first", oldUuid));
    base.write(L"user\\config\\languages.tsConfig", languages("Read First", "first"));
    base.write(L"saved\\bundles.tsConfig", bundles("Written last", newUuid));
    base.write(L"saved\\languages.tsConfig", languages("Written Last", "last"));

    const std::unique_ptr<tessel_test::ChildProcess> instance = runningInstance(
        L"closing-instance", L" \"" + (base / L"saved") + L"\" \"" + (base / L"user\\config") + L"\"");
    ASSERT_TRUE(instance);
    ASSERT_TRUE(start());
    EXPECT_EQ(0u, instance->wait());
    ASSERT_TRUE(afInstanceControl::instance().isFirstInstance());
    std::set<pel::UUID> disabled;
    app->getBundleManager()->getDisabledUuids(&disabled);
    EXPECT_EQ(std::set<pel::UUID>{pel::UUID::fromString(std::wstring(newUuid.begin(), newUuid.end()))}, disabled);

    stop();
    const std::string bundlesFile = base.read(L"user\\config\\bundles.tsConfig");
    EXPECT_TRUE(holds(bundlesFile, newUuid) && !holds(bundlesFile, oldUuid));
    const std::string languagesFile = base.read(L"user\\config\\languages.tsConfig");
    EXPECT_TRUE(holds(languagesFile, "Written Last") && !holds(languagesFile, "Read First"));
}

} // namespace

// The user's settings in Tessel.exe while it runs: the preferences written by another program,
// or saved from their own tab, show at once in the text's wrapping and are kept at the exit;
// values Tessel cannot use (a font size, a face, a margin) are named once in a message and in
// the log, with what Tessel uses instead, and keep their text in the file; and bundle files it
// cannot read at a Reload Bundles (a grammar of random bytes, the theme in use emptied) are named
// in the log and listed with their problems in the bundle editor, and the theme's setting is
// told. A theme picked is written alone into the file as it is then, also when another program
// rewrote it keeping its time and size.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tessel_test {
namespace {

using SettingsEndToEnd = TesselCopyTest;

const wchar_t PREFERENCES[] = L"user-1\\config\\preferences.tsConfig";

// The preferences with the test's font and the face given.
std::string preferences(const std::string& face, const std::string& font = "names : [ 'DejaVu Sans Mono' ] size : 10") {
    return std::string(TesselCopy::VERSION_ENTRY) + "app.editor.font : { " + font + " }\r\napp.editor.face : { " + face +
           " }\r\n}\r\n";
}

// A line of 100 characters a time: one row unwrapped, three a time wrapped at 40 columns.
std::string longLine(int times = 1) {
    std::string line;
    for (int i = 0; i < 10 * times; ++i)
        line += "0123456789";
    return line + "\r\n";
}

const char UNWRAPPED[] = "gutter_line_numbers : false";
const char WRAPPED[] = "gutter_line_numbers : false word_wrap : true boundary : 40 boundary_break : true";

TEST_F(SettingsEndToEnd, PreferencesWrittenByAnotherProgramShowAtOnceAndAreKeptAtTheExit) {
    copy.folder.write(PREFERENCES, preferences(UNWRAPPED));
    copy.folder.write(L"long.txt", longLine());
    TesselRun tessel(copy, L"long.txt");
    ASSERT_TRUE(tessel.hasTitle(L"long.txt - Tessel"));
    Capture capture;
    std::vector<Band> bands;
    ASSERT_TRUE(showsRows(tessel.editor(), 1, capture, bands, "settings-unwrapped"));

    const std::string theirs = preferences(WRAPPED);
    copy.folder.writeOutside(PREFERENCES, theirs);
    EXPECT_TRUE(showsRows(tessel.editor(), 3, capture, bands, "settings-wrapped")) << "not applied while running";

    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_EQ(0, tessel.process.exitCode(WAIT_MS));
    EXPECT_EQ(theirs, copy.folder.read(PREFERENCES)) << "the exit wrote over the other program's preferences";
}

TEST_F(SettingsEndToEnd, PreferencesSavedInTheirTabShowAtOnceAndAreKeptAtTheExit) {
    copy.folder.write(PREFERENCES, preferences(UNWRAPPED));
    copy.folder.write(L"long.txt", longLine());
    TesselRun tessel(copy, L"long.txt");
    ASSERT_TRUE(tessel.hasTitle(L"long.txt - Tessel"));
    OtherProcess second(copy.program(), PREFERENCES, copy.folder.path);
    ASSERT_EQ(0, second.exitCode(WAIT_MS)) << "the hand-over was not taken";
    ASSERT_TRUE(tessel.hasTitle(L"preferences.tsConfig - Tessel")) << "the preferences did not open in a tab";

    // The whole text replaced through the clipboard, and saved.
    const std::string mine = preferences(WRAPPED);
    ASSERT_TRUE(copyToClipboard(std::wstring(mine.begin(), mine.end())));
    ASSERT_TRUE(tessel.focusEditor());
    for (WORD letter : {'A', 'V'})
        ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_CONTROL, letter}));
    ASSERT_TRUE(tessel.hasTitle(L"preferences.tsConfig * - Tessel"));
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
    // Read only once the title shows it saved: a read while the save replaces the file would
    // make the save fail.
    std::string saved;
    ASSERT_TRUE(pollFor(
        [&] {
            return tessel.title() == L"preferences.tsConfig - Tessel" && copy.folder.tryRead(PREFERENCES, &saved) &&
                   saved == mine;
        },
        WAIT_MS))
        << "not saved: " << saved;

    // The other tab wraps, at once.
    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(pressChord({VK_CONTROL, VK_TAB}));
    ASSERT_TRUE(tessel.hasTitle(L"long.txt - Tessel"));
    Capture capture;
    std::vector<Band> bands;
    EXPECT_TRUE(showsRows(tessel.editor(), 3, capture, bands, "settings-saved")) << "not applied once saved";

    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "settings-saved-close");
    EXPECT_EQ(saved, copy.folder.read(PREFERENCES)) << "the exit wrote over the preferences saved in the tab";
}

// The file's bytes replaced by others of the same length, its time of last write set back as it
// was: only its content tells the write apart.
bool rewriteKeepingTime(const TempFolder& folder, const std::wstring& name, const std::string& bytes) {
    const std::wstring path = folder / name;
    FILETIME written = {};
    HANDLE file = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    const bool got = file != INVALID_HANDLE_VALUE && ::GetFileTime(file, nullptr, nullptr, &written);
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
    if (!got || folder.read(name).size() != bytes.size())
        return false;
    folder.write(name, bytes);
    file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    const bool set = file != INVALID_HANDLE_VALUE && ::SetFileTime(file, nullptr, nullptr, &written);
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
    return set;
}

TEST_F(SettingsEndToEnd, AThemePickedWritesOnlyTheThemeOverAnotherProgramsWriteThatKeptTheFilesTimeAndSize) {
    copy.folder.write(PREFERENCES, preferences("gutter_line_numbers : false boundary : 60"));
    copy.folder.write(L"a.c", "int a;\r\n");
    TesselRun tessel(copy, L"a.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    ASSERT_TRUE(rewriteKeepingTime(copy.folder, PREFERENCES, preferences("gutter_line_numbers : false boundary : 40")));

    // "None", above the shipped theme in force: the keywords lose their blue.
    HWND chooser = tessel.openThemeChooser();
    ASSERT_TRUE(chooser) << "no chooser";
    ASSERT_TRUE(activate(chooser));
    ASSERT_TRUE(pressChord({VK_UP}));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(pollFor([&] { return Capture::of(tessel.editor()).count(TesselRun::KEYWORD_BLUE, 8) == 0; }, WAIT_MS,
                        20))
        << "the keywords stayed blue";
    std::string picked;
    ASSERT_TRUE(pollFor(
        [&] { return settingsText(picked = copy.folder.read(PREFERENCES)).find("theme :") != std::string::npos; },
        WAIT_MS))
        << "the theme was not written";
    const std::string text = settingsText(picked);
    for (const char* kept : {"boundary : 40", "gutter_line_numbers : false", "DejaVu Sans Mono", "size : 10"})
        EXPECT_NE(std::string::npos, text.find(kept)) << kept << " is not in " << text;
    EXPECT_EQ(std::string::npos, text.find("boundary : 60")) << "the value read at the start was written back";
    // Nothing the run did not change: no default.
    for (const char* absent : {"word_wrap", "center"})
        EXPECT_EQ(std::string::npos, text.find(absent)) << absent << " was written: " << text;

    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "settings-theme-close");
    EXPECT_EQ(picked, copy.folder.read(PREFERENCES)) << "the exit wrote over the file";
}

TEST_F(SettingsEndToEnd, ValuesTesselCannotUseAreNamedOnceWithWhatItUsesAndKeepTheirText) {
    const std::string unusable = preferences("gutter_line_numbers : false boundary : 'wide'",
                                             "names : [ 'No Such Face \xC3\xA9' ] size : 400");
    copy.folder.write(PREFERENCES, unusable);
    copy.folder.write(L"long.txt", longLine(4));
    TesselRun tessel(copy, L"long.txt");
    ASSERT_TRUE(tessel.hasTitle(L"long.txt - Tessel"));
    HWND told = tessel.questionOffering(L"OK");
    ASSERT_TRUE(told) << "nothing told of the settings";
    ASSERT_TRUE(pressChordIn(told, {VK_RETURN}));
    ASSERT_TRUE(pollFor([&] { return !::IsWindow(told) || !::IsWindowVisible(told); }, WAIT_MS));

    // Written again with the same values and one Tessel takes: it wraps, and nothing new is told.
    const std::string again = preferences("gutter_line_numbers : false boundary : 'wide' word_wrap : true",
                                          "names : [ 'No Such Face \xC3\xA9' ] size : 400");
    copy.folder.writeOutside(PREFERENCES, again);
    Capture capture;
    std::vector<Band> bands;
    // Wrapped at the window's edge: more than one row.
    EXPECT_TRUE(pollFor([&] { return inkBands(capture = Capture::of(tessel.editor()), TEXT_INK).size() > 1; }, WAIT_MS,
                        20))
        << "not applied; " << keepCapture(capture, "settings-unusable");
    EXPECT_EQ(nullptr, OtherProcess::findTopLevel(L"afMessageBox", tessel.process.processId()).front())
        << "told again";

    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "settings-unusable-close");
    EXPECT_EQ(again, copy.folder.read(PREFERENCES)) << "the user's text was not kept";
    const std::wstring log = userLog(copy, user);
    const std::wstring path = user + L"\\config\\preferences.tsConfig";
    for (const std::wstring& line :
         {L"`app.editor.font.size` is 400 in `" + path + L"`, which is not a size from 4 to 72 points: Tessel uses 10.",
          L"`app.editor.font.names` is [ 'No Such Face \u00e9' ] in `" + path +
              L"`, and this computer has none of these faces: Tessel uses `Courier New`.",
          L"`app.editor.face.boundary` is 'wide' in `" + path +
              L"`, which is not a whole number of columns from 1 to 1000: Tessel uses 78."}) {
        // As a problem of the settings; the question that told them is logged too, as every question is.
        const std::wstring logged = L"Settings: " + line;
        EXPECT_NE(std::wstring::npos, log.find(logged)) << TesselRun::narrow(line);
        EXPECT_EQ(log.find(logged), log.rfind(logged)) << "logged twice: " << TesselRun::narrow(line);
    }
}

// The rows of the list (a "SysListView32" of the program), each its cells' texts joined by " | ".
std::vector<std::wstring> listRows(HWND list) {
    std::vector<std::wstring> rows;
    DWORD_PTR count = 0;
    if (!list || !::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count))
        return rows;
    for (int row = 0; row < static_cast<int>(count); ++row) {
        std::wstring line;
        for (int column = 0; column < 2; ++column) {
            struct Item {
                LVITEMW item;
                wchar_t text[512];
            } local = {};
            local.item.iSubItem = column;
            local.item.cchTextMax = 511;
            DWORD_PTR length = 0;
            OtherProcess::askWithBlock(list, LVM_GETITEMTEXTW, row, local,
                                     [](Item& block, Item* remote) { block.item.pszText = remote->text; }, &length);
            line += (column ? L" | " : L"") + std::wstring(local.text);
        }
        rows.push_back(line);
    }
    return rows;
}

TEST_F(SettingsEndToEnd, BundleFilesThatCannotBeReadAreNamedAndListedWithTheirProblems) {
    const std::wstring bundle = L"user-1\\bundles\\Zeta.30000002-0000-0000-0000-000000000001.tsBundle";
    const std::wstring grammar = bundle + L"\\grammars\\Zz.30000002-0000-0000-0000-000000000002.tsGrammar";
    const std::wstring theme = bundle + L"\\themes\\Night.30000002-0000-0000-0000-000000000003.tsTheme";
    for (const std::wstring& folder : {std::wstring(L"user-1\\bundles"), bundle, bundle + L"\\grammars",
                                       bundle + L"\\themes"})
        ::CreateDirectoryW((copy.folder / folder).c_str(), nullptr);
    copy.folder.write(bundle + L"\\info.30000002-0000-0000-0000-000000000001.tsInfo", "{ title: 'Zeta' }");
    copy.folder.write(grammar, "{ title: 'Zz' name: 'source.zz' file_types: [ 'zz' ] patterns: [ ] }");
    copy.folder.write(theme, "{ title: 'Night' settings: [ { settings: { background: '#000000' foreground: "
                             "'#FFFFFF' line_highlight: '#000000' } } ] }");
    copy.folder.write(PREFERENCES, preferences("theme : '30000002-0000-0000-0000-000000000003'"));
    copy.folder.write(L"a.zz", "zz\r\n");
    TesselRun tessel(copy, L"a.zz");
    const auto ground = [](HWND editor) {
        const Capture capture = Capture::of(editor);
        return capture.commonest(RECT{0, capture.height / 2, capture.width, capture.height});
    };
    // The theme in force: its black ground, and its white ink on the text (a window not yet
    // painted is black too, without ink).
    ASSERT_TRUE(pollFor(
        [&] { return ground(tessel.editor()) == 0x000000 && Capture::of(tessel.editor()).count(0xFFFFFF, 8) >= 10; },
        WAIT_MS, 20))
        << "the theme never showed";
    ASSERT_EQ(nullptr, OtherProcess::findTopLevel(L"afMessageBox", tessel.process.processId()).front())
        << "something was told at the start";

    // The grammar replaced by bytes of no text, the theme emptied; the bundles loaded again.
    std::string noise;
    for (int i = 0; i < 200; ++i)
        noise += static_cast<char>((i * 151 + 7) % 256);
    copy.folder.write(grammar, noise);
    copy.folder.write(theme, "");
    ASSERT_TRUE(tessel.openMenu('B')) << "Alt+B opened no menu";
    ASSERT_TRUE(pressChord({'R'}));
    // The theme the preferences name is no more: told, and the default colours show.
    HWND told = tessel.questionOffering(L"OK");
    ASSERT_TRUE(told) << "nothing told of the theme";
    ASSERT_TRUE(pressChordIn(told, {VK_RETURN}));
    ASSERT_TRUE(pollFor([&] { return !::IsWindow(told) || !::IsWindowVisible(told); }, WAIT_MS));
    EXPECT_TRUE(pollFor([&] { return ground(tessel.editor()) != 0x000000; }, WAIT_MS, 20));

    // The bundle editor lists the grammar, and opened it shows its problems.
    const HWND shown = tessel.showBundleEditor();
    ASSERT_TRUE(shown) << "F4 showed no bundle editor";
    HWND tree = OtherProcess::findChild(shown, L"SysTreeView32");
    ASSERT_TRUE(tree && pressChordIn(tree, {VK_END}));
    // Zeta, the last bundle: its Grammars, their first.
    for (WORD key : {VK_RIGHT, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN})
        ASSERT_TRUE(pressChord({key}));
    HWND problems = nullptr;
    std::vector<std::wstring> rows;
    const bool listed = pollFor(
        [&] {
            problems = OtherProcess::findChild(shown, WC_LISTVIEWW);
            rows = listRows(problems);
            return std::any_of(rows.begin(), rows.end(), [](const std::wstring& row) {
                return row.find(L"Tessel leaves the grammar `Zz` out until its file can be read: mend `") !=
                       std::wstring::npos;
            });
        },
        WAIT_MS);
    EXPECT_TRUE(listed) << rows.size() << " problem rows; " << keepCapture(Capture::of(shown), "bundle-unreadable");

    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "bundle-unreadable-close");
    EXPECT_EQ(noise, copy.folder.read(grammar)) << "the grammar's bytes were not kept";
    EXPECT_EQ("", copy.folder.read(theme));
    const std::wstring log = userLog(copy, user);
    for (const std::wstring& line :
         {L"`" + (copy.folder / grammar) + L"` cannot be read: ", std::wstring(L"Tessel leaves the grammar `Zz` out."),
          L"`" + (copy.folder / theme) + L"` cannot be read: File is empty. Tessel leaves the theme `Night` out.",
          std::wstring(L"`app.editor.face.theme` is '30000002-0000-0000-0000-000000000003' in `") + user +
              L"\\config\\preferences.tsConfig`, a theme that is not installed or whose file cannot be read: Tessel "
              L"shows its default colours."})
        EXPECT_NE(std::wstring::npos, log.find(line)) << TesselRun::narrow(line);
}

} // namespace
} // namespace tessel_test

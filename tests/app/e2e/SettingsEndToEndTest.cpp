// The user's settings in Tessel.exe while it runs: the preferences written by another program,
// or saved from their own tab, show at once in the text's wrapping and are kept at the exit; and
// values Tessel cannot use (a font size, a face, a margin) are named once in a message and in
// the log, with what Tessel uses instead, and keep their text in the file.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

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
    const std::wstring log = logText(copy, user);
    const std::wstring path = user + L"\\config\\preferences.tsConfig";
    for (const std::wstring& line :
         {L"`app.editor.font.size` is 400 in `" + path + L"`, which is not a size from 4 to 72 points: Tessel uses 10.",
          L"`app.editor.font.names` is [ 'No Such Face \u00e9' ] in `" + path +
              L"`, and this computer has none of these faces: Tessel uses `Courier New`.",
          L"`app.editor.face.boundary` is 'wide' in `" + path +
              L"`, which is not a whole number of columns from 1 to 1000: Tessel uses 78."}) {
        EXPECT_NE(std::wstring::npos, log.find(line)) << TesselRun::narrow(line);
        EXPECT_EQ(log.find(line), log.rfind(line)) << "logged twice: " << TesselRun::narrow(line);
    }
}

} // namespace
} // namespace tessel_test

// The editors' face from the user's preferences: the preset's keys read at start (a wrong value
// logged and its default kept), and the theme chooser, whose pick every editor shows and the
// preferences file keeps for the next start.

#include "app/FacePresetSettings.h"
#include "app/ShellFixture.h"

#include "afw/action/afActionChooser.h"
#include "bundles/BundleManager.h"
#include "editor/Editor.h"
#include "pel/log/Log.h"
#include "service/base/Config.h"
#include "service/document/controller/DocumentController.h"
#include "support/LogCapture.h"

namespace tessel_test {
namespace {

using tessel::FacePreset;
using tessel::MainWindow;

constexpr const char* VERSION = "{ version : '1 0 1 12e4b4c8' ";
constexpr const char* DARK = "30000001-0000-0000-0000-00000000000d";
constexpr const char* PALE = "30000001-0000-0000-0000-00000000000e";

class FacePresetTest : public ShellFixture {
protected:
    void writePreferences(const std::string& entries) {
        ::CreateDirectoryW((base / L"user").c_str(), nullptr);
        ::CreateDirectoryW((base / L"user\\config").c_str(), nullptr);
        base.write(L"user\\config\\preferences.tsConfig", VERSION + entries + " }");
    }
    std::wstring preferencesPath() const { return base / L"user\\config\\preferences.tsConfig"; }
    // The preferences file as Tessel writes it (UTF-16 with a byte order mark), narrowed.
    std::string preferencesText() const {
        const std::string bytes = base.read(L"user\\config\\preferences.tsConfig");
        std::string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(bytes[i + 1] ? '?' : bytes[i]);
        return text;
    }
    // A bundle in the program's folder with two themes besides the built-in "None".
    void writeThemes() {
        const std::wstring bundle = L"root\\bundles\\Looks.30000001-0000-0000-0000-000000000001.tsBundle";
        for (const std::wstring& folder : {std::wstring(L"root\\bundles"), bundle, bundle + L"\\themes"})
            ::CreateDirectoryW((base / folder).c_str(), nullptr);
        base.write(bundle + L"\\info.30000001-0000-0000-0000-000000000001.tsInfo", "{title: 'Looks'}");
        for (const auto& theme : {std::make_pair("Dark", DARK), std::make_pair("Pale", PALE)})
            base.write(bundle + L"\\themes\\" + std::wstring(theme.first, theme.first + 4) + L"." +
                           std::wstring(theme.second, theme.second + 36) + L".tsTheme",
                       std::string("{ title: '") + theme.first +
                           "' settings: [ { settings: { background: '#000000' foreground: '#FFFFFF' } } ] }");
    }
    void loadBundles() {
        ASSERT_TRUE(pumpUntil([&] { return !app->getBundleManager()->isLoading(); })) << "the load never ended";
    }
    // The chooser answers with the row of the title, or cancels when there is none; the titles
    // it was shown, and its look, are kept.
    void chooseTitle(const std::wstring& title) {
        afSetActionChooser([this, title](afViewPlatform*, const std::vector<afActionCandidate>& candidates) {
            afActionChoice choice;
            choice.result = pel::crc32Literal("cancel");
            look = afGetActionChooserLook();
            shown.clear();
            for (size_t row = 0; row < candidates.size(); ++row) {
                shown.push_back(candidates[row].action->getTitle());
                if (shown.back() == title) {
                    choice.result = pel::crc32Literal("ok");
                    choice.row = static_cast<int>(row);
                }
            }
            return choice;
        });
    }

    std::vector<std::wstring> shown;
    afActionChooserLook look;
};

TEST_F(FacePresetTest, TheKeysComeFromThePreferencesAndAWrongValueKeepsItsDefault) {
    writePreferences("app.editor.face : { word_wrap : true boundary : 40 boundary_break : true "
                     "show_indent_guides : 1 center : 'yes' theme : 'not a uuid' gutter_line_numbers : false "
                     "show_whitespace_after : true }");
    LogCapture log;
    ASSERT_TRUE(start());
    const FacePreset& preset = window->getFacePreset();
    EXPECT_TRUE(preset.wordWrap);
    EXPECT_EQ(40, preset.boundary);
    EXPECT_TRUE(preset.boundaryBreak);
    EXPECT_FALSE(preset.gutterLineNumbers);
    EXPECT_TRUE(preset.showWhitespaceAfter);
    EXPECT_FALSE(preset.showIndentGuides) << "an integer is no switch";
    EXPECT_FALSE(preset.center) << "a text is no switch";
    EXPECT_EQ(L"", preset.theme);
    // Each named with its value and what is used instead, in the log and in one message.
    const std::wstring told[] = {L"`app.editor.face.show_indent_guides` is 1 in `" + preferencesPath() +
                                     L"`, which is not true or false: Tessel uses false.",
                                 L"`app.editor.face.center` is 'yes' in `" + preferencesPath() +
                                     L"`, which is not true or false: Tessel uses false.",
                                 L"`app.editor.face.theme` is 'not a uuid' in `" + preferencesPath() +
                                     L"`, which is not the text of a theme's UUID: Tessel uses the shipped theme."};
    for (const std::wstring& line : told)
        EXPECT_TRUE(log.contains(line, pel::LOG_WARNING)) << narrow(line);
    EXPECT_FALSE(log.contains(L"`app.editor.face.word_wrap`"));
    answers.push_back(afWindow::RESULT_OK);
    ASSERT_TRUE(pumpUntil([&] { return !questions.empty(); })) << "the user was not told";
    ASSERT_EQ(1u, questions.size());
    for (const std::wstring& line : told)
        EXPECT_NE(std::wstring::npos, questions[0].find(line)) << narrow(questions[0]);
    // Every editor shows it, the shipped theme standing in for the empty one.
    run(L"file.new");
    for (MainWindow::Page* page : window->getPages()) {
        EXPECT_TRUE(page->editor->getPreset().wordWrap);
        EXPECT_EQ(40, page->editor->getPreset().boundary);
        EXPECT_EQ(MainWindow::SHIPPED_THEME, page->controller->getFacePreset().theme);
    }
}

TEST_F(FacePresetTest, WithoutPreferencesAndOutOfRangeTheDefaultsOfANewPresetHold) {
    writePreferences("app.editor.face : { boundary : 100000 }");
    LogCapture log;
    ASSERT_TRUE(start());
    const FacePreset& read = window->getFacePreset();
    const FacePreset fresh;
    EXPECT_EQ(fresh.boundary, read.boundary);
    EXPECT_TRUE(log.contains(L"`app.editor.face.boundary` is 100000 in `" + preferencesPath() +
                                 L"`, which is not a whole number of columns from 1 to 1000: Tessel uses 78.",
                             pel::LOG_WARNING));
    // Declared with the new preset's defaults: with nothing stored, reading them gives it back.
    tessel::Config& config = tessel::TesselService::getInstance()->getConfig();
    config.findValue(L"app.editor.face.boundary")->setInt(78);
    const FacePreset again = tessel::FacePresetSettings::load(config);
    EXPECT_TRUE(again.wordWrap == fresh.wordWrap && again.boundaryShow == fresh.boundaryShow &&
                again.boundaryBreak == fresh.boundaryBreak && again.boundary == fresh.boundary &&
                again.sublinesAlign == fresh.sublinesAlign && again.sublinesAlignShow == fresh.sublinesAlignShow &&
                again.showIndentGuides == fresh.showIndentGuides &&
                again.showWhitespaceBefore == fresh.showWhitespaceBefore &&
                again.showWhitespaceInside == fresh.showWhitespaceInside &&
                again.showWhitespaceAfter == fresh.showWhitespaceAfter && again.center == fresh.center &&
                again.breakWhitespace == fresh.breakWhitespace && again.theme == fresh.theme &&
                again.gutterLineNumbers == fresh.gutterLineNumbers);
}

TEST_F(FacePresetTest, TheChosenThemeShowsInEveryEditorAndIsKeptForTheNextStart) {
    writeThemes();
    ASSERT_TRUE(start());
    loadBundles();
    run(L"file.new");
    chooseTitle(L"Dark");
    run(L"view.theme.select");
    EXPECT_EQ((std::vector<std::wstring>{L"Dark", L"None", L"Pale"}), shown)
        << "the installed themes by title";
    const std::wstring dark(DARK, DARK + 36);
    EXPECT_EQ(dark, window->getFacePreset().theme);
    for (MainWindow::Page* page : window->getPages())
        EXPECT_EQ(dark, page->controller->getFacePreset().theme);
    EXPECT_NE(std::string::npos, preferencesText().find(DARK)) << "written at once: " << preferencesText();
    // A cancelled choice changes nothing.
    chooseTitle(L"no such theme");
    run(L"view.theme.select");
    EXPECT_EQ(dark, window->getFacePreset().theme);
    stop();

    ASSERT_TRUE(start());
    EXPECT_EQ(dark, window->getFacePreset().theme);
    EXPECT_EQ(dark, window->getActivePage()->controller->getFacePreset().theme);
}

// A theme picked while the preferences cannot be written (a folder stands where their file goes)
// shows at once, and the user is told why it is not kept, the file named by its path on disk.
// The exit tells it again, with a Retry: once the folder is gone, Retry writes the file.
TEST_F(FacePresetTest, AThemeThatCannotBeKeptIsToldWhyAndTheExitOffersToTryAgain) {
    writeThemes();
    const std::wstring preferences = settingsFile(L"preferences");
    for (const wchar_t* folder : {L"user", L"user\\config", L"user\\config\\preferences.tsConfig"})
        ASSERT_TRUE(::CreateDirectoryW((base / folder).c_str(), nullptr));
    ASSERT_TRUE(start());
    loadBundles();
    chooseTitle(L"Dark");
    answers = {afWindow::RESULT_OK};
    run(L"view.theme.select");
    EXPECT_EQ(std::wstring(DARK, DARK + 36), window->getFacePreset().theme);
    const std::wstring why = L"Cannot save `" + preferences + L"`: it is a folder, not a file.";
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"The theme is in use, but it is not kept for the next start:\n\n" + why, questions[0]);

    answerWith([&](const std::wstring&) {
        ::RemoveDirectoryW(preferences.c_str());
        return tessel::App::RESULT_RETRY;
    });
    stop();
    ASSERT_EQ(2u, questions.size());
    EXPECT_EQ(L"Tessel could not save its settings and session, which are lost if it quits now:\n\n" + why +
                  L"\n\nTry again once that is mended, or quit without them?",
              questions[1]);
    EXPECT_NE(std::string::npos, preferencesText().find(DARK)) << "Retry did not write the file";
}

// The chooser is titled for themes and marks the theme in force: none while the preferences name
// the shipped theme and it is not installed, then the one picked.
TEST_F(FacePresetTest, TheChooserIsTitledForThemesAndMarksTheThemeInForce) {
    writeThemes();
    ASSERT_TRUE(start());
    loadBundles();
    chooseTitle(L"Pale");
    run(L"view.theme.select");
    EXPECT_EQ(L"Select Theme", look.title);
    EXPECT_EQ(-1, look.current) << "the shipped theme is not among these";
    run(L"view.theme.select");
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ(2, look.current) << "\"Pale\", in force now";
    EXPECT_EQ(-1, afGetActionChooserLook().current) << "no look outlives its choice";
}

} // namespace
} // namespace tessel_test

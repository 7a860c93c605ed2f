// The user's settings while the program runs: the preferences file saved from a tab of Tessel,
// or written by another program, is applied at once and kept at the exit; picking a theme writes
// the theme alone into the file as it is then; settings the run did not change keep another
// program's write; a file saved broken is told once and kept as it is; and what Tessel cannot
// use keeps its text in the file.

#include "ShellFixture.h"

#include "afw/action/afActionChooser.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "bundles/BundleManager.h"
#include "service/document/DocumentManager.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"
#include "service/document/controller/DocumentControllerManager.h"

#include "pel/text/LineEnding.h"

#include <cstdlib>
#include <cstring>

using namespace tessel;

namespace {

constexpr const char* VERSION = "{ version : '1 0 1 12e4b4c8' ";
constexpr const char* DARK = "30000001-0000-0000-0000-00000000000d";

class ShellSettingsTest : public tessel_test::ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        ::CreateDirectoryW((base / L"user").c_str(), nullptr);
        ::CreateDirectoryW((base / L"user\\config").c_str(), nullptr);
    }
    static std::string preferences(const std::string& entries) { return VERSION + entries + " }"; }
    std::wstring preferencesPath() const { return settingsFile(L"preferences"); }
    // The preferences file as Tessel writes it (UTF-16 with a byte order mark).
    std::wstring preferencesText() const {
        const std::string bytes = base.read(L"user\\config\\preferences.tsConfig");
        std::wstring text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                static_cast<unsigned char>(bytes[i + 1]) << 8));
        return text;
    }
    // The active tab's whole text replaced, as the user would type it.
    void replaceText(const std::wstring& text) {
        DocumentController& controller = *window->getActivePage()->controller;
        DocumentController::Lock edit(controller, DocumentController::LOCK_EDIT);
        controller.getSelection().setOffsets(0, controller.getDocument().getLength(), selection_ids::NORMAL);
        controller.insertString(text);
    }
    // A bundle in the program's folder with the theme "Dark".
    void writeTheme() {
        const std::wstring bundle = L"root\\bundles\\Looks.30000001-0000-0000-0000-000000000001.tsBundle";
        for (const std::wstring& folder : {std::wstring(L"root\\bundles"), bundle, bundle + L"\\themes"})
            ::CreateDirectoryW((base / folder).c_str(), nullptr);
        base.write(bundle + L"\\info.30000001-0000-0000-0000-000000000001.tsInfo", "{title: 'Looks'}");
        base.write(bundle + L"\\themes\\Dark." + std::wstring(DARK, DARK + 36) + L".tsTheme",
                   "{ title: 'Dark' settings: [ { settings: { background: '#000000' foreground: '#FFFFFF' } } ] }");
    }
    static uint16_t fontSize() { return afUnicodeFontManager::instance().getEditorFontSize(); }
};

// Saved from its tab: applied at once (the face, the font, the documents' defaults), and the
// exit, which changed nothing, writes nothing over it.
TEST_F(ShellSettingsTest, ThePreferencesSavedInATabAreAppliedAtOnceAndKeptAtTheExit) {
    // In UTF-8, so that the tab saves text in every script.
    base.write(L"user\\config\\preferences.tsConfig",
               "\xEF\xBB\xBF" + preferences("app.editor.font : { size : 10 } app.editor.face : { word_wrap : false }"));
    ASSERT_TRUE(start(L"\"" + preferencesPath() + L"\""));
    ASSERT_FALSE(window->getFacePreset().wordWrap);
    DocumentManager& documents = app->getControllers()->getDocumentManager();
    ASSERT_NE(static_cast<uint32_t>(pel::LineEnding::LF), documents.getDefaultLineEnding());

    replaceText(L"{ version : '1 0 1 12e4b4c8'\r\n"
                L"  app.editor.font : { size : 14 }\r\n"
                L"  app.editor.face : { word_wrap : true boundary : 40 }\r\n"
                L"  app.file_defaults : { line_ending : 'LF' }\r\n"
                L"  // \u00e9t\u00e9 \U0001F468\u200D\U0001F469 \u05D0\u0301\r\n"
                L"}\r\n");
    ASSERT_TRUE(window->save(*window->getActivePage()));
    const std::string saved = base.read(L"user\\config\\preferences.tsConfig");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return window->getFacePreset().wordWrap; })) << "never applied";
    EXPECT_EQ(40, window->getFacePreset().boundary);
    EXPECT_TRUE(window->getActivePage()->editor->getPreset().wordWrap);
    EXPECT_EQ(14, fontSize());
    EXPECT_EQ(static_cast<uint32_t>(pel::LineEnding::LF), documents.getDefaultLineEnding());
    EXPECT_EQ(L"preferences.tsConfig - Tessel", window->getTitleText()) << "asked about another program";
    stop();
    EXPECT_EQ(saved, base.read(L"user\\config\\preferences.tsConfig")) << "the exit wrote over the saved file";
}

// Written by another program while Tessel runs: applied at once; picking a theme then writes
// the theme alone into the file as it is, keeping the other program's values and a value Tessel
// cannot use; the exit writes nothing more.
TEST_F(ShellSettingsTest, AnotherProgramsWriteIsAppliedAndAThemePickedWritesOnlyTheTheme) {
    writeTheme();
    base.write(L"user\\config\\preferences.tsConfig",
               preferences("app.editor.font : { size : 10 } app.editor.face : { word_wrap : false }"));
    ASSERT_TRUE(start());
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !app->getBundleManager()->isLoading(); }));
    base.writeOutside(L"user\\config\\preferences.tsConfig",
                      preferences("app.editor.font : { size : 14 } app.editor.face : { word_wrap : true boundary : 40 "
                                  "boundary_show : 'maybe' } app.other : { kept : /a+/ }"));
    // The value Tessel cannot use is told, once.
    answers.push_back(afWindow::RESULT_OK);
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return window->getFacePreset().wordWrap && !questions.empty(); }))
        << "never applied, or nothing told";
    EXPECT_EQ(40, window->getFacePreset().boundary);
    EXPECT_EQ(14, fontSize());
    ASSERT_EQ(1u, questions.size());
    EXPECT_NE(std::wstring::npos, questions[0].find(L"`app.editor.face.boundary_show` is 'maybe' in `" +
                                                    preferencesPath() + L"`, which is not true or false: Tessel uses "
                                                                        L"false."))
        << narrow(questions[0]);

    afSetActionChooser([](afViewPlatform*, const std::vector<afActionCandidate>& candidates) {
        afActionChoice choice;
        for (size_t row = 0; row < candidates.size(); ++row)
            if (candidates[row].action->getTitle() == L"Dark") {
                choice.result = pel::crc32Literal("ok");
                choice.row = static_cast<int>(row);
            }
        return choice;
    });
    run(L"view.theme.select");
    afSetActionChooser(nullptr);
    const std::wstring written = preferencesText();
    for (const std::wstring& kept : {L"theme : '" + std::wstring(DARK, DARK + 36) + L"'", std::wstring(L"size : 14"),
                                     std::wstring(L"word_wrap : true"), std::wstring(L"boundary : 40"),
                                     std::wstring(L"boundary_show : 'maybe'"), std::wstring(L"kept : /a+/")})
        EXPECT_NE(std::wstring::npos, written.find(kept)) << narrow(kept) << " is not in " << narrow(written);
    // Nothing Tessel did not change: no default, no font name.
    for (const wchar_t* absent : {L"names", L"center", L"line_ending"})
        EXPECT_EQ(std::wstring::npos, written.find(absent)) << narrow(absent) << " was written";
    const std::string picked = base.read(L"user\\config\\preferences.tsConfig");
    stop();
    EXPECT_EQ(picked, base.read(L"user\\config\\preferences.tsConfig")) << "the exit wrote over the file";
    EXPECT_EQ(1u, questions.size());
}

// The user's file types and disabled items, which the run did not change: another program's
// write of their files while Tessel runs stays as it is at the exit.
TEST_F(ShellSettingsTest, FileTypesAndDisabledItemsTheRunDidNotChangeKeepAnotherProgramsWrite) {
    base.write(L"user\\config\\languages.tsConfig",
               std::string(VERSION) + "app.languages : { extensions : [ { grammar_name : 'C' extensions : [ 'cc' ] } ] } }");
    base.write(L"user\\config\\bundles.tsConfig", std::string(VERSION) + "app.bundles : { disabled : [ ] } }");
    ASSERT_TRUE(start());
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !app->getBundleManager()->isLoading(); }));
    const std::string languages =
        std::string(VERSION) + "app.languages : { extensions : [ { grammar_name : 'C' extensions : [ 'cpp' ] } ] } }";
    const std::string bundles = std::string(VERSION) +
                                "app.bundles : { disabled : [ { title : 'X' uuid : "
                                "'30000001-0000-0000-0000-0000000000ff' type : 2 bundle_title : 'Y' } ] } }";
    base.writeOutside(L"user\\config\\languages.tsConfig", languages);
    base.writeOutside(L"user\\config\\bundles.tsConfig", bundles);
    stop();
    EXPECT_EQ(languages, base.read(L"user\\config\\languages.tsConfig"));
    EXPECT_EQ(bundles, base.read(L"user\\config\\bundles.tsConfig"));
}

// Saved broken from its tab: told once, the settings as they were and the file as it is, also
// after the exit.
TEST_F(ShellSettingsTest, APreferencesFileSavedBrokenIsToldAndKeptAsItIs) {
    base.write(L"user\\config\\preferences.tsConfig", preferences("app.editor.face : { word_wrap : true }"));
    ASSERT_TRUE(start(L"\"" + preferencesPath() + L"\""));
    ASSERT_TRUE(window->getFacePreset().wordWrap);
    replaceText(L"{ version : '1 0 1 12e4b4c8' app.editor.face : { word_wrap : false, } }");
    ASSERT_TRUE(window->save(*window->getActivePage()));
    answers.push_back(afWindow::RESULT_OK);
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !questions.empty(); })) << "nothing told";
    EXPECT_NE(std::wstring::npos, questions[0].find(L"`" + preferencesPath() + L"` cannot be read: a syntax error at "
                                                                               L"line 1"))
        << narrow(questions[0]);
    EXPECT_TRUE(window->getFacePreset().wordWrap);
    const std::string broken = base.read(L"user\\config\\preferences.tsConfig");
    stop();
    EXPECT_EQ(broken, base.read(L"user\\config\\preferences.tsConfig"));
    EXPECT_EQ(1u, questions.size());
}

// Editor font sizes the editor does not take, each written by another program while Tessel
// runs: each is told once, with its value and the size used instead, which the editor shows; a
// size it takes is used without a word.
TEST_F(ShellSettingsTest, EveryFontSizeTheEditorDoesNotTakeIsToldWithTheSizeUsed) {
    base.write(L"user\\config\\preferences.tsConfig", preferences("app.editor.font : { size : 14 }"));
    ASSERT_TRUE(start());
    ASSERT_EQ(14, fontSize());
    size_t told = 0;
    for (const char* size : {"0", "1", "-12", "400", "100000", "3", "73", "'big'", "[ 12 ]"}) {
        SCOPED_TRACE(size);
        answers.push_back(afWindow::RESULT_OK);
        base.writeOutside(L"user\\config\\preferences.tsConfig",
                          preferences(std::string("app.editor.font : { size : ") + size + " }"));
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() > told; })) << "nothing told";
        EXPECT_NE(std::wstring::npos,
                  questions[told].find(L"`app.editor.font.size` is " + std::wstring(size, size + std::strlen(size)) +
                                       L" in `" + preferencesPath() +
                                       L"`, which is not a size from 4 to 72 points: Tessel uses 10."))
            << narrow(questions[told]);
        EXPECT_EQ(10, fontSize());
        told = questions.size();
    }
    for (const char* size : {"4", "72"}) {
        base.writeOutside(L"user\\config\\preferences.tsConfig",
                          preferences(std::string("app.editor.font : { size : ") + size + " }"));
        const int points = std::atoi(size);
        EXPECT_TRUE(tessel_test::pumpUntil([&] { return fontSize() == points; })) << size << " was not taken";
    }
    EXPECT_EQ(told, questions.size()) << narrow(questions.back());
    // The user's text stays: the run changed nothing to write.
    stop();
    EXPECT_EQ(preferences("app.editor.font : { size : 72 }"), base.read(L"user\\config\\preferences.tsConfig"));
}

} // namespace

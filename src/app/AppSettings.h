#pragma once
// The settings as the program applies them: the editor font (before the main window is made) and
// the face preset at start, and again whenever a settings file brings new values for them, as
// does the documents' defaults' section: a file saved in a tab of Tessel, or by another program
// while Tessel runs, is read again (ConfigWatch) and applied through the settings' section
// listeners. What cannot be used of the settings is told to the user in a message, from the
// main loop: what the start found once its window shows, and later what a file read again
// brings, each problem once a run.

#include "service/base/ConfigSection.h"

#include <memory>
#include <set>
#include <string>

namespace tessel {

class Config;
class ConfigWatch;
class MainWindow;
class TesselService;
class ThemeManager;

class AppSettings : public IConfigSectionListener {
public:
    static constexpr const wchar_t* FONT_SECTION = L"app.editor.font";
    static constexpr const wchar_t* FONT_NAMES_SETTING = L"app.editor.font.names";
    static constexpr const wchar_t* FONT_SIZE_SETTING = L"app.editor.font.size";
    // The point sizes the editor takes, and the one it takes otherwise.
    static constexpr int MIN_FONT_SIZE = 4, MAX_FONT_SIZE = 72, DEFAULT_FONT_SIZE = 10;

    // Declares the editor font's settings and sets the font they name: the families this
    // computer has, at the size given when the editor takes it. A size it does not take, and
    // names none of which this computer has, are told; each face it lacks is logged.
    static void applyEditorFont(Config& config);

    // Listens to the sections the window and the documents take their settings from.
    AppSettings(TesselService& root, MainWindow& window);
    ~AppSettings() override;
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    // The start is over: the settings files are watched from now on, and what the start found
    // of them that cannot be used is told once the main loop runs.
    void watch();
    // The bundles are in: a theme the face names that none of them installs (missing, or its
    // file unreadable) is told.
    void checkTheme(const ThemeManager& themes);

    void onConfigSectionLoaded(Config& config, const wchar_t* prefix) override;
    void onConfigSectionDelivered(Config& config, const wchar_t* prefix) override;

private:
    // Applies what the settings of the section say now.
    void apply(Config& config, const wchar_t* prefix);
    // From the main loop: one message with every problem not told yet.
    void postTelling();
    void tellProblems();

    TesselService& m_root;
    MainWindow& m_window;
    std::unique_ptr<ConfigWatch> m_watch;
    bool m_tellingPosted = false;
    // Sections another thread loaded, applied once delivered on the main thread.
    std::set<std::wstring> m_delivered;
};

} // namespace tessel

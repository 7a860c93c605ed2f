#pragma once
// The program's application object: at start it sets up the logs, the service root and its
// settings, hands the command line to a running instance when there is one (or takes over, with
// the settings read again, when that instance ends instead), and otherwise makes the managers,
// checks the user folders, sets the editor font, builds the main window, starts loading the
// bundles and opens what the command line names; from then on the settings files are watched
// and applied as they change. At exit it closes the documents, saves the settings and deletes
// everything in the reverse order.

#include "afw/core/afApp.h"
#include "pel/base/Crc.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class afActionInvokerTab;
class SearchManager;

namespace pel {
class LogFile;
}

namespace tessel {

struct AppCommandLine;
class AppSettings;
class BundleManager;
class BundleManagerEditorBundles;
class DocumentControllerManager;
class GrammarBundleItemManager;
class MainWindow;
class ScopePreferencesManager;
class SnippetManager;
class TesselService;
class ThemeManager;
class ThemeManagerSource;

class App : public afApp {
public:
    static constexpr uint32_t LOG_SOURCE = pel::crc32Literal("Tessel");
    // The web service's base address; nothing is sent there while the update check stays out.
    static constexpr const wchar_t* WEB_SERVICE_ADDRESS = L"https://service.tessel.invalid/api/";
    // How long a second start waits for the first one's window, and how often it asks. A window
    // that refuses a hand-over is closing, with its questions perhaps still open before a user:
    // the wait outlasts a slow answer and a slow exit.
    static constexpr uint32_t FORWARD_WAIT_MS = 30000;
    static constexpr uint32_t FORWARD_RETRY_MS = 100;
    static constexpr uint32_t FORWARD_TIMEOUT_MS = 5000;
    // The answer that tries the exit's save of the settings again (quitting without them:
    // afWindow::RESULT_CANCEL).
    static constexpr uint32_t RESULT_RETRY = pel::crc32Literal("retry");

    // The command line the start reads; the process's own by default.
    explicit App(const std::wstring& commandLine = ::GetCommandLineW());
    ~App() override;

    // The program's running application, or null.
    static App* get();

    bool init() override;
    void exit() override;

    // What the process ends with when init answers false: 0 after a forwarded command line, 1
    // for a start that failed.
    int getExitCode() const { return m_exitCode; }
    MainWindow* getMainWindow() const { return m_mainWindow.get(); }
    BundleManager* getBundleManager() const { return m_bundles.get(); }
    DocumentControllerManager* getControllers() const { return m_controllers.get(); }
    pel::LogFile* getLogFile() const { return m_logFile.get(); }

    // The documents' defaults and every settings file, written as the exit writes them (the end
    // of a Windows session, which skips the exit, as well). What could not be written, in the
    // user's words (logged too); empty when everything was.
    std::wstring saveSettings();
    // Takes the log file out of the log manager and deletes it (the crash callback and exit).
    void dropLogFile();

private:
    // A second start: the command line to the running instance. True when this process should
    // start as the first one after all (the running one went away).
    bool forward(const AppCommandLine& line);
    // One text of the command line to the running instance, waited for; what failed is told,
    // naming what was not opened.
    enum class HandOver { TAKEN, FIRST, FAILED };
    HandOver handOver(const std::wstring& commandLine, const std::vector<std::wstring>& named);
    // Reads every settings file again: a start that took over from a running copy.
    void reloadSettings();
    bool checkUserFolders();
    // The exit's save of the settings: while it fails, the user is told why and asked whether
    // to try again or to quit without them.
    void saveSettingsOrAsk();
    void createManagers();

    std::wstring m_commandLine;
    int m_exitCode = 1;
    TesselService* m_root = nullptr;
    std::unique_ptr<pel::LogFile> m_logFile;
    std::unique_ptr<DocumentControllerManager> m_controllers;
    std::unique_ptr<BundleManager> m_bundles;
    std::shared_ptr<ThemeManager> m_themes;
    std::shared_ptr<GrammarBundleItemManager> m_grammars;
    std::shared_ptr<SnippetManager> m_snippets;
    std::shared_ptr<ScopePreferencesManager> m_preferences;
    std::unique_ptr<ThemeManagerSource> m_themeSource;
    // What the editors' choosers and the status strip's language button read of the bundles.
    std::unique_ptr<BundleManagerEditorBundles> m_editorBundles;
    std::unique_ptr<SearchManager> m_search;
    std::unique_ptr<afActionInvokerTab> m_tabTriggers;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<AppSettings> m_settings;
};

// The crash reporter's callback while a report is prepared: the debug log is completed on disk
// and let go; TRUE, so the report goes on.
BOOL CALLBACK crashCallback(void* state);

} // namespace tessel

#include "app/App.h"

#include "app/AppCommandLine.h"
#include "app/AppDialogs.h"
#include "app/AppSettings.h"
#include "app/BundleEntryTextEditor.h"
#include "app/CopyDataMessage.h"
#include "app/FacePresetSettings.h"
#include "app/MainWindow.h"
#include "app/ShellText.h"

#include "bundles/BundleManager.h"
#include "bundles/GrammarBundleItemManager.h"
#include "bundles/preferences/ScopePreferencesManager.h"
#include "bundles/snippets/SnippetManager.h"
#include "bundles/themes/ThemeManager.h"
#include "components/ActionSelectWindow.h"
#include "components/SearchManager.h"
#include "editor/EditorBundles.h"
#include "editor/EditorThemes.h"
#include "editor/ThemeManagerSource.h"

#include "afw/action/afActionChooser.h"
#include "afw/action/afActionInvoker.h"
#include "afw/core/afInstanceControl.h"
#include "afw/core/afModuleInstance.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afExceptionBoundary.h"
#include "pel/base/Exception.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/log/Log.h"
#include "pel/log/LogFile.h"
#include "pel/log/LogManager.h"
#include "pel/thread/Mutex.h"
#include "service/base/Config.h"
#include "service/base/ServiceSetup.h"
#include "service/base/TesselService.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/parser/DocumentParserServices.h"
#include "service/parser/spans/SpanManager.h"

namespace tessel {

namespace {

const wchar_t* const USER_FOLDERS[] = {L"user:", L"user:config", L"user:projects", L"user:bundles",
                                       L"user:bundles/.changes"};

// The names in the sentence's place of {1}, said not to be opened: "`a` was not opened", "`a`
// and `b` were not opened", "`a`, `b` and 4 others were not opened".
std::wstring notOpenedText(const std::vector<std::wstring>& names, const wchar_t* sentence) {
    constexpr size_t NAMED = 2;
    std::wstring list;
    const size_t shown = names.size() > NAMED + 1 ? NAMED : names.size();
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0)
            list += i + 1 == shown && shown == names.size() ? L" and " : L", ";
        list += L"`" + names[i] + L"`";
    }
    if (shown < names.size())
        list += L" and " + std::to_wstring(names.size() - shown) + L" others";
    list += names.size() == 1 ? L" was not opened" : L" were not opened";
    return shellText(sentence, list);
}

std::wstring programPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

} // namespace

App::App(const std::wstring& commandLine) : m_commandLine(commandLine) {}

App::~App() = default;

App* App::get() {
    return dynamic_cast<App*>(afApp::getInstance());
}

bool App::init() {
    // 1. File errors and the log sources.
    pel::FileErrorImpl::registerMessageTables();
    pel::LogManager_Impl::getInstance()->registerSource(L"Tessel");
    pel::LogManager_Impl::getInstance()->registerSource(L"UI");
    // 2. The service root: the file system and the settings.
    m_root = TesselService::getInstance();
    if (!m_root) {
        showMessage(nullptr, L"Tessel cannot start: the settings could not be set up.");
        return false;
    }
    // 3. The command line; a second start hands it over here.
    AppCommandLine line;
    const bool parsed = line.parseOrExplain(m_commandLine, nullptr);
    // A second start with a broken command line has nothing to hand over: it ends (1).
    if (!afInstanceControl::instance().isFirstInstance()) {
        if (!parsed || !forward(line))
            return false;
        // The copy that ran until now wrote its settings as it ended, after the root had read
        // them: read before anything takes them, and written back at exit, the old ones would
        // undo what it saved last.
        reloadSettings();
    }
    // 4. The debug log, with what was logged before it.
    m_logFile.reset(new pel::LogFile(pel::LogFile::DEFAULT_PATH, pel::LogFile::F_DEFAULT));
    pel::LogManager_Impl::getInstance()->addListener(m_logFile.get(), true);
    // 5. The managers.
    createManagers();
    // 6. The user folders.
    if (!checkUserFolders())
        return false;
    // 7. - 9. The editor font, the main window, the cross-thread messages.
    AppSettings::applyEditorFont(m_root->getConfig());
    MainWindow::Services services;
    services.root = m_root;
    services.controllers = m_controllers.get();
    services.grammars = m_grammars.get();
    services.bundles = m_bundles.get();
    services.themes = m_themes.get();
    services.saveSettings = [this] { saveSettings(); };
    m_mainWindow.reset(new MainWindow(services));
    if (!m_mainWindow->create())
        return false;
    m_mainWindow->setFacePreset(FacePresetSettings::load(m_root->getConfig()));
    m_settings.reset(new AppSettings(*m_root, *m_mainWindow));
    // The bundle editor, made on the start-up list, belongs to the window; its entries show in
    // editors with the window's face.
    m_bundles->setMainWindow(m_mainWindow.get());
    BundleEntryTextEditor::install(*m_controllers, m_mainWindow.get());
    setMainWidget(m_mainWindow.get());
    getMessageRegistry()->initRegistry(afGetModuleInstance());
    // 10. The start-up list, 11. the bundles in the background.
    {
        pel::ScopedLock<pel::Mutex_Impl> guard(m_root->getConfig().getLock());
        m_root->runStartup();
    }
    // A file opened while the bundles load has no grammar yet: it gets one when they are in.
    m_bundles->onLoadFinished.add(this, [this](bool cancelled) {
        if (m_mainWindow)
            m_mainWindow->applyMissingGrammars();
        if (m_settings && m_themes && !cancelled)
            m_settings->checkTheme(*m_themes);
    });
    m_bundles->load();
    // 12. - 13. The window, with the file the command line names or an empty document.
    m_mainWindow->show();
    m_mainWindow->openCommandLine(line);
    if (m_mainWindow->getPages().empty())
        m_mainWindow->newDocument();
    // From now on a settings file changed on disk is read again and applied.
    m_settings->watch();
    m_exitCode = 0;
    return true;
}

void App::createManagers() {
    pel::ScopedLock<pel::Mutex_Impl> guard(m_root->getLock());
    m_root->createWebApi(WEB_SERVICE_ADDRESS);
    m_root->createDocumentManager(std::make_shared<DocumentParserServices>());
    m_controllers.reset(new DocumentControllerManager(*m_root->getDocumentManager()));
    SpanManager::install(*m_controllers);
    m_bundles.reset(new BundleManager(*m_root));
    m_themes = ThemeManager::create(*m_bundles);
    m_grammars = GrammarBundleItemManager::create(*m_bundles, *m_root);
    m_grammars->setControllerManager(m_controllers.get());
    m_snippets = SnippetManager::create(*m_bundles, *m_controllers);
    m_preferences = ScopePreferencesManager::create(*m_bundles);
    m_search.reset(new SearchManager);
    SearchManager::install(m_search.get());
    m_themeSource.reset(new ThemeManagerSource(m_themes));
    setEditorThemeSource(m_themeSource.get());
    m_editorBundles.reset(new BundleManagerEditorBundles(*m_bundles, *m_grammars));
    setEditorBundles(m_editorBundles.get());
    m_tabTriggers.reset(new afActionInvokerTab(getActionRegistry()));
    afRegisterInvoker(m_tabTriggers.get(), getActionRegistry(), AF_ACTION_KIND_TAB_TRIGGER);
    ActionSelectWindow::install();
}

bool App::checkUserFolders() {
    for (const wchar_t* folder : USER_FOLDERS) {
        pel::WorkString<> full;
        if (!pel::FileIO::getFullPath(folder, &full)) {
            showMessage(nullptr, shellText(L"Unable to resolve path to required directory `{1}`", folder));
            return false;
        }
        pel::FileIO::createDirectories(folder);
        std::wstring probe;
        pel::File* file = pel::FileIO::createUniqueFile((std::wstring(folder) + L"/probe.tmp").c_str(),
                                                        pel::FILE_MODE_WRITE_CREATE, &probe);
        if (!file) {
            showMessage(nullptr, shellText(L"Unable to write to `{1}`", full.c_str()));
            return false;
        }
        pel::FileIO::closeFile(file);
        pel::FileIO::deleteFile(probe.c_str());
    }
    return true;
}

bool App::forward(const AppCommandLine& line) {
    // Several texts when the files need them, each within what the running instance reads.
    std::vector<std::wstring> left;
    const std::vector<AppCommandLine::Forwarded> texts =
        line.toForward(programPath(), CopyDataMessage::MAX_BYTES / 2 - 1, &left);
    if (!left.empty())
        showMessage(nullptr, notOpenedText(left, L"Tessel cannot take names that long; {1}."));
    for (size_t sent = 0; sent < texts.size(); ++sent) {
        // A failure names what this text and the ones after it hold.
        std::vector<std::wstring> unsent;
        for (size_t later = sent; later < texts.size(); ++later)
            unsent.insert(unsent.end(), texts[later].names.begin(), texts[later].names.end());
        switch (handOver(texts[sent].text, unsent)) {
        case HandOver::TAKEN:
            break;
        case HandOver::FIRST:
            return true;
        case HandOver::FAILED:
            return false;
        }
    }
    m_exitCode = 0;
    return false;
}

App::HandOver App::handOver(const std::wstring& commandLine, const std::vector<std::wstring>& named) {
    const std::wstring text = CopyDataMessage::encode(commandLine);
    afInstanceControl& instance = afInstanceControl::instance();
    // A window that is closing may be busy ending its program for a while and then go: a time-out
    // is tried again like a refusal, and said only when the whole wait has passed.
    bool timedOut = false;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start <= FORWARD_WAIT_MS) {
        std::vector<HWND> windows;
        afInstanceControl::findInstanceWindows(windows);
        timedOut = false;
        for (HWND window : windows) {
            // The running instance brings its window, or the question it asks, to the front itself:
            // only it knows what it asks.
            switch (afInstanceControl::sendCopyData(window, text.data(), text.size() * sizeof(wchar_t),
                                                    FORWARD_TIMEOUT_MS)) {
            case afInstanceControl::SEND_ACCEPTED:
                return HandOver::TAKEN;
            case afInstanceControl::SEND_CLOSING:
                showMessage(nullptr, named.empty() ? std::wstring(L"Tessel is closing; no new document was opened.")
                                                   : notOpenedText(named, L"Tessel is closing; {1}."));
                return HandOver::FAILED;
            case afInstanceControl::SEND_TIMED_OUT:
                timedOut = true;
                break;
            default:
                break;
            }
        }
        // The first instance may have ended meanwhile: then this one is the first.
        instance.close();
        if (instance.create())
            return HandOver::FIRST;
        ::Sleep(FORWARD_RETRY_MS);
    }
    if (timedOut)
        showMessage(nullptr, L"Tessel is already running but does not respond.");
    else
        showMessage(nullptr, notOpenedText(named, L"Tessel is running but did not answer; {1}."));
    return HandOver::FAILED;
}

void App::reloadSettings() {
    Config& config = m_root->getConfig();
    pel::ScopedLock<pel::Mutex_Impl> guard(config.getLock());
    if (!config.loadAll())
        pel::log_printf(pel::LOG_INFO, LOG_SOURCE,
                        L"App::reloadSettings(): Not every settings file was read again; those keep what was read.");
}

void App::dropLogFile() {
    if (!m_logFile)
        return;
    pel::LogManager_Impl::getInstance()->removeListener(m_logFile.get());
    m_logFile.reset();
}

std::wstring App::saveSettings() {
    if (m_controllers) {
        // Not held past this step: the exit's root deletes it, before the file system goes.
        DocumentManager& documents = *m_root->getDocumentManager();
        pel::ScopedLock<pel::Mutex_Impl> guard(m_root->getConfig().getLock());
        documents.writeSettings(m_root->getConfig());
    }
    // Only of a start that got as far as its window: a second start that handed its command line
    // over must not write the running instance's files.
    if (!m_root || !m_mainWindow)
        return std::wstring();
    std::vector<Config::SaveFailure> failures;
    {
        pel::ScopedLock<pel::Mutex_Impl> guard(m_root->getConfig().getLock());
        m_root->runSettingsSaving();
        m_root->getConfig().saveAll(&failures);
    }
    const std::wstring told = settingsFailureText(failures);
    if (!told.empty())
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"App::saveSettings(): The settings could not be saved:\n%s",
                        told.c_str());
    return told;
}

void App::saveSettingsOrAsk() {
    // The main window is gone and the loop has ended: the question stands alone and runs its own
    // loop. Whatever the answer, Tessel ends with 0: quitting without them is the user's choice,
    // made knowing what is lost.
    for (std::wstring told = saveSettings(); !told.empty(); told = saveSettings()) {
        const uint32_t answer = askQuestion(
            nullptr,
            shellText(L"Tessel could not save its settings and session, which are lost if it quits now:\n\n{1}\n\n"
                      L"Try again once that is mended, or quit without them?",
                      told),
            {{L"&Retry", RESULT_RETRY, true}, {L"&Quit Without Them", afWindow::RESULT_CANCEL, false}});
        if (answer != RESULT_RETRY) {
            pel::log_printf(pel::LOG_WARNING, LOG_SOURCE, L"App::exit(): Quit without the settings that could not be saved.");
            return;
        }
    }
}

void App::exit() {
    // What changes in the settings files from now on is not applied: the save reads it.
    m_settings.reset();
    // 1. The documents (their questions were asked when the window closed) and their defaults.
    // A failure there is reported and costs neither the settings nor the order of what follows:
    // the window's actions must leave the registry before the framework deletes it.
    afGuard([this] {
        if (m_mainWindow)
            m_mainWindow->closeAllTabs();
        if (m_controllers)
            m_root->getDocumentManager()->closeAllDocuments();
    });
    // 2. The settings, asked about while they cannot be saved.
    afGuard([this] { saveSettingsOrAsk(); });
    // 3. - 4. The single-instance mutex, the window, then the managers in reverse order.
    afInstanceControl::instance().close();
    if (m_mainWindow) {
        setMainWidget(nullptr);
        if (HWND window = m_mainWindow->getHandle()) {
            ::DestroyWindow(window);
            // Its WM_QUIT belongs to the loop that has already ended.
            MSG quit;
            ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        }
        m_mainWindow.reset();
    }
    if (m_search) {
        SearchManager::install(nullptr);
        m_search.reset();
    }
    // The type managers registered with the BundleManager go with it (its own references are
    // the last); one that never registered goes here, while the BundleManager it refers to is
    // still there.
    setEditorThemeSource(nullptr);
    m_themeSource.reset();
    setEditorBundles(nullptr);
    m_editorBundles.reset();
    m_preferences.reset();
    m_snippets.reset();
    m_grammars.reset();
    m_themes.reset();
    if (m_bundles)
        m_bundles->onLoadFinished.remove(this);
    m_bundles.reset();
    afSetActionChooser(nullptr);
    if (m_tabTriggers) {
        afRemoveInvoker(getActionRegistry(), m_tabTriggers.get());
        m_tabTriggers.reset();
    }
    BundleEntryTextEditor::uninstall();
    m_controllers.reset();
    // 5. - 6. The exit list, the root, the cross-thread messages.
    if (m_root) {
        m_root->runExit();
        delete m_root;
        m_root = nullptr;
    }
    if (getMessageRegistry())
        getMessageRegistry()->releaseRegistry();
    // 7. - 8.
    pel::log_printf(pel::LOG_INFO, LOG_SOURCE, L"Good bye...");
    dropLogFile();
    releaseFileSystem();
}

} // namespace tessel

#pragma once
// The root of the editing service: one process-wide object that owns the settings (Config), the
// web-service client and the DocumentManager, and keeps the five lists through which the
// application shell asks and tells the managers things at start and at exit. The shell reaches
// it with getInstance, which creates and sets it up on first use (a failed set-up is tried
// again on the next call), adds the client and the DocumentManager, and deletes it at exit,
// which empties the slot. Windows and visual styles only look it up (findInstance): they must
// never start the service.
//
// The DocumentManager belongs to the document engine, a layer above this one: the root holds it
// as a shared pointer to a type declared here, and createDocumentManager is defined with the
// DocumentManager (service/document/DocumentManagerRoot.cpp).
//
// Created and used on the UI thread. The root's lock is the Config lock.

#include "service/base/Notice.h"

#include "pel/thread/Mutex.h"

#include <memory>
#include <string>

namespace tessel {

class Config;
class DocumentManager;
class ParserServices;
class WebApiService;

class TesselService {
public:
    // The steps of the set-up after Config exists; each answers false when the start cannot go on.
    struct SetupSteps {
        bool (*setupFileSystem)(Config& config);
        bool (*declareConfigSchema)(Config& config);
    };

    // The root, created and set up when there is none yet; null when that failed.
    static TesselService* getInstance();
    // The root when there is one; never creates it.
    static TesselService* findInstance();
    // A new root with its set-up run: Config, then the file system, then the settings schema
    // (which loads the configuration files); null, the root destroyed, when a step failed.
    static TesselService* create();
    // Tests: the steps create runs (null pointers: the application's own).
    static void setSetupSteps(const SetupSteps& steps);

    // Releases the lists (the fifth first), the DocumentManager, the client and Config, in that
    // order, and empties the slot when it holds this root.
    ~TesselService();
    TesselService(const TesselService&) = delete;
    TesselService& operator=(const TesselService&) = delete;

    Config& getConfig() const { return *m_config; }
    std::shared_ptr<Config> getConfigPointer() const { return m_config; }
    // The Config lock, held by the shell around its start-up and shutdown steps.
    pel::Mutex_Impl& getLock() const;

    // Makes the web-service client and initialises it with the address.
    void createWebApi(const std::wstring& baseAddress);
    // Makes the DocumentManager with the parsing pieces given (null: none, documents are not
    // parsed) and has it read its settings.
    void createDocumentManager(std::shared_ptr<ParserServices> services = nullptr);
    // Each throws pel::NullPointerException naming the member while it is empty.
    std::shared_ptr<WebApiService> getWebApi() const;
    std::shared_ptr<DocumentManager> getDocumentManager() const;

    // 1. Set-up with the Config, once the main window exists; run under the Config lock.
    Notice<Config&>& startupDelegates() { return m_startup; }
    // 2. Settings written back at exit, before the configuration files are saved.
    Notice<Config&>& settingsDelegates() { return m_settings; }
    // 3. Whether the main window may close; any false vetoes.
    Query<>& closeQueryDelegates() { return m_closeQuery; }
    // 4. The close query passed: the managers let go of what they hold.
    Notice<>& closingDelegates() { return m_closing; }
    // 5. At exit, after the windows are gone, with the argument 1: the framework's clean-ups
    // (the visual-styles library, ...).
    Notice<int>& exitDelegates() { return m_exit; }

    void runStartup();
    void runSettingsSaving();
    bool queryClose() const { return m_closeQuery.ask(); }
    void runClosing() { m_closing.notify(); }
    void runExit() { m_exit.notify(1); }

private:
    TesselService();
    bool setUp();

    std::shared_ptr<Config> m_config;
    std::shared_ptr<WebApiService> m_web_api;
    std::shared_ptr<DocumentManager> m_document_manager;
    Notice<Config&> m_startup;
    Notice<Config&> m_settings;
    Query<> m_closeQuery;
    Notice<> m_closing;
    Notice<int> m_exit;
};

} // namespace tessel

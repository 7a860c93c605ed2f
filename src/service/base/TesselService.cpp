#include "service/base/TesselService.h"

#include "pel/base/Assert.h"
#include "service/base/Config.h"
#include "service/base/ServiceSetup.h"
#include "service/base/WebApiService.h"

namespace tessel {

namespace {

// The hard checks of the getters name the root's header, as the application's crash reports
// know it.
constexpr wchar_t HEADER[] = L"service/TesselService";

TesselService* s_instance = nullptr;
TesselService::SetupSteps s_steps{nullptr, nullptr};

} // namespace

TesselService* TesselService::getInstance() {
    if (!s_instance)
        s_instance = create();
    return s_instance;
}

TesselService* TesselService::findInstance() { return s_instance; }

TesselService* TesselService::create() {
    std::unique_ptr<TesselService> root(new TesselService());
    if (!root->setUp())
        return nullptr;
    return root.release();
}

void TesselService::setSetupSteps(const SetupSteps& steps) { s_steps = steps; }

TesselService::TesselService() = default;

TesselService::~TesselService() {
    if (s_instance == this)
        s_instance = nullptr;
    m_exit = Notice<int>();
    m_closing = Notice<>();
    m_closeQuery = Query<>();
    m_settings = Notice<Config&>();
    m_startup = Notice<Config&>();
    m_document_manager.reset();
    m_web_api.reset();
    m_config.reset();
}

bool TesselService::setUp() {
    m_config = std::make_shared<Config>();
    bool (*const standardFileSystem)(Config&) = &setupFileSystem;
    const auto fileSystem = s_steps.setupFileSystem ? s_steps.setupFileSystem : standardFileSystem;
    const auto schema = s_steps.declareConfigSchema ? s_steps.declareConfigSchema : &declareConfigSchema;
    if (!fileSystem(*m_config))
        return false;
    return schema(*m_config);
}

pel::Mutex_Impl& TesselService::getLock() const { return m_config->getLock(); }

void TesselService::createWebApi(const std::wstring& baseAddress) {
    m_web_api = std::make_shared<WebApiService>();
    m_web_api->initialize(*m_config, baseAddress);
}

std::shared_ptr<WebApiService> TesselService::getWebApi() const {
    if (!m_web_api)
        pel::nullPointerViolation(L"m_web_api", HEADER, __LINE__);
    return m_web_api;
}

std::shared_ptr<DocumentManager> TesselService::getDocumentManager() const {
    if (!m_document_manager)
        pel::nullPointerViolation(L"m_document_manager", HEADER, __LINE__);
    return m_document_manager;
}

void TesselService::runStartup() {
    pel::ScopedLock<pel::Mutex_Impl> lock(getLock());
    m_startup.notify(*m_config);
}

void TesselService::runSettingsSaving() {
    pel::ScopedLock<pel::Mutex_Impl> lock(getLock());
    m_settings.notify(*m_config);
}

} // namespace tessel

#include "bundles/GrammarBundleItemManager.h"
#include "bundles/BundleManager.h"
#include "bundles/ToolStripStatus.h"

#include "service/base/Config.h"
#include "service/base/TaskRunner.h"
#include "service/base/TesselService.h"
#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTemplates.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleError.h"
#include "service/bundles/BundleFactory.h"
#include "service/bundles/grammar/GrammarBundleItem.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"

#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/graphics/afIcon.h"
#include "afw/graphics/afStockResources.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"

#include <algorithm>

namespace tessel {

namespace {

// Where the entry is kept, in the layered text form: its top-most stored file, else the file
// it would be saved to.
std::wstring pathText(const BundleEntry& entry) {
    const std::shared_ptr<BundleEntrySource>& source = entry.getSource();
    if (const BundleEntryFilePath* stored = source ? source->getTopPath() : nullptr)
        return stored->toString(true);
    if (!static_cast<const BundleItem&>(entry).getBundle())
        return entry.getTitle();
    BundleEntryFilePath path;
    entry.getFilePath(&path);
    return path.toString(true);
}

void refuse(BundleEntry& entry, const std::wstring& message) {
    entry.getErrors().add(makeBundleError(GrammarBundleItemManager::INSTALL_TAG, BundleError::SEVERITY_INVALID, message));
}

} // namespace

std::shared_ptr<GrammarBundleItemManager> GrammarBundleItemManager::create(BundleManager& bundles,
                                                                           TesselService& service) {
    return std::shared_ptr<GrammarBundleItemManager>(new GrammarBundleItemManager(bundles, service));
}

GrammarBundleItemManager::GrammarBundleItemManager(BundleManager& bundles, TesselService& service)
    : afActionHandler(afApp::getActionRegistry(), L"bundles.language"), m_bundles(bundles), m_service(service),
      m_compileRunner(std::make_shared<TaskRunner>(L"CompileTaskRunner")) {
    afRegisterIcon(BUNDLE_TYPE_GRAMMAR, afIcon(ICON_RESOURCE, 16));
    attachActionHandler();
    m_compileRunner->onTaskStarted = [this](TaskRunner&) {
        if (m_runningCompiles++ == 0)
            m_activity = ToolStripStatus::addActivity(L"Compiling grammars...");
    };
    m_compileRunner->onTaskFinished = [this](TaskRunner&) {
        if (m_runningCompiles > 0 && --m_runningCompiles == 0) {
            ToolStripStatus::removeActivity(m_activity);
            m_activity = 0;
        }
    };
    m_bundles.onSetUp.add(this, [this] { setUp(); });
    m_bundles.onUpdateBegin.add(this, [this] { lockCompile(false); });
    m_bundles.onUpdateEnd.add(this, [this] { unlockCompile(); });
    m_service.startupDelegates().add(this, [this](Config& config) {
        loadSettings(config);
        m_service.settingsDelegates().add(this, [this](Config& settings) { saveSettings(settings); });
    });
}

GrammarBundleItemManager::~GrammarBundleItemManager() {
    try {
        lockCompile(true);
        m_compileRunner.reset(); // a delivery still due is dropped with it
        ToolStripStatus::removeActivity(m_activity);
        m_bundles.onSetUp.remove(this);
        m_bundles.onUpdateBegin.remove(this);
        m_bundles.onUpdateEnd.remove(this);
        if (TesselService::findInstance() == &m_service) {
            m_service.startupDelegates().remove(this);
            m_service.settingsDelegates().remove(this);
        }
        if (m_defaultGrammar)
            removeAction(*m_defaultGrammar);
        for (GrammarBundleItemAction* action : m_actions) {
            action->getGrammar().setLanguageAction(nullptr);
            releaseAction(action);
        }
    } catch (const pel::Exception& e) {
        pel::log_printf(pel::LOG_ERROR, BundleManager::LOG_SOURCE, L"GrammarBundleItemManager::~GrammarBundleItemManager(): %s",
                        e.displayText().c_str());
    }
}

void GrammarBundleItemManager::setUp() {
    if (!m_bundles.registerEntryType(shared_from_this()))
        pel::log_printf(pel::LOG_ERROR, BundleManager::LOG_SOURCE,
                        L"GrammarBundleItemManager::setUp(): Another manager makes the grammars\n");
    // Built in, never compiled and never a name conflict: not among the installed grammars.
    const BundleEntryPtr entry = BundleEntry::create(*m_bundles.getFactory(), BUNDLE_TYPE_GRAMMAR, pel::UUID());
    m_defaultGrammar = dynamic_cast<GrammarBundleItem*>(entry.get());
    if (!m_defaultGrammar)
        return;
    BundleEntryTemplates::fill(*m_defaultGrammar, BundleEntryTemplates::GRAMMAR, L"None", DEFAULT_SCOPE, PEL_FILE,
                               __LINE__);
    addAction(*m_defaultGrammar);
}

BundleEntryPtr GrammarBundleItemManager::createEntry() { return BundleEntryPtr(new GrammarBundleItem, false); }

const BundleEntryTraits& GrammarBundleItemManager::getEntryTraits() const { return BundleEntryTraits::grammar(); }

BundleEntryEditorFactory GrammarBundleItemManager::getEditorFactory(BundleEntry&) const {
    return &BundleEntrySourceEditor::create;
}

bool GrammarBundleItemManager::install(BundleEntry& entry) {
    if (entry.getTypeId() != BUNDLE_TYPE_GRAMMAR)
        return false;
    GrammarBundleItem& grammar = static_cast<GrammarBundleItem&>(entry);
    lockCompile(true);
    bool installed = false;
    const std::wstring& name = grammar.getName();
    if (name.empty()) {
        // Without a name the grammar could only be found as "None".
        refuse(entry, L"Grammar `" + pathText(entry) + L"` cannot be installed, because it has no name.");
    } else if (!m_grammars.emplace(name, &grammar).second) {
        refuse(entry, L"Grammar `" + pathText(entry) + L"` cannot be installed, because it uses the same name as `" +
                          pathText(*m_grammars.at(name)) + L"`.");
    } else {
        addAction(grammar);
        m_fileTypes.addGrammar(name, grammar.getFileTypes());
        requestCompile();
        installed = true;
    }
    unlockCompile();
    return installed;
}

bool GrammarBundleItemManager::uninstall(BundleEntry& entry) {
    if (entry.getTypeId() != BUNDLE_TYPE_GRAMMAR)
        return false;
    GrammarBundleItem& grammar = static_cast<GrammarBundleItem&>(entry);
    lockCompile(true);
    // The name it was installed under: a changed entry has read its new name already.
    std::wstring installedName;
    for (auto it = m_grammars.begin(); it != m_grammars.end(); ++it) {
        if (it->second.get() == &grammar) {
            installedName = it->first;
            m_grammars.erase(it);
            break;
        }
    }
    if (!installedName.empty()) {
        removeAction(grammar);
        m_fileTypes.removeGrammar(installedName);
    }
    requestCompile();
    unlockCompile();
    return true;
}

void GrammarBundleItemManager::beginEntryChange(BundleEntry&) { lockCompile(true); }

void GrammarBundleItemManager::endEntryChange(BundleEntry& entry, bool changed) {
    if (changed) {
        uninstall(entry);
        install(entry);
    }
    unlockCompile();
}

GrammarBundleItemAction* GrammarBundleItemManager::addAction(GrammarBundleItem& grammar) {
    auto* action = new GrammarBundleItemAction(grammar, getActionContext(), [](afActionHandler& handler, afActionEvent& event) {
        auto* manager = dynamic_cast<GrammarBundleItemManager*>(&handler);
        auto* chosen = dynamic_cast<GrammarBundleItemAction*>(event.action);
        return manager && chosen && manager->chooseLanguage(*chosen);
    });
    afRegisterAction(getActionRegistry(), action);
    m_actions.push_back(action);
    grammar.setLanguageAction(action);
    return action;
}

void GrammarBundleItemManager::removeAction(GrammarBundleItem& grammar) {
    GrammarBundleItemAction* action = grammar.getLanguageAction();
    if (!action)
        return;
    m_actions.erase(std::remove(m_actions.begin(), m_actions.end(), action), m_actions.end());
    grammar.setLanguageAction(nullptr);
    releaseAction(action);
}

void GrammarBundleItemManager::releaseAction(GrammarBundleItemAction* action) {
    // Without an application the action was never registered: it is ours to delete.
    if (action->isRegistered())
        afUnregisterAction(getActionRegistry(), action);
    else
        delete action;
}

GrammarBundleItem* GrammarBundleItemManager::findGrammar(const std::wstring& name) const {
    if (!name.empty()) {
        const auto found = m_grammars.find(name);
        if (found != m_grammars.end())
            return found->second.get();
    }
    return m_defaultGrammar.get();
}

GrammarBundleItem* GrammarBundleItemManager::findGrammarForFile(const std::wstring& fileName) const {
    return findGrammar(m_fileTypes.findGrammarName(fileName));
}

void GrammarBundleItemManager::getLanguageList(std::vector<Language>& io_list) const {
    for (GrammarBundleItemAction* action : m_actions)
        io_list.push_back({action->getTitle(), &action->getGrammar(), action, false});
    std::stable_sort(io_list.begin(), io_list.end(), [](const Language& a, const Language& b) {
        return _wcsicmp(a.title.c_str(), b.title.c_str()) < 0;
    });
}

void GrammarBundleItemManager::getFileTypes(const std::wstring& grammar, std::vector<std::wstring>& io_extensions) const {
    m_fileTypes.getFileTypes(grammar, io_extensions);
}

void GrammarBundleItemManager::getUserFileTypes(const std::wstring& grammar,
                                                std::vector<std::wstring>& io_extensions) const {
    m_fileTypes.getUserFileTypes(grammar, io_extensions);
}

void GrammarBundleItemManager::setUserFileType(const std::wstring& extension, const std::wstring& grammar) {
    m_fileTypes.setUserFileType(extension, grammar);
}

bool GrammarBundleItemManager::chooseLanguage(GrammarBundleItemAction& action) {
    DocumentController* controller = m_controllers ? m_controllers->getActiveController() : nullptr;
    if (!controller)
        return true;
    const std::wstring& scope = action.getGrammar().getName();
    controller->setGrammar(scope);
    const std::wstring& path = controller->getPath();
    const size_t dot = path.find_last_of(L"./\\");
    if (dot != std::wstring::npos && path[dot] == L'.' && dot + 1 < path.size())
        setUserFileType(path.substr(dot + 1), scope);
    return true;
}

void GrammarBundleItemManager::loadSettings(Config& config) {
    pel::ScopedLock<pel::Mutex_Impl> guard(config.getLock());
    if (const ConfigValue* setting = config.findValue(EXTENSIONS_SETTING))
        m_fileTypes.loadUserFileTypes(*setting);
    m_fileTypesRead.reset(new ConfigValue(ConfigValue::LIST));
    m_fileTypes.saveUserFileTypes(*m_fileTypesRead);
}

void GrammarBundleItemManager::saveSettings(Config& config) {
    pel::ScopedLock<pel::Mutex_Impl> guard(config.getLock());
    ConfigValue* setting = config.findValue(EXTENSIONS_SETTING);
    if (!setting || setting->getType() != ConfigValue::LIST)
        return;
    // Only what this run changed: file types read and kept as they were leave the file's as it
    // is now.
    ConfigValue now(ConfigValue::LIST);
    m_fileTypes.saveUserFileTypes(now);
    if (!m_fileTypesRead || !now.equals(*m_fileTypesRead))
        setting->setList(*now.getList());
}

} // namespace tessel

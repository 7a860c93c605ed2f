// The BundleManager's life and set-up, its type registry, queries, update brackets and actions.

#include "bundles/BundleManager.h"
#include "bundles/ToolStripStatus.h"
#include "bundles/ui/BundleEditor.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/core/afMainLoop.h"
#include "afw/graphics/afStockResources.h"
#include "service/base/TaskFailure.h"
#include "service/base/TesselService.h"
#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFactory.h"
#include "service/bundles/BundleFileStorage.h"
#include "service/bundles/BundleLoaderRunner.h"

#include "pel/base/Assert.h"

namespace tessel {

namespace {

// crc32("ok"): the result of a window closed as accepted.
constexpr uint32_t RESULT_OK = pel::crc32Literal("ok");

} // namespace

BundleEntryPtr BundleManager::__BundleManager::createEntry() { return BundleEntryPtr(new Bundle, false); }

const BundleEntryTraits& BundleManager::__BundleManager::getEntryTraits() const { return BundleEntryTraits::bundle(); }

bool BundleManager::__BundleManager::install(BundleEntry&) { return true; }

bool BundleManager::__BundleManager::uninstall(BundleEntry& entry) {
    return entry.getTypeId() == BUNDLE_TYPE_BUNDLE && dynamic_cast<Bundle*>(&entry) != nullptr;
}

BundleEntryEditorFactory BundleManager::__BundleManager::getEditorFactory(BundleEntry&) const {
    return &BundleEntrySourceEditor::create;
}

BundleManager::BundleManager(TesselService& service)
    : afActionHandler(afApp::getActionRegistry(), L"BundleManager"), m_service(service),
      m_storage(std::make_shared<BundleFileStorage>()), m_factory(std::make_shared<BundleFactory>(m_storage)) {
    if (afActionRegistry* registry = getActionRegistry()) {
        afActionContext* context = getActionContext();
        m_reloadAction = afRegisterAction(registry, new afActionSystem(L"Reload Bundles", context, L"bundles.reload",
                                                                       L"ui.window.main",
                                                                       afRunOp(&BundleManager::onReloadAction)));
        m_editorAction = afRegisterAction(registry, new afActionSystem(L"Toggle Bundles Editor", context,
                                                                       L"bundles.editor",
                                                                       L"ui.window.main, ui.window.bundle_editor",
                                                                       afRunOp(&BundleManager::onEditorAction)));
        afAddKeyTriggerText(afFindKeyInvoker(registry), m_editorAction, L"F4", true);
    }
    m_service.startupDelegates().add(this, [this](Config& config) { setUp(config); });
}

BundleManager::~BundleManager() {
    // Nothing of the manager may run any more: the root's lists, the loader, the actions.
    if (TesselService::findInstance() == &m_service) {
        m_service.startupDelegates().remove(this);
        m_service.settingsDelegates().remove(this);
        m_service.closeQueryDelegates().remove(this);
        m_service.closingDelegates().remove(this);
    }
    m_loaderRunner.reset();
    // A load that never finished leaves no activity behind on the status bar.
    ToolStripStatus::removeActivity(m_activity);
    afUnregisterAction(getActionRegistry(), m_reloadAction);
    afUnregisterAction(getActionRegistry(), m_editorAction);
    m_editor.reset();
    m_forgotten.releaseAll();
    try {
        beginUpdate(); // never closed: nothing is to be told of the end
        unloadAll();
    } catch (...) {
        logCaughtException(L"BundleManager::~BundleManager()");
    }
    clearDisabledItems();
    pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
    m_typeTraits.clear();
    m_typeManagers.clear();
}

void BundleManager::setUp(Config& config) {
    afRegisterIcon(BUNDLE_TYPE_BUNDLE, afIcon(ICON_RESOURCE, 16));
    const std::shared_ptr<__BundleManager> bundleType = std::make_shared<__BundleManager>(*this);
    m_bundleTypeManager = bundleType.get();
    registerEntryType(bundleType);
    onSetUp.notify();
    m_editor.reset(new BundleEditor(m_mainWindow, *this));
    loadDisabledItems(config);
    m_service.settingsDelegates().add(this, [this](Config& settings) { onSaveSettings(settings); });
    m_service.closingDelegates().add(this, [this] { onShutdown(); });
    m_service.closeQueryDelegates().add(this, [this] { return onCloseQuery(); });
    attachActionHandler();
}

void BundleManager::onSaveSettings(Config& config) {
    if (m_loaderRunner)
        m_loaderRunner->cancel();
    m_loading = false;
    saveDisabledItems(config);
    if (!m_editor)
        return;
    // Forgotten at once; freed where nothing of it runs up the stack: the end of the session is
    // answered inside any loop, Go to line's in an entry's text among them.
    std::shared_ptr<BundleEditor> editor(std::move(m_editor));
    m_forgotten.add([editor]() mutable { editor.reset(); });
    if (!afMainLoop::isNested())
        m_forgotten.releaseAll();
}

bool BundleManager::onCloseQuery() {
    return !m_editor || m_editor->askToCloseAll();
}

void BundleManager::onShutdown() {
    // The round that asked about the entries went through.
    if (m_editor) {
        m_editor->dropAll();
        m_editor->setVisible(false);
    }
    beginUpdate(); // never closed: the program ends
    unloadAll();
}

bool BundleManager::registerEntryType(const std::shared_ptr<BundleEntryManager>& manager) {
    PEL_CHECK_PTR(manager);
    const BundleEntryTraits* type_info = &manager->getEntryTraits();
    PEL_ASSERT(!type_info->type_name.empty());
    PEL_ASSERT(!type_info->extension.empty());
    PEL_ASSERT(!type_info->folder.empty());
    PEL_ASSERT(!type_info->title.empty());
    PEL_ASSERT(type_info->validator != NULL);
    {
        pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
        if (!m_typeManagers.emplace(type_info->id, manager).second)
            return false;
        m_typeTraits[type_info->id] = type_info;
    }
    m_factory->registerFactory(type_info->id, manager);
    return true;
}

const BundleEntryTraits* BundleManager::findEntryType(uint32_t code) const {
    pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
    const auto found = m_typeTraits.find(code);
    return found == m_typeTraits.end() ? nullptr : found->second;
}

BundleEntryManager* BundleManager::findEntryManager(uint32_t code) const {
    pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
    const auto found = m_typeManagers.find(code);
    return found == m_typeManagers.end() ? nullptr : found->second.get();
}

BundleEntryManager& BundleManager::managerOf(uint32_t code) const {
    BundleEntryManager* manager = findEntryManager(code);
    PEL_CHECK_PTR(manager);
    return *manager;
}

void BundleManager::getItemTypes(std::vector<const BundleEntryTraits*>& o_types) const {
    o_types.clear();
    pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
    const auto bundle = m_typeTraits.find(BUNDLE_TYPE_BUNDLE);
    PEL_ASSERT(bundle != m_typeTraits.end());
    o_types.push_back(bundle->second);
    for (const auto& type : m_typeTraits)
        if (type.first != BUNDLE_TYPE_BUNDLE)
            o_types.push_back(type.second);
}

int BundleManager::compareTypes(uint32_t a, uint32_t b) {
    if (a == b)
        return 0;
    const auto rank = [](uint32_t code) {
        switch (code) {
        case BUNDLE_TYPE_BUNDLE: return -20;
        case BUNDLE_TYPE_GRAMMAR: return -10;
        case BUNDLE_TYPE_THEME: return -9;
        case BUNDLE_TYPE_SNIPPET: return -5;
        case BUNDLE_TYPE_PREFERENCES: return 0;
        default: throw pel::IllegalStateException(L"Invalid bundle entry type to rank.");
        }
    };
    return rank(a) > rank(b) ? 1 : -1;
}

void BundleManager::getBundles(std::vector<Bundle*>& o_bundles) const {
    for (const auto& bundle : m_bundles)
        o_bundles.push_back(bundle.second);
}

void BundleManager::getEntriesOfType(uint32_t code, std::vector<BundleEntry*>& o_entries) const {
    const auto range = m_entriesByType.equal_range(code);
    for (auto it = range.first; it != range.second; ++it)
        o_entries.push_back(it->second);
}

std::vector<BundleEntry*> BundleManager::getEntriesOfType(uint32_t code) const {
    std::vector<BundleEntry*> entries;
    getEntriesOfType(code, entries);
    return entries;
}

BundleEntry* BundleManager::findEntry(const pel::UUID& uuid) const {
    const auto found = m_entriesByUuid.find(uuid);
    return found == m_entriesByUuid.end() ? nullptr : found->second;
}

BundleEntry* BundleManager::findLeftOut(const pel::UUID& uuid) const {
    for (const BundleEntryPtr& entry : m_leftOut)
        if (entry->getUUID() == uuid)
            return entry.get();
    return nullptr;
}

Bundle* BundleManager::findBundle(const pel::UUID& uuid) const {
    BundleEntry* entry = findEntry(uuid);
    return entry && entry->isBundle() ? static_cast<Bundle*>(entry) : nullptr;
}

BundleEntryEditorFactory BundleManager::getEditorFactory(BundleEntry* entry) const {
    PEL_CHECK_PTR(entry);
    return managerOf(entry->getTypeId()).getEditorFactory(*entry);
}

void BundleManager::beginUpdate() {
    if (m_updateCount == 0)
        onUpdateBegin.notify();
    ++m_updateCount;
}

void BundleManager::endUpdate() {
    if (--m_updateCount < 0) {
        m_updateCount = 0;
        throw pel::IllegalStateException(L"Unbalanced update end.");
    }
    if (m_updateCount == 0)
        onUpdateEnd.notify();
}

BundleManager::Update::~Update() {
    try {
        m_manager.endUpdate();
    } catch (...) {
        logCaughtException(L"BundleManager::endUpdate()");
    }
}

bool BundleManager::onReloadAction(afActionEvent&) {
    reload();
    return true;
}

bool BundleManager::onEditorAction(afActionEvent&) {
    toggleEditor();
    return true;
}

void BundleManager::toggleEditor() {
    if (!m_editor)
        return;
    if (m_editor->isShown())
        m_editor->close(RESULT_OK);
    else
        m_editor->setVisible(true);
}

} // namespace tessel

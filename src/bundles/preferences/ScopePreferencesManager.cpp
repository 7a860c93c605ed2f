#include "bundles/preferences/ScopePreferencesManager.h"
#include "bundles/BundleManager.h"
#include "bundles/TypeManagerRegistration.h"
#include "bundles/preferences/PairedCharacterAction.h"
#include "bundles/ui/BundleEntryEditor.h"

#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/graphics/afIcon.h"
#include "afw/graphics/afStockResources.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/preferences/ScopePreferencesBundleItem.h"

#include "pel/log/Log.h"

namespace tessel {

ScopePreferencesManager::ScopePreferencesManager() {
    afRegisterIcon(BUNDLE_TYPE_PREFERENCES, afIcon(ICON_RESOURCE, 16));
}

ScopePreferencesManager::~ScopePreferencesManager() {
    while (!m_actions.empty())
        removeActions(*m_actions.begin()->first);
}

std::shared_ptr<ScopePreferencesManager> ScopePreferencesManager::create(BundleManager& bundles) {
    const auto manager = std::make_shared<ScopePreferencesManager>();
    registerTypeManager(bundles, manager);
    return manager;
}

BundleEntryPtr ScopePreferencesManager::createEntry() { return BundleEntryPtr(new ScopePreferencesBundleItem, false); }

const BundleEntryTraits& ScopePreferencesManager::getEntryTraits() const { return BundleEntryTraits::preferences(); }

BundleEntryEditorFactory ScopePreferencesManager::getEditorFactory(BundleEntry&) const {
    return &BundleEntrySourceEditor::create;
}

bool ScopePreferencesManager::install(BundleEntry& entry) {
    const auto* item = dynamic_cast<const ScopePreferencesBundleItem*>(&entry);
    if (!item)
        return false;
    removeActions(*item);
    std::vector<afAction*>& actions = m_actions[item];
    try {
        for (const PairedCharacter& pair : item->getPairs())
            for (PairedCharacterAction* action : registerPairedCharacter(item->getScope(), pair))
                if (action)
                    actions.push_back(action);
    } catch (const pel::Exception& e) {
        // A scope that is no selector: the item's pairs apply nowhere.
        pel::log_printf(pel::LOG_ERROR, BundleManager::LOG_SOURCE, L"ScopePreferencesManager::install(): `%s`: %s",
                        item->getTitle().c_str(), e.displayText().c_str());
    }
    return true;
}

bool ScopePreferencesManager::uninstall(BundleEntry& entry) {
    const auto* item = dynamic_cast<const ScopePreferencesBundleItem*>(&entry);
    if (!item)
        return false;
    removeActions(*item);
    return true;
}

void ScopePreferencesManager::endEntryChange(BundleEntry& entry, bool changed) {
    if (changed)
        install(entry);
}

const std::vector<afAction*>& ScopePreferencesManager::getActions(const ScopePreferencesBundleItem& item) const {
    static const std::vector<afAction*> none;
    const auto found = m_actions.find(&item);
    return found == m_actions.end() ? none : found->second;
}

void ScopePreferencesManager::removeActions(const ScopePreferencesBundleItem& item) {
    const auto found = m_actions.find(&item);
    if (found == m_actions.end())
        return;
    const std::vector<afAction*> actions = std::move(found->second);
    m_actions.erase(found);
    for (afAction* action : actions)
        afUnregisterAction(afApp::getActionRegistry(), action);
}

} // namespace tessel

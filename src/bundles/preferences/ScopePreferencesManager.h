#pragma once
// The manager of scope-preferences entries: each installed item's character pairs become
// paired-character actions in its scope, replaced whenever the item changes and removed with
// it.

#include "bundles/BundleEntryManager.h"
#include "bundles/resources/BundleIconIds.h"

#include <map>
#include <memory>
#include <vector>

class afAction;

namespace tessel {

class BundleManager;
class ScopePreferencesBundleItem;

class ScopePreferencesManager : public BundleEntryManager {
public:
    static constexpr int ICON_RESOURCE = BUNDLES_ICON_PREFERENCES; // 16 by 16

    // Registers the preferences type's icon.
    ScopePreferencesManager();
    // Takes every action off.
    ~ScopePreferencesManager() override;

    // Makes a manager and registers the preferences type with the BundleManager, which owns it.
    static std::shared_ptr<ScopePreferencesManager> create(BundleManager& bundles);

    BundleEntryPtr createEntry() override;
    const BundleEntryTraits& getEntryTraits() const override;
    // Replaces the item's actions by those of its present pairs.
    bool install(BundleEntry& entry) override;
    bool uninstall(BundleEntry& entry) override;
    // The source editor, as for grammars and themes.
    BundleEntryEditorFactory getEditorFactory(BundleEntry&) const override;
    void beginEntryChange(BundleEntry&) override {}
    void endEntryChange(BundleEntry& entry, bool changed) override;

    // The actions made for an item, two per pair in the pairs' order.
    const std::vector<afAction*>& getActions(const ScopePreferencesBundleItem& item) const;

private:
    void removeActions(const ScopePreferencesBundleItem& item);

    std::map<const ScopePreferencesBundleItem*, std::vector<afAction*>> m_actions;
};

} // namespace tessel

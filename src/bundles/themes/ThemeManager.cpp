#include "bundles/themes/ThemeManager.h"
#include "bundles/BundleManager.h"
#include "bundles/TypeManagerRegistration.h"

#include "afw/graphics/afIcon.h"
#include "afw/graphics/afStockResources.h"
#include "service/bundles/BundleEntry.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFactory.h"
#include "service/parser/DocumentTheme.h"

#include "pel/base/Assert.h"

namespace tessel {

ThemeManager::ThemeManager() : m_defaultTheme(std::make_shared<DocumentTheme>()), m_chooserData(*this) {
    afRegisterIcon(BUNDLE_TYPE_THEME, afIcon(ICON_RESOURCE, 16));
}

ThemeManager::~ThemeManager() = default;

std::shared_ptr<ThemeManager> ThemeManager::create(BundleManager& bundles) {
    const auto manager = std::make_shared<ThemeManager>();
    registerTypeManager(bundles, manager);
    // After the registration (now or at the set-up): "None" is made by the type's factory.
    if (bundles.getBundleTypeManager())
        manager->makeNoneTheme(bundles);
    else
        bundles.onSetUp.add(&manager->m_themes, [&bundles, raw = manager.get()] { raw->makeNoneTheme(bundles); });
    return manager;
}

void ThemeManager::makeNoneTheme(BundleManager& bundles) {
    const BundleEntryPtr entry = BundleEntry::create(*bundles.getFactory(), BUNDLE_TYPE_THEME, pel::UUID::nil());
    ErrorList errors;
    entry->setSourceText(L"{title: \"None\" settings: [ {settings: {}} ]}", &errors);
    PEL_ASSERT(errors.empty());
    install(*entry);
}

BundleEntryPtr ThemeManager::createEntry() { return BundleEntryPtr(new ThemeBundleItem, false); }

const BundleEntryTraits& ThemeManager::getEntryTraits() const { return BundleEntryTraits::theme(); }

bool ThemeManager::install(BundleEntry& entry) {
    auto* theme = dynamic_cast<ThemeBundleItem*>(&entry);
    if (!theme)
        return false;
    const pel::UUID uuid = theme->getUUID();
    m_themes[uuid] = theme;
    onThemeChanged.notify(uuid);
    return true;
}

bool ThemeManager::uninstall(BundleEntry& entry) {
    const pel::UUID uuid = entry.getUUID();
    const auto found = m_themes.find(uuid);
    if (found == m_themes.end() || found->second.get() != &entry)
        return false;
    onThemeChanged.notify(uuid);
    m_themes.erase(found);
    // Again once it is gone, so that a listener looking the theme up finds what takes its place.
    onThemeChanged.notify(uuid);
    return true;
}

BundleEntryEditorFactory ThemeManager::getEditorFactory(BundleEntry&) const { return &BundleEntrySourceEditor::create; }

void ThemeManager::beginEntryChange(BundleEntry& entry) { onThemeChanged.notify(entry.getUUID()); }

void ThemeManager::endEntryChange(BundleEntry& entry, bool changed) {
    if (changed)
        onThemeChanged.notify(entry.getUUID());
}

std::shared_ptr<DocumentTheme> ThemeManager::findTheme(const pel::UUID& uuid) const {
    const auto found = m_themes.find(uuid);
    return found == m_themes.end() ? m_defaultTheme : found->second->getTheme();
}

} // namespace tessel

#pragma once
// The manager of theme entries: the installed themes by UUID, the built-in theme "None" (nil
// UUID, the default colours) and a default theme for any UUID not installed. Its listeners hear
// the UUID of every theme installed, changed or removed, so that editors can restyle.

#include "bundles/BundleEntryManager.h"
#include "bundles/resources/BundleIconIds.h"
#include "bundles/themes/ThemeChooserData.h"

#include "service/base/Notice.h"
#include "service/bundles/themes/ThemeBundleItem.h"

#include "pel/base/UUID.h"

#include <map>
#include <memory>

namespace tessel {

class BundleManager;
class DocumentTheme;

class ThemeManager : public BundleEntryManager {
public:
    static constexpr int ICON_RESOURCE = BUNDLES_ICON_THEME; // 16 by 16

    // Told with the UUID of a theme installed, changing, changed, about to be removed and removed.
    Notice<const pel::UUID&> onThemeChanged;

    // Registers the theme type's icon.
    ThemeManager();
    ~ThemeManager() override;

    // Makes a manager and registers the theme type with the BundleManager, which owns it; the
    // built-in theme "None" is made with the registration.
    static std::shared_ptr<ThemeManager> create(BundleManager& bundles);

    BundleEntryPtr createEntry() override;
    const BundleEntryTraits& getEntryTraits() const override;
    bool install(BundleEntry& entry) override;
    bool uninstall(BundleEntry& entry) override;
    BundleEntryEditorFactory getEditorFactory(BundleEntry& entry) const override;
    void beginEntryChange(BundleEntry& entry) override;
    void endEntryChange(BundleEntry& entry, bool changed) override;
    virtual const std::shared_ptr<DocumentTheme>& getDefaultTheme() const { return m_defaultTheme; }

    // The theme installed under the UUID (the nil UUID: "None"), else the default theme.
    std::shared_ptr<DocumentTheme> findTheme(const pel::UUID& uuid) const;
    // The installed themes, "None" among them once the type is registered.
    const std::map<pel::UUID, boost::intrusive_ptr<ThemeBundleItem>>& getThemes() const { return m_themes; }
    // What the theme choosers list, its lookup findTheme.
    ThemeChooserData& getChooserData() { return m_chooserData; }

private:
    // "None": made from the factory the type registered with, never saved.
    void makeNoneTheme(BundleManager& bundles);

    std::map<pel::UUID, boost::intrusive_ptr<ThemeBundleItem>> m_themes;
    std::shared_ptr<DocumentTheme> m_defaultTheme;
    ThemeChooserData m_chooserData;
};

} // namespace tessel

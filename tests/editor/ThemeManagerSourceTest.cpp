#include "editor/ThemeManagerSource.h"

#include "bundles/themes/ThemeManager.h"
#include "editor/EditorTestSupport.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFactory.h"
#include "service/bundles/BundleFileStorage.h"
#include "service/bundles/themes/ThemeBundleItem.h"

#include <map>

using namespace tessel;
using namespace tessel_test;

namespace {

const wchar_t* const DUSK = L"0f8fad5b-d9cb-469f-a165-70867728950e";
const wchar_t* const DAWN = L"7c9e6679-7425-40de-944b-e07fc1f90ae7";
const wchar_t* const NONE = L"00000000-0000-0000-0000-000000000000"; // what an unreadable id must not become

// An editor of its own made while the theme manager's source is installed, showing "text".
class ThemeManagerSourceTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        factory.registerFactory(BUNDLE_TYPE_THEME, std::make_shared<TBundleEntryFactory<ThemeBundleItem>>());
        themes = std::make_shared<ThemeManager>(); // after the stock resources: it registers its icon
        source.reset(new ThemeManagerSource(themes));
        for (const wchar_t* uuid : {DUSK, DAWN, NONE}) {
            entries[uuid] = BundleEntry::create(factory, BUNDLE_TYPE_THEME, pel::UUID::fromString(uuid));
            setBackground(uuid, L"#000000");
            themes->install(*entries[uuid]);
        }
        setEditorThemeSource(source.get());
        themed = new RecordingEditor(window.get());
        themed->build();
        themed->setFrame(afRect(0, 0, WIDTH, 10 * lineHeight));
        load(L"text");
        themed->attachController(controller);
    }
    // Changes the entry's background as the bundle manager brackets an edit of an installed entry.
    void setBackground(const wchar_t* uuid, const std::wstring& colour) {
        BundleEntry& entry = *entries.at(uuid);
        themes->beginEntryChange(entry);
        ErrorList errors;
        ASSERT_TRUE(entry.setSourceText(L"{title: 'T' settings: [ {settings: {background: '" + colour + L"'}} ]}",
                                        &errors));
        themes->endEntryChange(entry, true);
    }
    void showTheme(const std::wstring& id) {
        setPreset([&](FacePreset& p) { p.theme = id; });
    }

    BundleFactory factory{std::make_shared<BundleFileStorage>()};
    std::shared_ptr<ThemeManager> themes;
    std::unique_ptr<ThemeManagerSource> source; // outlives the editor, which the window takes
    std::map<std::wstring, BundleEntryPtr> entries;
    RecordingEditor* themed = nullptr;
};

} // namespace

TEST_F(ThemeManagerSourceTest, ThePresetPicksAnInstalledThemeWhoseChangesRecolour) {
    showTheme(DUSK);
    EXPECT_EQ(themes->findTheme(pel::UUID::fromString(DUSK)).get(), themed->getTheme().get());
    EXPECT_EQ(RGB(0, 0, 0), themed->getTextBackground());

    themed->invalidated.clear();
    setBackground(DAWN, L"#FFFFFF");
    EXPECT_TRUE(themed->invalidated.empty() && themed->getTextBackground() == RGB(0, 0, 0))
        << "another theme's change leaves it";
    setBackground(DUSK, L"#102030");
    EXPECT_EQ(themes->findTheme(pel::UUID::fromString(DUSK)).get(), themed->getTheme().get());
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), themed->getTextBackground());
    EXPECT_FALSE(themed->invalidated.empty());

    // An empty, unknown or unreadable id, or a theme removed: the default theme.
    for (const wchar_t* id : {L"", L"a2d0c1e4-5b6f-4a3c-9d8e-7f6a5b4c3d2e", L"not a uuid", DUSK}) {
        showTheme(DAWN);
        showTheme(id);
        if (id == DUSK) {
            EXPECT_TRUE(themes->uninstall(*entries.at(DUSK)));
        }
        EXPECT_EQ(themes->getDefaultTheme().get(), themed->getTheme().get()) << id;
        EXPECT_EQ(RGB(255, 255, 255), themed->getTextBackground()) << id;
    }
}

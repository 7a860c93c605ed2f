#pragma once
// The application's one owner of everything bundle-related: the bundle storage and factory, the
// loader runner, the registry of entry types with the manager of each, the installed bundles
// and entries, the user's disabled bundles and items ("app.bundles.disabled"), the "&Bundles"
// menu and the bundle editor window. It loads every bundle in the background at start-up and on
// "Reload Bundles", installs what was loaded into the type managers (bundles first, then their
// items type by type) inside one update bracket, uninstalls them again, and tells the rest of
// the program of each step through its notices.
//
// Created by the application after the DocumentControllerManager and before the type managers;
// its set-up runs on the service root's start-up list. UI thread only, apart from the registry,
// which the lock guards against readers on other threads.

#include "bundles/BundleEntryManager.h"
#include "bundles/DisabledEntryRecord.h"
#include "bundles/resources/BundleIconIds.h"

#include "afw/action/afAction.h"
#include "afw/core/afReleaseQueue.h"
#include "afw/menu/afMenuDef.h"
#include "service/base/ConfigValue.h"
#include "service/base/Notice.h"

#include "pel/base/UUID.h"
#include "pel/thread/Mutex.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

class afViewPlatform;

namespace tessel {

class Bundle;
class BundleEditor;
class BundleEntry;
class BundleFactory;
class BundleFileStorage;
class BundleLoaderRunner;
class Config;
class TesselService;

class BundleManager : public afActionHandler {
public:
    static constexpr uint32_t LOG_SOURCE = pel::crc32Literal("bundles"); // 0xD8A73A98
    static constexpr const wchar_t* DISABLED_SETTING = L"app.bundles.disabled";
    static constexpr const wchar_t* CACHE_PATH = L"user:bundles.tsCache";
    static constexpr int ICON_RESOURCE = BUNDLES_ICON_BUNDLE; // 16 by 16

    // The entry manager of the bundle type: it makes Bundles, takes every one, and lets one go
    // when it is a Bundle.
    class __BundleManager : public BundleEntryManager {
    public:
        explicit __BundleManager(BundleManager& owner) : m_owner(owner) {}
        BundleEntryPtr createEntry() override;
        const BundleEntryTraits& getEntryTraits() const override;
        bool install(BundleEntry& entry) override;
        bool uninstall(BundleEntry& entry) override;
        BundleEntryEditorFactory getEditorFactory(BundleEntry& entry) const override;
        void beginEntryChange(BundleEntry&) override {}
        void endEntryChange(BundleEntry&, bool) override {}
        BundleManager& getOwner() const { return m_owner; }

    private:
        BundleManager& m_owner;
    };

    using Entries = std::vector<BundleEntryPtr>;
    using LoadResult = std::map<uint32_t, Entries>;

    // Fired once at set-up after the bundle type is registered: the type managers that were
    // not registered at their construction register now.
    Notice<> onSetUp;
    // The outermost update bracket opened; closed.
    Notice<> onUpdateBegin;
    Notice<> onUpdateEnd;
    // unloadAll goes ahead.
    Notice<> onUnload;
    // A background load started; ended (cancelled or not).
    Notice<> onLoadStarted;
    Notice<bool> onLoadFinished;
    // Around a batch of uninstalls.
    Notice<> onUninstallBegin;
    Notice<> onUninstallEnd;
    // The disabled items changed; true when they were all cleared.
    Notice<bool> onDisabledItemsChanged;
    // A bundle was installed; one starts to be uninstalled.
    Notice<Bundle&> onBundleInstalled;
    Notice<Bundle&> onBundleUninstalling;

    // Registers the actions bundles.reload and bundles.editor (F4) in the application's action
    // registry (none without an application: tools) and hangs the set-up on the root's start-up
    // list.
    explicit BundleManager(TesselService& service);
    // Forgets the editor, unloads everything, forgets the disabled items, lets the type
    // managers go and takes its actions and handlers off.
    ~BundleManager() override;
    BundleManager(const BundleManager&) = delete;
    BundleManager& operator=(const BundleManager&) = delete;

    // The window the bundle editor is made for (the main window); before the set-up.
    void setMainWindow(afViewPlatform* window) { m_mainWindow = window; }

    // On the start-up list: registers the bundle type's icon and manager, tells onSetUp, makes
    // the bundle editor, reads the disabled items and hangs the settings, close-query and
    // closing steps on the root's lists.
    void setUp(Config& config);
    // Writes the disabled items and forgets the bundle editor: freed at once, or from the main
    // loop when the end of the session came inside a loop (a dialog of an entry's text may wait
    // up the stack).
    void onSaveSettings(Config& config);
    // Asks about the bundle editor's modified entries, closing none: a later question of the
    // same closing round may still keep the program open.
    bool onCloseQuery();
    // The close goes on: the entries close without asking again, and everything is unloaded.
    void onShutdown();

    // The registry. A manager whose traits lack a name, extension, folder, title or validator
    // is a hard check; a code already registered answers false and keeps the first.
    bool registerEntryType(const std::shared_ptr<BundleEntryManager>& manager);
    const BundleEntryTraits* findEntryType(uint32_t code) const;
    BundleEntryManager* findEntryManager(uint32_t code) const;
    // The bundle type first (it must be registered), then the others by ascending code.
    void getItemTypes(std::vector<const BundleEntryTraits*>& o_types) const;
    // -1, 0 or 1 by the types' ranks (bundle, grammar, theme, snippet, preferences); another
    // code throws pel::IllegalStateException "Invalid bundle entry type to rank.".
    static int compareTypes(uint32_t a, uint32_t b);

    // The installed bundles in UUID order.
    void getBundles(std::vector<Bundle*>& o_bundles) const;
    // Appends the installed entries of the type.
    void getEntriesOfType(uint32_t code, std::vector<BundleEntry*>& o_entries) const;
    std::vector<BundleEntry*> getEntriesOfType(uint32_t code) const;
    BundleEntry* findEntry(const pel::UUID& uuid) const;
    Bundle* findBundle(const pel::UUID& uuid) const;
    // The items the last load could not install because their files could not be read, kept in
    // their bundles with their problems, for the bundle editor, until the bundles unload.
    const Entries& getLeftOut() const { return m_leftOut; }
    BundleEntry* findLeftOut(const pel::UUID& uuid) const;
    BundleEntryEditorFactory getEditorFactory(BundleEntry* entry) const;

    // Brackets nest; the outermost tells onUpdateBegin and onUpdateEnd. An end without a begin
    // throws pel::IllegalStateException "Unbalanced update end.".
    void beginUpdate();
    void endUpdate();

    // Starts a background load of every bundle (true; also when one runs already). False when
    // the bundle editor kept unsaved entries open.
    bool load();
    // Unloads and loads again; false when the bundle editor kept unsaved entries open.
    bool reload();
    // Uninstalls every bundle with its items; false, nothing changed, when the bundle editor
    // kept unsaved entries open or another round of closing questions runs (its questions would
    // come under that round's).
    bool unloadAll();
    // What a load brought, by type code: bundles first, then each type's items attached to
    // their bundles and installed. Empties the map; what was not installed is released.
    void installLoaded(LoadResult& result);
    // Installs each entry into its type's manager, removing those installed from the list;
    // false when a manager refused one (it stays in the list).
    bool installBundleEntries(Entries& io_entries);
    bool installBundleEntry(BundleEntry& entry);
    // Uninstalls the entries; a bundle's items go before it. Does not nest (a hard check
    // "recursive_sentry == false").
    void uninstallEntries(const Entries& entries);
    void uninstallEntry(BundleEntry& entry);

    // The disabled bundles and items.
    bool disableItem(const pel::UUID& uuid);
    bool enableItem(const pel::UUID& uuid);
    void getDisabledItems(std::vector<DisabledEntryRecord>& o_items) const;
    void getDisabledUuids(std::set<pel::UUID>* o_uuids) const;
    void clearDisabledItems();
    void loadDisabledItems(Config& config);
    // Writes the disabled items into their setting when this run changed them.
    void saveDisabledItems(Config& config);
    // The disabled items as their setting holds them.
    ConfigValue::List disabledList() const;

    // Rebuilds the "&Bundles" menu: the editor and reload lines, then a submenu per bundle
    // with menu lines, by title, and refreshes it.
    void populateMenu(afMenu& menu);

    bool isLoading() const { return m_loading; }
    uint32_t getActivity() const { return m_activity; }
    int32_t getUpdateCount() const { return m_updateCount; }
    const std::vector<BundleEntryPtr>& getInstalled() const { return m_installed; }
    const std::multimap<pel::UUID, BundleEntry*>& getEntriesByUuid() const { return m_entriesByUuid; }
    const std::multimap<uint32_t, BundleEntry*>& getEntriesByType() const { return m_entriesByType; }
    const std::shared_ptr<BundleFileStorage>& getStorage() const { return m_storage; }
    const std::shared_ptr<BundleFactory>& getFactory() const { return m_factory; }
    const std::shared_ptr<BundleLoaderRunner>& getLoaderRunner() const { return m_loaderRunner; }
    BundleEditor* getEditor() const { return m_editor.get(); }
    __BundleManager* getBundleTypeManager() const { return m_bundleTypeManager; }

private:
    // An update bracket for its life; what a listener of its end throws stops there (logged).
    class Update {
    public:
        explicit Update(BundleManager& manager) : m_manager(manager) { m_manager.beginUpdate(); }
        ~Update();
        Update(const Update&) = delete;
        Update& operator=(const Update&) = delete;

    private:
        BundleManager& m_manager;
    };

    void loadStarted();
    void loadFinished(bool cancelled);
    // The cache step of a load: the cache is never usable, so it is deleted.
    void dropCache();
    // Attaches each item to its installed bundle; an item without one is released.
    void attachItems(Entries& items);
    void uninstallList(const Entries& entries);
    void listen(BundleEntry& entry);
    // The manager of the type; a missing one is a hard check naming "manager".
    BundleEntryManager& managerOf(uint32_t code) const;
    void toggleEditor();
    // The runs of the "bundles.reload" and "bundles.editor" actions.
    bool onReloadAction(afActionEvent& event);
    bool onEditorAction(afActionEvent& event);

    TesselService& m_service;
    afViewPlatform* m_mainWindow = nullptr;
    afAction* m_reloadAction = nullptr;
    afAction* m_editorAction = nullptr;
    int32_t m_updateCount = 0;
    std::shared_ptr<BundleLoaderRunner> m_loaderRunner;
    std::shared_ptr<BundleFileStorage> m_storage;
    bool m_loading = false;
    uint32_t m_activity = 0;
    std::shared_ptr<BundleFactory> m_factory;
    std::map<pel::UUID, std::unique_ptr<DisabledEntryRecord>> m_disabledItems;
    // The disabled items as they were read, which a save writes back only changed.
    std::unique_ptr<ConfigValue> m_disabledRead;
    std::map<pel::UUID, Bundle*> m_bundles;
    __BundleManager* m_bundleTypeManager = nullptr;
    std::multimap<pel::UUID, BundleEntry*> m_entriesByUuid;
    std::multimap<uint32_t, BundleEntry*> m_entriesByType;
    // One reference of each installed entry, in install order.
    std::vector<BundleEntryPtr> m_installed;
    Entries m_leftOut;
    std::unique_ptr<BundleEditor> m_editor;
    // A bundle editor forgotten inside a loop, until the main loop frees it.
    afReleaseQueue m_forgotten;
    std::map<uint32_t, const BundleEntryTraits*> m_typeTraits;
    mutable pel::Mutex_Impl m_lock{0x80000000};
    std::map<uint32_t, std::shared_ptr<BundleEntryManager>> m_typeManagers;
};

} // namespace tessel

// The BundleManager's loads, installs and uninstalls.

#include "bundles/BundleManager.h"
#include "bundles/ToolStripStatus.h"
#include "bundles/ui/BundleEditor.h"

#include "afw/core/afMainLoop.h"
#include "service/base/ApplicationVersion.h"
#include "service/base/TaskFailure.h"
#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFileStorage.h"
#include "service/bundles/BundleItem.h"
#include "service/bundles/BundleLoaderRunner.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"

#include <algorithm>

namespace tessel {

namespace {

// Uninstalls never nest, in any manager of the process.
bool recursive_sentry = false;

pel::UUID uuidOf(const BundleEntry& entry) {
    return entry.getSource() ? entry.getSource()->getUUID() : pel::UUID::nil();
}

template <class Map>
void eraseEntry(Map& map, const typename Map::key_type& key, const BundleEntry* entry) {
    const auto range = map.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == entry) {
            map.erase(it);
            return;
        }
    }
}

} // namespace

bool BundleManager::load() {
    if (m_loading)
        return true;
    m_loading = true;
    if (!unloadAll()) {
        m_loading = false;
        return false;
    }
    dropCache();
    if (!m_loaderRunner) {
        m_loaderRunner = std::make_shared<BundleLoaderRunner>();
        m_loaderRunner->onStart = [this] { loadStarted(); };
        m_loaderRunner->onFinished = [this](bool cancelled) { loadFinished(cancelled); };
        m_loaderRunner->onResult = [this](LoadResult& result) { installLoaded(result); };
    }
    std::vector<const BundleEntryTraits*> types;
    getItemTypes(types);
    std::set<pel::UUID> disabled;
    getDisabledUuids(&disabled);
    m_loaderRunner->start(types, disabled, m_factory);
    return true;
}

void BundleManager::dropCache() {
    if (pel::File* cache = pel::FileIO::openFile(CACHE_PATH, pel::FILE_MODE_READ)) {
        uint32_t word = 0;
        if (cache->getSize() > 0 && cache->read(&word, sizeof word) == int32_t(sizeof word))
            (void)ApplicationVersion::get();
        pel::FileIO::closeFile(cache);
    } else {
        pel::log_printf(pel::LOG_INFO, LOG_SOURCE, L"Binary cache not found.\n");
    }
    pel::log_printf(pel::LOG_INFO, LOG_SOURCE,
                    L"There was an error while restoring from the cache. Reloading with full scan.\n");
    pel::FileIO::deleteFile(CACHE_PATH);
    unloadAll();
}

bool BundleManager::reload() {
    Update update(*this);
    if (!unloadAll())
        return false;
    pel::FileIO::deleteFile(CACHE_PATH);
    return load();
}

void BundleManager::loadStarted() {
    onLoadStarted.notify();
    m_activity = ToolStripStatus::addActivity(L"Loading bundles...");
}

void BundleManager::loadFinished(bool cancelled) {
    ToolStripStatus::removeActivity(m_activity);
    m_activity = 0;
    m_loading = false;
    onLoadFinished.notify(cancelled);
}

bool BundleManager::unloadAll() {
    // Its questions about the open entries are a round of their own: not one under another's.
    const afMainLoop::Round round;
    if (!round.runs() || (m_editor && !m_editor->closeAllItems()))
        return false;
    onUnload.notify();
    // The items left out leave their bundles before those go.
    for (const BundleEntryPtr& entry : m_leftOut)
        if (auto* item = dynamic_cast<BundleItem*>(entry.get()))
            if (item->getBundle())
                item->getBundle()->removeItem(*item);
    m_leftOut.clear();
    // Bundles in UUID order, their items with them; and whatever was installed on its own.
    Entries entries;
    for (const auto& bundle : m_bundles)
        entries.emplace_back(bundle.second);
    for (const BundleEntryPtr& entry : m_installed) {
        const BundleItem* item = dynamic_cast<const BundleItem*>(entry.get());
        if (!entry->isBundle() && !(item && item->getBundle()))
            entries.push_back(entry);
    }
    if (!entries.empty()) {
        Update update(*this);
        uninstallEntries(entries);
        m_bundles.clear();
    }
    m_installed.clear();
    m_entriesByUuid.clear();
    m_entriesByType.clear();
    return true;
}

void BundleManager::installLoaded(LoadResult& result) {
    Update update(*this);
    std::vector<const BundleEntryTraits*> types;
    getItemTypes(types);
    for (const BundleEntryTraits* traits : types) {
        const auto found = result.find(traits->id);
        if (found == result.end())
            continue;
        Entries& entries = found->second;
        if (traits->id != BUNDLE_TYPE_BUNDLE)
            attachItems(entries);
        installBundleEntries(entries);
        // A refused item must not stay in its bundle: released, it would leave the bundle a
        // pointer to a deleted item. One whose files could not be read is kept, in its bundle
        // until the bundles unload, for the bundle editor to open with its problems: the user
        // learns why it is left out, and where to mend it.
        for (const BundleEntryPtr& entry : entries) {
            BundleItem* item = entry->isBundle() ? nullptr : dynamic_cast<BundleItem*>(entry.get());
            if (item && item->getBundle() && !entry->isReadable())
                m_leftOut.push_back(entry);
            else if (item && item->getBundle())
                item->getBundle()->removeItem(*item);
        }
        result.erase(found);
    }
    result.clear();
}

void BundleManager::attachItems(Entries& items) {
    Entries attached;
    attached.reserve(items.size());
    for (BundleEntryPtr& entry : items) {
        BundleItem* item = dynamic_cast<BundleItem*>(entry.get());
        const BundleEntryFilePath* top = entry->getSource() ? entry->getSource()->getTopPath() : nullptr;
        Bundle* bundle = item && top ? findBundle(top->bundle.uuid) : nullptr;
        if (!bundle) {
            // Its bundle folder has no usable UUID, or was dropped by a clash. Installed, the
            // item could never be uninstalled with its bundle.
            const std::wstring where = top ? m_storage->getFullPath(*top) : entry->getTitle();
            pel::log_printf(pel::LOG_WARNING, LOG_SOURCE,
                            L"BundleManager::installLoaded(): `%s` is not installed: its bundle is not installed.\n",
                            where.c_str());
            continue;
        }
        item->beginUpdate();
        try {
            PEL_ASSERT(item->getBundle() == NULL);
            bundle->addItem(*item);
        } catch (...) {
            item->endUpdate();
            throw;
        }
        item->endUpdate();
        attached.push_back(std::move(entry));
    }
    items.swap(attached);
}

bool BundleManager::installBundleEntries(Entries& io_entries) {
    bool all = true;
    Entries left;
    for (size_t i = 0; i < io_entries.size(); ++i) {
        BundleEntry& entry = *io_entries[i];
        if (entry.isInstalled()) {
            pel::softAssertion(L"0 && \"Entry has already been installed, cannot install twice.\"", PEL_FILE, __LINE__);
            left.push_back(io_entries[i]);
            continue;
        }
        const uint32_t type = entry.getTypeId();
        BundleEntryManager& manager = managerOf(type);
        bool taken = false;
        try {
            // An item whose files could not be read has nothing to give its manager. (A bundle
            // whose info cannot be read still holds its items.)
            taken = (entry.isBundle() || entry.isReadable()) && manager.install(entry);
        } catch (...) {
            const std::wstring text = caughtExceptionText();
            pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"BundleManager::installBundleEntries(): `%s`: %s\n",
                            entry.getTitle().c_str(), text.c_str());
        }
        if (!taken) {
            all = false;
            left.push_back(io_entries[i]);
            continue;
        }
        m_installed.push_back(io_entries[i]);
        const pel::UUID uuid = uuidOf(entry);
        if (entry.isBundle()) {
            Bundle& bundle = static_cast<Bundle&>(entry);
            m_bundles.emplace(uuid, &bundle);
            onBundleInstalled.notify(bundle);
        }
        m_entriesByUuid.emplace(uuid, &entry);
        m_entriesByType.emplace(type, &entry);
        entry.setInstalled(true);
        listen(entry);
    }
    io_entries.swap(left);
    return all;
}

bool BundleManager::installBundleEntry(BundleEntry& entry) {
    Entries entries{BundleEntryPtr(&entry)};
    return installBundleEntries(entries);
}

void BundleManager::listen(BundleEntry& entry) {
    const uint32_t type = entry.getTypeId();
    entry.onBeginUpdate.add(this, [this, type](BundleEntry& changing) { managerOf(type).beginEntryChange(changing); });
    entry.onEndUpdate.add(this, [this, type](BundleEntry& changed, bool applied) {
        managerOf(type).endEntryChange(changed, applied);
    });
}

void BundleManager::uninstallEntries(const Entries& entries) {
    PEL_ASSERT(recursive_sentry == false);
    recursive_sentry = true;
    // The flag goes down on every way out: once stuck, no uninstall would ever run again.
    struct Sentry {
        ~Sentry() { recursive_sentry = false; }
    } sentry;
    onUninstallBegin.notify();
    uninstallList(entries);
    onUninstallEnd.notify();
}

void BundleManager::uninstallList(const Entries& entries) {
    Entries bundles;
    for (const BundleEntryPtr& entry : entries) {
        if (entry->isBundle())
            bundles.push_back(entry);
        else
            uninstallEntry(*entry);
    }
    if (bundles.empty())
        return;
    Entries items;
    for (const BundleEntryPtr& bundle : bundles)
        for (const auto& item : static_cast<Bundle&>(*bundle).getItems())
            items.emplace_back(item.second);
    uninstallList(items);
    for (const BundleEntryPtr& bundle : bundles)
        uninstallEntry(*bundle);
}

void BundleManager::uninstallEntry(BundleEntry& entry) {
    if (!entry.isInstalled())
        return;
    const BundleEntryPtr keep(&entry); // the manager's own reference goes below
    const uint32_t type = entry.getTypeId();
    const pel::UUID uuid = uuidOf(entry);
    if (entry.isBundle())
        onBundleUninstalling.notify(static_cast<Bundle&>(entry));
    entry.onBeginUpdate.remove(this);
    entry.onEndUpdate.remove(this);
    eraseEntry(m_entriesByType, type, &entry);
    eraseEntry(m_entriesByUuid, uuid, &entry);
    const auto installed = std::find(m_installed.begin(), m_installed.end(), keep);
    if (installed != m_installed.end())
        m_installed.erase(installed);
    pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE,
                    L"BundleManager::uninstallBundleEntries(): Removing `%s` with ID `%s`\n", entry.getTitle().c_str(),
                    uuid.toString().c_str());
    if (entry.isBundle()) {
        const auto found = m_bundles.find(uuid);
        if (found != m_bundles.end() && found->second == &entry)
            m_bundles.erase(found);
    } else if (BundleItem* item = dynamic_cast<BundleItem*>(&entry)) {
        if (item->getBundle())
            item->getBundle()->removeItem(*item);
    }
    if (BundleEntryManager* manager = findEntryManager(type)) {
        try {
            manager->uninstall(entry);
        } catch (...) {
            const std::wstring text = caughtExceptionText();
            pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"BundleManager::uninstallEntry(): `%s`: %s\n",
                            entry.getTitle().c_str(), text.c_str());
        }
    }
    entry.setInstalled(false);
}

} // namespace tessel

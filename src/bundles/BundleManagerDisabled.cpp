// The BundleManager's disabled bundles and items, kept in "app.bundles.disabled", and its menu.

#include "bundles/BundleManager.h"

#include "service/base/Config.h"
#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleItem.h"

#include "pel/base/Assert.h"

#include <algorithm>
#include <cwchar>

namespace tessel {

namespace {

// The text of a non-empty string member, or null.
const wchar_t* nonEmptyString(const ValueNode& dictionary, const wchar_t* key) {
    const ValueNode& value = dictionary.getKey(key);
    const wchar_t* text = value.kind() == ValueNode::String ? value.text() : nullptr;
    return text && *text ? text : nullptr;
}

// The record an element of the setting holds, when it holds a whole one.
bool readRecord(const ValueNode& element, DisabledEntryRecord* o_record) {
    if (element.kind() != ValueNode::Dictionary)
        return false;
    const wchar_t* title = nonEmptyString(element, L"title");
    const wchar_t* uuid = nonEmptyString(element, L"uuid");
    if (!title || !uuid || !pel::UUID::parse(uuid, &o_record->uuid) || o_record->uuid.isNil())
        return false;
    o_record->title = title;
    o_record->type = element.getKey(L"type").getUInt(0);
    if (o_record->type == BUNDLE_TYPE_BUNDLE) {
        const ValueNode& count = element.getKey(L"children_count");
        o_record->children_count = count.kind() == ValueNode::Null ? -1 : count.getInt(-1);
        return o_record->children_count >= 0;
    }
    const wchar_t* bundleTitle = nonEmptyString(element, L"bundle_title");
    if (!bundleTitle)
        return false;
    o_record->bundle_title = bundleTitle;
    return true;
}

} // namespace

bool BundleManager::disableItem(const pel::UUID& uuid) {
    BundleEntry* entry = m_disabledItems.count(uuid) ? nullptr : findEntry(uuid);
    if (!entry)
        return true;
    std::unique_ptr<DisabledEntryRecord> record(new DisabledEntryRecord);
    // The title a user sees, never empty: a record without one would be dropped when read back.
    record->title = entry->getTitle();
    record->type = entry->getTypeId();
    record->uuid = uuid;
    record->children_count = 0;
    if (!entry->isBundle()) {
        const BundleItem* item = dynamic_cast<const BundleItem*>(entry);
        record->bundle_title = item && item->getBundle() ? item->getBundle()->getTitle() : entry->getTitle();
    }
    m_disabledItems[uuid] = std::move(record);
    {
        Update update(*this);
        uninstallEntries({BundleEntryPtr(entry)});
    }
    onDisabledItemsChanged.notify(false);
    return true;
}

bool BundleManager::enableItem(const pel::UUID& uuid) {
    if (!m_disabledItems.count(uuid) || !unloadAll())
        return false;
    m_disabledItems.erase(uuid);
    load();
    onDisabledItemsChanged.notify(false);
    return true;
}

void BundleManager::getDisabledItems(std::vector<DisabledEntryRecord>& o_items) const {
    o_items.clear();
    for (const auto& record : m_disabledItems)
        o_items.push_back(*record.second);
}

void BundleManager::getDisabledUuids(std::set<pel::UUID>* o_uuids) const {
    PEL_CHECK_PTR(o_uuids);
    o_uuids->clear();
    for (const auto& record : m_disabledItems)
        o_uuids->insert(record.first);
}

void BundleManager::clearDisabledItems() {
    m_disabledItems.clear();
    onDisabledItemsChanged.notify(true);
}

void BundleManager::loadDisabledItems(Config& config) {
    clearDisabledItems();
    {
        pel::ScopedLock<pel::Mutex_Impl> guard(config.getLock());
        const ConfigValue* setting = config.findValue(DISABLED_SETTING);
        const ConfigValue::List* list = setting ? setting->getList() : nullptr;
        for (const ConfigValue& element : list ? *list : ConfigValue::List()) {
            const ValueNode* tree = element.getValueTree();
            DisabledEntryRecord record;
            // Records of types no manager registered, and repeated UUIDs, are dropped.
            if (!tree || !readRecord(*tree, &record) || !findEntryType(record.type) ||
                m_disabledItems.count(record.uuid))
                continue;
            m_disabledItems[record.uuid].reset(new DisabledEntryRecord(record));
        }
    }
    m_disabledRead.reset(new ConfigValue(ConfigValue::fromList(disabledList())));
    if (!onDisabledItemsChanged.empty())
        onDisabledItemsChanged.notify(false);
}

void BundleManager::saveDisabledItems(Config& config) {
    pel::ScopedLock<pel::Mutex_Impl> guard(config.getLock());
    ConfigValue* setting = config.findValue(DISABLED_SETTING);
    if (!setting || setting->getType() != ConfigValue::LIST)
        return;
    // Only what this run changed: a list read and kept as it was leaves the file's as it is now.
    const ConfigValue::List list = disabledList();
    if (m_disabledRead && ConfigValue::fromList(list).equals(*m_disabledRead))
        return;
    setting->setList(list);
}

ConfigValue::List BundleManager::disabledList() const {
    ConfigValue::List list;
    for (const auto& entry : m_disabledItems) {
        const DisabledEntryRecord& record = *entry.second;
        ValueNode dictionary(ValueNode::Dictionary);
        dictionary.getOrAddKey(L"title").setString(record.title.c_str());
        dictionary.getOrAddKey(L"uuid").setString(record.uuid.toString().c_str());
        dictionary.getOrAddKey(L"type").setUInt(record.type);
        if (record.type == BUNDLE_TYPE_BUNDLE)
            dictionary.getOrAddKey(L"children_count").setInt(record.children_count);
        else
            dictionary.getOrAddKey(L"bundle_title").setString(record.bundle_title.c_str());
        list.push_back(ConfigValue::fromValueNode(dictionary));
    }
    return list;
}

void BundleManager::populateMenu(afMenu& menu) {
    menu.clear();
    menu.addItem(new afActionMenuItem(L"&Bundle Editor", L"bundles.editor"));
    afMenuItem* reloadLine = menu.addItem(new afActionMenuItem(L"&Reload Bundles", L"bundles.reload"));
    reloadLine->setEnabledDelegate(afMenuItem::StateDelegate::fromFunction(
        this, [](void* manager) { return !static_cast<BundleManager*>(manager)->isLoading(); }));
    menu.addSeparator();
    if (m_bundles.empty()) {
        afMenuItem* line = menu.addItem(new afMenuItem(m_loading ? L"Loading..." : L"No bundles available."));
        line->setEnabledDelegate(afMenuItem::alwaysFalse());
        menu.update();
        return;
    }
    std::vector<std::pair<std::wstring, Bundle*>> bundles;
    for (const auto& bundle : m_bundles)
        bundles.emplace_back(bundle.second->getTitle(), bundle.second);
    std::stable_sort(bundles.begin(), bundles.end(),
                     [](const auto& a, const auto& b) { return _wcsicmp(a.first.c_str(), b.first.c_str()) < 0; });
    // Menu lines name the bundle items by UUID. A line whose item's action is registered takes
    // the action's title (the item's); the others are named by the installed entry or, for a
    // disabled item, by its record.
    const afMenuDef::TitleSource titleSource = [this](const std::wstring& id) {
        const pel::UUID uuid = pel::UUID::fromString(id);
        if (const BundleEntry* entry = findEntry(uuid))
            return entry->getTitle();
        const auto disabled = m_disabledItems.find(uuid);
        return disabled != m_disabledItems.end() ? disabled->second->title : std::wstring();
    };
    for (const auto& bundle : bundles) {
        const MenuDefNodePtr definition = bundle.second->getMenu();
        if (definition && !definition->children.empty())
            menu.addMenu(afMenuDef::createDef(bundle.first, BUNDLE_TYPE_BUNDLE, definition, titleSource).release());
    }
    menu.update();
}

} // namespace tessel

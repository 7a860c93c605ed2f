// The bundle editor's tree: the installed bundles with their entries by type, the disabled ones
// and those the load left out, and the tree's context menu.

#include "bundles/ui/BundleEditor.h"
#include "bundles/ui/BundleEditorParts.h"

#include "bundles/BundleManager.h"

#include "afw/menu/afMenu.h"
#include "afw/menu/afMenuNode.h"
#include "afw/tree/afControlTree.h"
#include "afw/tree/afControlTreeItem.h"
#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleItem.h"

#include "pel/base/Exception.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <cwchar>

namespace tessel {

namespace {

// The item types in the order the tree groups them, with their group titles.
struct TypeGroup {
    uint32_t type;
    const wchar_t* title;
};
const TypeGroup TYPE_GROUPS[] = {{BUNDLE_TYPE_GRAMMAR, L"Grammars"},
                                 {BUNDLE_TYPE_THEME, L"Themes"},
                                 {BUNDLE_TYPE_SNIPPET, L"Snippets"},
                                 {BUNDLE_TYPE_PREFERENCES, L"Preferences"}};

const wchar_t* const DISABLED_SUFFIX = L" (disabled)";
// Items the load left out, their files unreadable.
const wchar_t* const UNREADABLE_SUFFIX = L" (cannot be read)";

// One row under a parent: its title and what it stands for.
struct Row {
    std::wstring title;
    BundleEditor::NodeData* data; // handed to the node
    Bundle* bundle;               // an installed bundle, whose items go below it
};

bool byTitle(const Row& a, const Row& b) {
    return _wcsicmp(a.title.c_str(), b.title.c_str()) < 0;
}

} // namespace

BundleEditor::NodeData* BundleEditor::dataOf(afControlTreeItem* node) const {
    return node ? dynamic_cast<NodeData*>(node->getData()) : nullptr;
}

int BundleEditor::iconOf(uint32_t type) const {
    const auto found = std::find(m_iconTypes.begin(), m_iconTypes.end(), type);
    return found == m_iconTypes.end() ? -1 : static_cast<int>(found - m_iconTypes.begin());
}

void BundleEditor::refreshTree() {
    if (!m_tree || !m_tree->getHandle())
        return;
    if (m_tree->getItemCount() > 0)
        m_tree->saveState(*m_treeState);
    m_tree->removeAllItems();
    std::vector<DisabledEntryRecord> disabled;
    m_manager.getDisabledItems(disabled);
    const auto insert = [this](afControlTreeItem* parent, const Row& row) {
        afControlTreeItem* node = m_tree->insertItem(parent, row.title);
        if (!node) {
            delete row.data;
            return node;
        }
        node->setData(row.data, true);
        const int icon = iconOf(row.data->type);
        if (icon >= 0)
            m_tree->setItemImage(node, icon);
        return node;
    };
    const auto disabledRow = [](const DisabledEntryRecord& record, const pel::UUID& bundle) {
        auto* data = new NodeData;
        data->uuid = record.uuid;
        data->type = record.type;
        data->bundle = bundle;
        data->disabled = true;
        return Row{record.title + DISABLED_SUFFIX, data, nullptr};
    };

    std::vector<Row> bundles;
    std::vector<Bundle*> installed;
    m_manager.getBundles(installed);
    for (Bundle* bundle : installed) {
        auto* data = new NodeData;
        data->uuid = data->bundle = bundle->getUUID();
        data->type = BUNDLE_TYPE_BUNDLE;
        bundles.push_back({bundle->getTitle(), data, bundle});
    }
    for (const DisabledEntryRecord& record : disabled)
        if (record.type == BUNDLE_TYPE_BUNDLE)
            bundles.push_back(disabledRow(record, record.uuid));
    std::stable_sort(bundles.begin(), bundles.end(), byTitle);

    for (const Row& bundleRow : bundles) {
        Bundle* bundle = bundleRow.bundle;
        afControlTreeItem* bundleNode = insert(nullptr, bundleRow);
        if (!bundle || !bundleNode)
            continue;
        for (const TypeGroup& group : TYPE_GROUPS) {
            std::vector<Row> entries;
            const auto range = bundle->getItems().equal_range(group.type);
            for (auto it = range.first; it != range.second; ++it) {
                // A new entry not yet saved shows in its tab only.
                if (!it->second->isInstalled())
                    continue;
                auto* data = new NodeData;
                data->uuid = it->second->getUUID();
                data->type = group.type;
                data->bundle = bundle->getUUID();
                entries.push_back({it->second->getTitle(), data, nullptr});
            }
            for (const DisabledEntryRecord& record : disabled)
                if (record.type == group.type && record.bundle_title == bundle->getTitle())
                    entries.push_back(disabledRow(record, bundle->getUUID()));
            for (const BundleEntryPtr& left : m_manager.getLeftOut()) {
                const BundleEntryFilePath* top = left->getSource() ? left->getSource()->getTopPath() : nullptr;
                if (left->getTypeId() != group.type || !top || top->bundle.uuid != bundle->getUUID())
                    continue;
                auto* data = new NodeData;
                data->uuid = left->getUUID();
                data->type = group.type;
                data->bundle = bundle->getUUID();
                data->leftOut = true;
                entries.push_back({left->getTitle() + UNREADABLE_SUFFIX, data, nullptr});
            }
            if (entries.empty())
                continue;
            std::stable_sort(entries.begin(), entries.end(), byTitle);
            auto* data = new NodeData;
            data->type = group.type;
            data->bundle = bundle->getUUID();
            data->group = true;
            afControlTreeItem* groupNode = insert(bundleNode, {group.title, data, nullptr});
            for (const Row& entry : entries)
                if (groupNode)
                    insert(groupNode, entry);
                else
                    delete entry.data;
        }
    }
    m_tree->restoreState(*m_treeState);
}

afControlTreeItem* BundleEditor::findNode(const std::wstring& path) const {
    return m_tree ? m_tree->findItemByPath(nullptr, path) : nullptr;
}

bool BundleEditor::activateNode(afControlTreeItem* node) {
    const NodeData* data = dataOf(node);
    if (!data || data->group || data->disabled)
        return false;
    // One the load left out opens with its problems, which say why.
    BundleEntry* entry = data->leftOut ? m_manager.findLeftOut(data->uuid) : m_manager.findEntry(data->uuid);
    return entry && openEntry(*entry) != nullptr;
}

std::vector<BundleEditor::MenuLine> BundleEditor::getContextMenu(afControlTreeItem* node) const {
    std::vector<MenuLine> lines;
    const NodeData* data = dataOf(node);
    if (!data)
        return lines;
    // New entries go into the bundle the node lies in, when it is installed.
    const bool bundleInstalled = m_manager.findBundle(data->bundle) != nullptr;
    for (const TypeGroup& group : TYPE_GROUPS) {
        const BundleEntryTraits* traits = m_manager.findEntryType(group.type);
        if (traits)
            lines.push_back({L"New " + traits->title, COMMAND_NEW_ENTRY, group.type, bundleInstalled});
    }
    if (!data->group) {
        if (data->disabled)
            lines.push_back({L"Enable", COMMAND_ENABLE, 0, true});
        else
            lines.push_back({L"Disable", COMMAND_DISABLE, 0, m_manager.findEntry(data->uuid) != nullptr});
    }
    return lines;
}

void BundleEditor::runCommand(afControlTreeItem* node, const MenuLine& line) {
    const NodeData* data = dataOf(node);
    if (!data)
        return;
    // The node goes with the tree's next refresh: what it names is copied first.
    const pel::UUID uuid = data->uuid;
    const pel::UUID bundleUuid = data->bundle;
    runCommand(uuid, bundleUuid, line);
}

void BundleEditor::runCommand(const pel::UUID& uuid, const pel::UUID& bundleUuid, const MenuLine& line) {
    if (!line.enabled)
        return;
    switch (line.command) {
    case COMMAND_NEW_ENTRY:
        if (Bundle* bundle = m_manager.findBundle(bundleUuid))
            newEntry(*bundle, line.type);
        break;
    case COMMAND_DISABLE:
        disable(uuid);
        break;
    case COMMAND_ENABLE:
        enable(uuid);
        break;
    }
}

void BundleEditor::onContextMenu(afControlTreeItem* node, int x, int y) {
    // Called by the tree's window procedure: nothing may leave.
    try {
        const std::vector<MenuLine> lines = getContextMenu(node);
        const NodeData* data = dataOf(node);
        if (lines.empty() || !data)
            return;
        // The menu's loop may refresh the tree (a load ending), which deletes the node.
        const pel::UUID uuid = data->uuid;
        const pel::UUID bundleUuid = data->bundle;
        std::unique_ptr<afMenu> menu = afMenu::createPopup(std::wstring());
        if (!menu)
            return;
        std::vector<std::pair<afMenuNode*, const MenuLine*>> chosen;
        for (const MenuLine& line : lines) {
            if (line.command != COMMAND_NEW_ENTRY && !chosen.empty() && chosen.back().second->command == COMMAND_NEW_ENTRY)
                menu->addSeparator();
            afMenuItem* item = menu->addItem(new afMenuItem(line.title));
            if (!line.enabled)
                item->setEnabledDelegate(afMenuItem::alwaysFalse());
            chosen.push_back({item, &line});
        }
        afMenuNode* picked = menu->track(m_tree, x, y, false);
        for (const auto& entry : chosen)
            if (entry.first == picked) {
                runCommand(uuid, bundleUuid, *entry.second);
                break;
            }
    } catch (const pel::Exception& e) {
        pel::log_printf(pel::LOG_ERROR, BundleManager::LOG_SOURCE, L"BundleEditor::onContextMenu(): %s",
                        e.displayText().c_str());
    }
}

} // namespace tessel

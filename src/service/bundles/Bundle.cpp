#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTemplates.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleItem.h"
#include "service/bundles/MenuDefReader.h"

#include "pel/base/Assert.h"
#include "pel/value/AbstractDictionaryValue.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tessel {

namespace {

const wchar_t* const INFO_NAME = L"info";
const wchar_t* const INFO_SUFFIX = L"tsInfo";

} // namespace

Bundle::Bundle() = default;

Bundle::~Bundle() {
    // The items would keep pointing here.
    if (!PEL_SOFT_ASSERT(m_items.empty()))
        for (const auto& entry : m_items)
            entry.second->m_bundle = nullptr;
}

const BundleEntryTraits& Bundle::getTraits() const { return BundleEntryTraits::bundle(); }

void Bundle::initContent(const std::wstring& title) {
    BundleEntryTemplates::fill(*this, BundleEntryTemplates::BUNDLE, title, std::wstring(), PEL_FILE, __LINE__);
}

void Bundle::readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) {
    BundleEntry::readValue(value, o_errors);
    const pel::ListValue* list = value.findList(L"menu");
    if (!list) {
        setMenu(nullptr);
        return;
    }
    const std::shared_ptr<MenuDefNode> root = std::make_shared<MenuDefNode>();
    root->isSubmenu = true;
    if (MenuDefReader::read(*list, *root))
        setMenu(root);
}

void Bundle::getFilePath(BundleEntryFilePath* o_path) const {
    PEL_CHECK_PTR(o_path);
    const pel::UUID& uuid = getUUID(); // a hard check naming "m_source"
    if (const BundleEntryFilePath* stored = getSource()->getTopPath()) {
        *o_path = *stored;
    } else {
        *o_path = BundleEntryFilePath();
        const BundleEntryFileName* folder = findStoredFolder();
        o_path->bundle =
            folder ? *folder
                   : BundleEntryFileName::fromTitle(getOwnTitle(), getTraits().type_name, uuid, getTraits().extension);
        o_path->entry = {uuid, INFO_NAME, INFO_SUFFIX};
    }
    o_path->storage = BundleEntryRepository::T_Changes;
}

const BundleEntryFileName* Bundle::findStoredFolder() const {
    const pel::UUID& uuid = getUUID();
    for (const auto& entry : m_items) {
        const std::shared_ptr<BundleEntrySource>& source = entry.second->getSource();
        const BundleEntryFilePath* stored = source ? source->getTopPath() : nullptr;
        if (stored && stored->bundle.uuid == uuid)
            return &stored->bundle;
    }
    return nullptr;
}

Bundle::Items::const_iterator Bundle::find(const BundleItem& item) const {
    const auto range = m_items.equal_range(item.getTypeId());
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == &item)
            return it;
    return m_items.end();
}

bool Bundle::hasItem(const BundleItem& item) const { return find(item) != m_items.end(); }

void Bundle::addItem(BundleItem& item) {
    if (item.m_bundle == this && hasItem(item))
        return;
    if (item.m_bundle) {
        PEL_SOFT_ASSERT(!hasItem(item));
        throw pel::InvalidArgumentException(L"Bundle item belongs to another bundle, please remove it first.");
    }
    item.m_bundle = this;
    m_items.emplace(item.getTypeId(), &item);
    m_generatedMenu.reset();
    onItemAdded.notify(*this, item);
}

void Bundle::removeItem(BundleItem& item) {
    if (item.m_bundle != this) {
        PEL_SOFT_ASSERT(!hasItem(item));
        throw pel::InvalidArgumentException(L"Bundle item does not belong to this bundle and cannot be removed.");
    }
    const Items::const_iterator at = find(item);
    if (at == m_items.end())
        PEL_NOT_REACHED();
    m_items.erase(at);
    item.m_bundle = nullptr;
    m_generatedMenu.reset();
    onItemRemoved.notify(*this, item);
}

void Bundle::forgetItem(const BundleItem& item) {
    // By address alone: the item is being destroyed, its type is no longer known.
    for (auto it = m_items.begin(); it != m_items.end(); ++it) {
        if (it->second == &item) {
            m_items.erase(it);
            break;
        }
    }
    m_generatedMenu.reset();
}

MenuDefNodePtr Bundle::getMenu() {
    if (m_menu && !m_menu->children.empty())
        return m_menu;
    if (!m_generatedMenu)
        m_generatedMenu = generateMenu();
    return m_generatedMenu;
}

void Bundle::setMenu(MenuDefNodePtr menu) {
    m_menu = std::move(menu);
    m_generatedMenu.reset();
}

MenuDefNodePtr Bundle::generateMenu() const {
    const std::shared_ptr<MenuDefNode> root = std::make_shared<MenuDefNode>();
    root->isSubmenu = true;
    // Grammars, then snippets: the type codes ascend in that order.
    const uint32_t types[] = {BUNDLE_TYPE_GRAMMAR, BUNDLE_TYPE_SNIPPET};
    size_t count = 1; // a separator between the groups
    for (const uint32_t type : types)
        count += m_items.count(type);
    // The menu's nodes in one block, which each line shares: a large bundle's menu is made
    // again whenever its items change.
    const std::shared_ptr<MenuDefNode[]> nodes(new MenuDefNode[count]);
    size_t used = 0;
    root->children.reserve(count);
    struct Line {
        const std::wstring* title;
        size_t order; // insertion order, so that items of equal titles keep it
        const BundleItem* item;
    };
    std::vector<Line> lines;
    std::vector<std::wstring> madeTitles;
    for (const uint32_t type : types) {
        const auto range = m_items.equal_range(type);
        lines.clear();
        madeTitles.clear();
        for (auto it = range.first; it != range.second; ++it) {
            const std::wstring& own = it->second->getOwnTitle();
            if (own.empty())
                madeTitles.push_back(it->second->getTitle()); // the title the user sees
            lines.push_back({own.empty() ? nullptr : &own, lines.size(), it->second});
        }
        if (lines.empty())
            continue;
        // The made titles stay where they are from here on.
        size_t made = 0;
        for (Line& line : lines)
            if (!line.title)
                line.title = &madeTitles[made++];
        std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
            const int order = a.title->compare(*b.title);
            return order != 0 ? order < 0 : a.order < b.order;
        });
        if (!root->children.empty()) {
            nodes[used].isSeparator = true;
            root->children.emplace_back(nodes, &nodes[used++]);
        }
        for (const Line& line : lines) {
            MenuDefNode& node = nodes[used];
            node.isItem = true;
            pel::UUID::toString(&line.item->getUUID(), &node.item);
            root->children.emplace_back(nodes, &nodes[used++]);
        }
    }
    return root;
}

} // namespace tessel

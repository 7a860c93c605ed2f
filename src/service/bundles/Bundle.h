#pragma once
// A bundle: the entry of a bundle's info file ("info.<uuid>.tsInfo": its title and menu
// definition) and the group of the items of its folder (grammars, snippets, themes, scope
// preferences). The BundleManager attaches items when it installs them and detaches them when it
// uninstalls them; the bundle does not own them. Its menu is the user's definition from the
// "menu" list, or, when that is missing or empty, one generated from its grammars and snippets.
// UI thread only.

#include "service/bundles/BundleEntry.h"
#include "service/bundles/MenuDefNode.h"

#include <cstdint>
#include <map>

namespace tessel {

class BundleItem;

class Bundle : public BundleEntry {
public:
    // The items by type code, ascending; those of one code in the order they were added.
    using Items = std::multimap<uint32_t, BundleItem*>;
    using ItemNotice = Notice<Bundle&, BundleItem&>;

    // After an item was attached; after one was detached.
    ItemNotice onItemAdded;
    ItemNotice onItemRemoved;

    Bundle();
    // The items should all be detached first: any left are detached silently after a soft
    // assertion "m_items.empty()".
    ~Bundle() override;

    const BundleEntryTraits& getTraits() const override;
    bool isBundle() const override { return true; }
    // Fills a new bundle from the bundle template: the title, and a null menu.
    void initContent(const std::wstring& title) override;
    // The title, then the menu: a "menu" list becomes the user menu; a missing, null or other
    // value clears it, so the generated menu shows. The menu is never written back by
    // writeValue: the entry's text keeps it.
    void readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) override;
    // Where the info file is saved, always in the changes layer: the path of the top-most
    // stored info file; for a bundle never stored, the bundle folder of the first item stored
    // under the bundle's UUID, else a folder named from the bundle's own title ("bundle" when
    // that gives no usable name), its UUID and "tsBundle". The file is "info.<uuid>.tsInfo".
    void getFilePath(BundleEntryFilePath* o_path) const override;

    // Attaches the item. An item already here is left as it is; one that belongs to another
    // bundle throws pel::InvalidArgumentException "Bundle item belongs to another bundle,
    // please remove it first." and changes nothing.
    void addItem(BundleItem& item);
    // Detaches the item. One that does not belong here throws pel::InvalidArgumentException
    // "Bundle item does not belong to this bundle and cannot be removed.".
    void removeItem(BundleItem& item);
    bool hasItem(const BundleItem& item) const;
    const Items& getItems() const { return m_items; }

    // The user menu when it has at least one line, else the generated one: the grammars, then
    // the snippets, each group sorted by title (ordinal), a separator between the two groups;
    // other types have no lines. The generated menu is kept until the items or the menu change.
    MenuDefNodePtr getMenu();
    // Sets the user menu (null allowed) and drops the generated one.
    void setMenu(MenuDefNodePtr menu);

private:
    friend class BundleItem;

    // Items::iterator of the item, or end().
    Items::const_iterator find(const BundleItem& item) const;
    // Takes the item out without telling anyone: it is going away while still attached.
    void forgetItem(const BundleItem& item);
    MenuDefNodePtr generateMenu() const;
    // The bundle folder of the first item stored under the bundle's UUID, or null.
    const BundleEntryFileName* findStoredFolder() const;

    Items m_items;
    MenuDefNodePtr m_menu;
    MenuDefNodePtr m_generatedMenu;
};

} // namespace tessel

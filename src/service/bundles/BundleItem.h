#pragma once
// The base of every entry that is not a bundle (grammars, snippets, themes, scope preferences):
// an entry that knows the bundle it belongs to. Only the bundle attaches and detaches its
// items (Bundle::addItem and removeItem); the pointer does not own the bundle.

#include "service/bundles/BundleEntry.h"

namespace tessel {

class Bundle;

class BundleItem : public BundleEntry {
public:
    // An item should be detached before it goes; one that is not leaves its bundle without
    // telling anyone (after a soft assertion), so the bundle never holds a freed item.
    ~BundleItem() override;

    // The bundle that holds the item; null while it is detached.
    Bundle* getBundle() const { return m_bundle; }

    // Where the item is saved, always in the changes layer: the bundle part is the bundle's
    // own target's (Bundle::getFilePath), so that every entry of a bundle lands in one folder
    // of the layer; the type folder and the file name are those of the item's top-most stored
    // file, or, for an item never stored, its type's folder and a name made from its own
    // title (the type name when the title gives no usable name), its UUID and its type's
    // extension. The item must be attached (a hard check "getBundle()").
    void getFilePath(BundleEntryFilePath* o_path) const override;

protected:
    BundleItem();

private:
    friend class Bundle;

    Bundle* m_bundle = nullptr;
};

} // namespace tessel

#pragma once
// What every entry type's manager (grammars, snippets, themes, scope preferences, and the
// bundle type's own) does for the BundleManager: it makes the entries of its type (on the
// loader thread too, so creating an entry makes no action, icon or window), takes installed
// entries into use and lets them go, names the editor of its entries, and follows the changes
// of installed entries. The BundleManager owns the registered managers.

#include "bundles/ui/BundleEntryEditor.h"

#include "service/bundles/IBundleEntryFactory.h"

namespace tessel {

class BundleEntryTraits;

class BundleEntryManager : public IBundleEntryFactory {
public:
    ~BundleEntryManager() override = default;

    virtual const BundleEntryTraits& getEntryTraits() const = 0;
    // Takes the installed entry into use; false when it refuses it (a grammar whose name is
    // taken), which leaves the entry uninstalled.
    virtual bool install(BundleEntry& entry) = 0;
    // Lets the entry go; false when it was none of the manager's.
    virtual bool uninstall(BundleEntry& entry) = 0;
    // The factory of the editor the bundle editor opens for the entry; null for none.
    virtual BundleEntryEditorFactory getEditorFactory(BundleEntry& entry) const = 0;
    // The outermost update bracket of an installed entry opened; closed, with whether a value
    // was applied inside it.
    virtual void beginEntryChange(BundleEntry& entry) = 0;
    virtual void endEntryChange(BundleEntry& entry, bool changed) = 0;
};

} // namespace tessel

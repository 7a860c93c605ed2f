#pragma once
// How an item type's manager joins the BundleManager: the bundle type is registered first, at
// the BundleManager's set-up, so a manager made before then registers at that set-up.

#include <memory>

namespace tessel {

class BundleEntryManager;
class BundleManager;

// Registers the manager's type now when the BundleManager is set up, else at its set-up. The
// BundleManager owns the manager from then on.
void registerTypeManager(BundleManager& bundles, const std::shared_ptr<BundleEntryManager>& manager);

} // namespace tessel

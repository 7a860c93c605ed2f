#include "bundles/TypeManagerRegistration.h"
#include "bundles/BundleManager.h"

namespace tessel {

void registerTypeManager(BundleManager& bundles, const std::shared_ptr<BundleEntryManager>& manager) {
    if (bundles.getBundleTypeManager()) {
        bundles.registerEntryType(manager);
        return;
    }
    bundles.onSetUp.add(manager.get(), [&bundles, manager] { bundles.registerEntryType(manager); });
}

} // namespace tessel

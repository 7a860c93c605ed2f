#pragma once
// The two tasks of one bundle load on the "BundleLoader" runner: the prepare task scans the
// root, user and changes layers into a BundleLoader; the load task then creates and loads the
// entries, type by type, into its result. Both are made and handed back on the UI thread
// (BundleLoaderRunner); their run() is the loader thread's.

#include "service/bundles/IBundleEntryFactory.h"

#include "service/base/Task.h"

#include "pel/base/UUID.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace tessel {

class BundleEntryTraits;
class BundleFactory;
class BundleLoader;

class BundleLoaderPrepareTask : public Task {
public:
    // types: the registered types, the bundle type first; disabled: the UUIDs of disabled
    // bundles and items. A null factory is a hard check naming "factory".
    BundleLoaderPrepareTask(const std::vector<const BundleEntryTraits*>& types, const std::set<pel::UUID>& disabled,
                            std::shared_ptr<BundleFactory> factory);
    ~BundleLoaderPrepareTask() override;

    // Makes the loader over the factory's storage and scans the three layers, root first. A
    // scan is never cut short: a cancelled load is told when the task is handed back.
    void run() override;

    const std::shared_ptr<BundleLoader>& getLoader() const { return m_loader; }
    const std::shared_ptr<BundleFactory>& getFactory() const { return m_factory; }

private:
    std::shared_ptr<BundleLoader> m_loader;
    std::shared_ptr<BundleFactory> m_factory;
    std::vector<const BundleEntryTraits*> m_types;
    std::set<pel::UUID> m_disabled;
};

class BundleLoaderLoadTask : public Task {
public:
    // The loaded entries by type code, each type's in ascending UUID order.
    using Result = std::map<uint32_t, std::vector<BundleEntryPtr>>;

    // Null arguments are hard checks naming them.
    BundleLoaderLoadTask(std::shared_ptr<BundleFactory> factory, std::shared_ptr<BundleLoader> loader);
    ~BundleLoaderLoadTask() override;

    // Each type of the loader in turn: takes its sources and loads them, stopping between the
    // steps once a stop is requested.
    void run() override;

    // Filled by run(); the receiver on the UI thread must take everything out of it.
    Result result;

    const std::shared_ptr<BundleFactory>& getFactory() const { return m_factory; }
    const std::shared_ptr<BundleLoader>& getLoader() const { return m_loader; }

private:
    std::shared_ptr<BundleFactory> m_factory;
    std::shared_ptr<BundleLoader> m_loader;
};

} // namespace tessel

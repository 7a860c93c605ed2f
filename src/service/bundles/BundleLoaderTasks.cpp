#include "service/bundles/BundleLoaderTasks.h"
#include "service/bundles/BundleEntry.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFactory.h"
#include "service/bundles/BundleLoader.h"

#include "pel/base/Assert.h"

namespace tessel {

BundleLoaderPrepareTask::BundleLoaderPrepareTask(const std::vector<const BundleEntryTraits*>& types,
                                                 const std::set<pel::UUID>& disabled,
                                                 std::shared_ptr<BundleFactory> factory)
    : m_factory(std::move(factory)), m_types(types), m_disabled(disabled) {
    PEL_CHECK_PTR(m_factory);
}

BundleLoaderPrepareTask::~BundleLoaderPrepareTask() = default;

void BundleLoaderPrepareTask::run() {
    m_loader = std::make_shared<BundleLoader>(m_factory->getStorage());
    m_loader->setTypes(m_types);
    m_loader->setDisabled(m_disabled);
    for (const BundleEntryRepository::Type layer :
         {BundleEntryRepository::T_Root, BundleEntryRepository::T_User, BundleEntryRepository::T_Changes})
        m_loader->scanLayer(layer);
}

BundleLoaderLoadTask::BundleLoaderLoadTask(std::shared_ptr<BundleFactory> factory,
                                           std::shared_ptr<BundleLoader> loader)
    : m_factory(std::move(factory)), m_loader(std::move(loader)) {
    PEL_CHECK_PTR(m_factory);
    PEL_CHECK_PTR(m_loader);
}

BundleLoaderLoadTask::~BundleLoaderLoadTask() = default;

void BundleLoaderLoadTask::run() {
    BundleLoader::Sources sources;
    for (const BundleEntryTraits* traits : m_loader->getTypes()) {
        sources.clear();
        m_loader->takeSources(traits->id, &sources);
        if (stopRequested())
            return;
        m_loader->loadEntries(*traits, sources, *this);
        if (stopRequested())
            return;
    }
}

} // namespace tessel

#include "service/bundles/BundleFactory.h"
#include "service/bundles/IBundleStorage.h"

#include "pel/base/Assert.h"

namespace tessel {

BundleFactory::BundleFactory(std::shared_ptr<IBundleStorage> storage) : m_storage(std::move(storage)) {
    PEL_CHECK_PTR(m_storage);
}

BundleFactory::~BundleFactory() = default;

bool BundleFactory::registerFactory(uint32_t typeCode, std::shared_ptr<IBundleEntryFactory> factory) {
    PEL_CHECK_PTR(factory);
    return m_factories.emplace(typeCode, std::move(factory)).second;
}

IBundleEntryFactory* BundleFactory::findFactory(uint32_t typeCode) const {
    const auto found = m_factories.find(typeCode);
    return found == m_factories.end() ? nullptr : found->second.get();
}

} // namespace tessel

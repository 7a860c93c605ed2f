#pragma once
// What BundleEntry::create needs to make an entry of any type: the entry factory of each type
// code and the bundle storage the entries' sources read from. The BundleManager fills it at
// start-up; loader tasks, item managers and the bundle editor read it afterwards.

#include "service/bundles/IBundleEntryFactory.h"

#include <cstdint>
#include <map>
#include <memory>

namespace tessel {

class IBundleStorage;

class BundleFactory {
public:
    // A null storage is a hard check naming "m_storage".
    explicit BundleFactory(std::shared_ptr<IBundleStorage> storage);
    ~BundleFactory();
    BundleFactory(const BundleFactory&) = delete;
    BundleFactory& operator=(const BundleFactory&) = delete;

    // The first registration of a code wins: false, and nothing changed, for a code already
    // registered. A null factory is a hard check naming "factory".
    bool registerFactory(uint32_t typeCode, std::shared_ptr<IBundleEntryFactory> factory);
    // The factory of the type code, or null.
    IBundleEntryFactory* findFactory(uint32_t typeCode) const;
    const std::shared_ptr<IBundleStorage>& getStorage() const { return m_storage; }

private:
    std::shared_ptr<IBundleStorage> m_storage;
    std::map<uint32_t, std::shared_ptr<IBundleEntryFactory>> m_factories;
};

} // namespace tessel

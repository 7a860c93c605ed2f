#include "service/bundles/BundleItem.h"
#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"

#include "pel/base/Assert.h"

namespace tessel {

BundleItem::BundleItem() = default;

BundleItem::~BundleItem() {
    if (!PEL_SOFT_ASSERT(m_bundle == nullptr))
        m_bundle->forgetItem(*this);
}

void BundleItem::getFilePath(BundleEntryFilePath* o_path) const {
    PEL_CHECK_PTR(o_path);
    PEL_ASSERT(getBundle());
    BundleEntryFilePath bundlePath;
    m_bundle->getFilePath(&bundlePath);
    const pel::UUID& uuid = getUUID(); // a hard check naming "m_source"
    if (const BundleEntryFilePath* stored = getSource()->getTopPath()) {
        *o_path = *stored;
    } else {
        const BundleEntryTraits& traits = getTraits();
        *o_path = BundleEntryFilePath();
        o_path->folder = traits.folder;
        o_path->entry = BundleEntryFileName::fromTitle(getOwnTitle(), traits.type_name, uuid, traits.extension);
    }
    o_path->bundle = bundlePath.bundle;
    o_path->storage = BundleEntryRepository::T_Changes;
}

} // namespace tessel

#pragma once
// One bundle or item the user disabled, as "app.bundles.disabled" keeps it: its title, type
// code and UUID; for a bundle the count of its items; for an item its bundle's title.

#include "pel/base/Crc.h"
#include "pel/base/UUID.h"

#include <cstdint>
#include <string>

namespace tessel {

struct DisabledEntryRecord {
    std::wstring title;
    uint32_t type = pel::crc32Literal("null"); // 0x25CBFC4F when made empty
    pel::UUID uuid;
    int32_t children_count = 0;
    std::wstring bundle_title;
};

inline bool operator==(const DisabledEntryRecord& a, const DisabledEntryRecord& b) {
    return a.title == b.title && a.type == b.type && a.uuid == b.uuid && a.children_count == b.children_count &&
           a.bundle_title == b.bundle_title;
}

} // namespace tessel

#pragma once
// Config's values by the CRC-32 of their identifiers, in one array searched from the hash's
// slot onward, so that finding a value reads one slot rather than a chain of nodes. It owns its
// values, which stay where they are; not thread-safe (Config holds its lock).

#include "service/base/ConfigValue.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tessel {

class ConfigValueTable {
public:
    ConfigValueTable() = default;
    ~ConfigValueTable();
    ConfigValueTable(const ConfigValueTable&) = delete;
    ConfigValueTable& operator=(const ConfigValueTable&) = delete;

    ConfigValue* find(uint32_t hash) const;
    // Adds the value under the hash, which must not be there yet.
    ConfigValue* add(uint32_t hash, std::unique_ptr<ConfigValue> value);

private:
    struct Slot {
        uint32_t hash;
        ConfigValue* value; // none in a free slot
    };

    // The slot of the hash, or the free one where it would go.
    const Slot& slotOf(uint32_t hash) const;

    std::vector<Slot> m_slots; // a power of two, at most half taken
    size_t m_count = 0;
};

} // namespace tessel

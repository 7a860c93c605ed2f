#include "service/base/ConfigValueTable.h"

namespace tessel {

ConfigValueTable::~ConfigValueTable() {
    for (const Slot& slot : m_slots)
        delete slot.value;
}

const ConfigValueTable::Slot& ConfigValueTable::slotOf(uint32_t hash) const {
    const size_t mask = m_slots.size() - 1;
    size_t at = hash & mask;
    while (m_slots[at].value && m_slots[at].hash != hash)
        at = (at + 1) & mask;
    return m_slots[at];
}

ConfigValue* ConfigValueTable::find(uint32_t hash) const { return m_slots.empty() ? nullptr : slotOf(hash).value; }

ConfigValue* ConfigValueTable::add(uint32_t hash, std::unique_ptr<ConfigValue> value) {
    if (2 * (m_count + 1) > m_slots.size()) {
        std::vector<Slot> old(m_slots.size() ? 2 * m_slots.size() : 64, Slot{0, nullptr});
        old.swap(m_slots);
        for (const Slot& slot : old)
            if (slot.value)
                const_cast<Slot&>(slotOf(slot.hash)) = slot;
    }
    Slot& slot = const_cast<Slot&>(slotOf(hash));
    slot = Slot{hash, value.release()};
    ++m_count;
    return slot.value;
}

} // namespace tessel

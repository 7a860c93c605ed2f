#include "service/parser/base/DocumentScope.h"

#include <cstdint>

namespace tessel {

namespace {

// Segment values are 32-bit words; the program is 32-bit, so a record's address fits.
uint32_t addressWord(const DocumentScope* scope) {
    static_assert(sizeof(uintptr_t) == sizeof(uint32_t), "scope path values hold record addresses");
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(scope));
}

} // namespace

DocumentScope::DocumentScope(uint16_t rootRuleNumber, uint16_t index, uint16_t ruleNumber,
                             const DocumentScope* parent, const wchar_t* name)
    : m_rootRuleNumber(rootRuleNumber), m_index(index), m_ruleNumber(ruleNumber), m_parent(parent),
      m_name(name ? name : L"") {
    // The text stays with its record, which outlives the path: no copy. The record holds its
    // own name only and goes on into its parent's path, so a record costs one segment however
    // deep it sits; a registry keeps thousands of records, so the path reserves just that one.
    if (!m_name.empty()) {
        m_path.reserve(1);
        m_path.push(static_cast<uint32_t>(m_name.size()), m_name.c_str(), false, addressWord(this));
    }
    if (parent)
        m_path.continueInto(parent->m_path);
}

const DocumentScope* NullScopeRegistry::intern(uint16_t ruleNumber, uint16_t, const wchar_t* name) {
    if (!m_root)
        m_root.reset(new DocumentScope(ruleNumber, 0, ruleNumber, nullptr, name));
    return m_root.get();
}

const DocumentScope* NullScopeRegistry::get(uint32_t index) const { return index == 0 ? m_root.get() : nullptr; }

} // namespace tessel

#include "service/parser/DynamicEndStore.h"

#include "service/parser/ParserRule.h"

namespace tessel {

uint16_t DynamicEndStore::find(const ParserRule& rule, const DynamicEndSource& source,
                               const std::vector<std::wstring>& captures) {
    std::pair<const ParserRule*, std::wstring> key(&rule, expandDynamicEnd(source, captures));
    const auto found = m_index.find(key);
    if (found != m_index.end())
        return found->second;
    if (m_patterns.size() >= MAX_PATTERNS)
        return 0;
    std::unique_ptr<pel::RegEx> regex = compileDynamicEnd(source, key.second);
    if (!regex) {
        m_index.emplace(std::move(key), 0); // not compiled again for the same text
        return 0;
    }
    m_patterns.push_back({std::move(regex), source.anchored != 0});
    const auto index = static_cast<uint16_t>(m_patterns.size());
    m_index.emplace(std::move(key), index);
    return index;
}

void DynamicEndStore::clear() {
    m_index.clear();
    m_patterns.clear();
}

} // namespace tessel

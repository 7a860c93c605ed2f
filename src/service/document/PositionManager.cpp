#include "service/document/PositionManager.h"

#include <algorithm>

namespace tessel {

void PositionManager::add(PositionHolder* holder) {
    if (holder && std::find(m_holders.begin(), m_holders.end(), holder) == m_holders.end())
        m_holders.push_back(holder);
}

void PositionManager::remove(PositionHolder* holder) {
    m_holders.erase(std::remove(m_holders.begin(), m_holders.end(), holder), m_holders.end());
}

void PositionManager::shift(int32_t offset, int32_t delta) {
    for (PositionHolder* holder : m_holders)
        holder->onTextShifted(offset, delta);
}

} // namespace tessel

#pragma once
// Keeps the text offsets that others hold (search positions, marks) in step with the edits of
// one Document: every insert and removal shifts them before the text changes.

#include <cstdint>
#include <vector>

namespace tessel {

class PositionHolder {
public:
    // delta units were inserted (delta > 0) or removed (delta < 0) at offset.
    virtual void onTextShifted(int32_t offset, int32_t delta) = 0;

protected:
    ~PositionHolder() = default;
};

class PositionManager {
public:
    // Adds a holder unless it is registered already.
    void add(PositionHolder* holder);
    void remove(PositionHolder* holder);
    void shift(int32_t offset, int32_t delta);
    size_t size() const { return m_holders.size(); }

private:
    std::vector<PositionHolder*> m_holders;
};

} // namespace tessel

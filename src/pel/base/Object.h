#pragma once
// Common bases: Object names its class by a symbol; RefCountedObject is shared across threads
// through an interlocked count and deletes itself when the last reference goes.

#include "pel/base/Symbol.h"

#include <atomic>
#include <cstdint>

namespace pel {

class Object {
public:
    static constexpr uint32_t TYPE_SYMBOL = crc32Literal("object"); // 0xA8ADABEC

    virtual ~Object() = default;
    virtual Symbol getTypeSymbol() const { return Symbol(TYPE_SYMBOL); }
};

class RefCountedObject {
public:
    RefCountedObject() = default;
    RefCountedObject(const RefCountedObject&) = delete;
    RefCountedObject& operator=(const RefCountedObject&) = delete;

    void duplicate() const { m_count.fetch_add(1, std::memory_order_relaxed); }
    void release() const {
        if (m_count.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }
    int32_t referenceCount() const { return m_count.load(std::memory_order_acquire); }

protected:
    virtual ~RefCountedObject() = default;

private:
    mutable std::atomic<int32_t> m_count{1};
};

} // namespace pel

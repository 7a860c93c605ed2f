#include "pel/base/MemoryPool.h"

#include "pel/base/Assert.h"

#include <algorithm>

namespace pel {

MemoryPool::MemoryPool(uint32_t blockSize, int32_t pre_alloc, int32_t max_alloc)
    : m_blockSize(blockSize), m_maxAlloc(max_alloc), m_allocated(pre_alloc) {
    PEL_ASSERT(max_alloc == 0 || max_alloc >= pre_alloc);
    PEL_ASSERT(pre_alloc >= 0 && max_alloc >= 0);
    int32_t reserve = std::max(pre_alloc, 128);
    if (max_alloc > 0)
        reserve = std::min(reserve, max_alloc);
    m_free.reserve(reserve);
    try {
        for (int32_t i = 0; i < pre_alloc; ++i)
            m_free.push_back(::operator new(m_blockSize));
    } catch (...) {
        for (void* block : m_free)
            ::operator delete(block);
        throw;
    }
}

MemoryPool::~MemoryPool() {
    for (void* block : m_free)
        ::operator delete(block);
}

void* MemoryPool::get() {
    ScopedLock<FastMutex> lock(m_mutex);
    if (!m_free.empty()) {
        void* block = m_free.back();
        m_free.pop_back();
        return block;
    }
    if (m_maxAlloc > 0 && m_allocated >= m_maxAlloc)
        throw OutOfMemoryException(L"MemoryPool exhausted");
    void* block = ::operator new(m_blockSize);
    ++m_allocated;
    return block;
}

void MemoryPool::release(void* block) {
    if (!block)
        return;
    ScopedLock<FastMutex> lock(m_mutex);
    m_free.push_back(block);
}

int32_t MemoryPool::available() const {
    ScopedLock<FastMutex> lock(m_mutex);
    return static_cast<int32_t>(m_free.size());
}

int32_t MemoryPool::allocated() const {
    ScopedLock<FastMutex> lock(m_mutex);
    return m_allocated;
}

} // namespace pel

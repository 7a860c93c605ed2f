#include "service/parser/ScopeRegistry.h"

#include <new>

namespace tessel {

namespace {

uint32_t keyOf(uint16_t ruleNumber, uint16_t parentIndex) {
    return uint32_t(ruleNumber) * 65536u + 1u + parentIndex;
}

} // namespace

ScopeRegistry::ScopeRegistry(Document& document) : m_document(document), m_buckets(INITIAL_BUCKETS, 0) {}

ScopeRegistry::~ScopeRegistry() { clear(); }

size_t ScopeRegistry::bucketOf(uint32_t key) const {
    // Fibonacci hashing: the top bits of the product depend on every bit of the key.
    return (key * 2654435761u) >> m_bucketShift;
}

DocumentScope* ScopeRegistry::find(uint32_t key) const {
    for (uint32_t at = m_buckets[bucketOf(key)]; at != 0;) {
        const Entry& candidate = entry(at - 1);
        if (candidate.key == key)
            return candidate.record;
        at = candidate.next;
    }
    return nullptr;
}

void ScopeRegistry::link(uint32_t index) {
    Entry& linked = entry(index);
    uint32_t& head = m_buckets[bucketOf(linked.key)];
    linked.next = head;
    head = index + 1;
}

void ScopeRegistry::grow() {
    std::vector<uint32_t> buckets;
    try {
        buckets.assign(m_buckets.size() * 2, 0);
    } catch (const std::bad_alloc&) {
        return; // longer chains find records all the same
    }
    m_buckets.swap(buckets);
    --m_bucketShift;
    const uint32_t count = m_count.load(std::memory_order_relaxed);
    for (uint32_t index = 0; index < count; ++index)
        link(index);
}

DocumentScope* ScopeRegistry::make(uint32_t index, uint16_t ruleNumber, const DocumentScope* parent,
                                   const wchar_t* name) {
    const uint16_t rootRuleNumber = index == 0 ? ruleNumber : entry(0).record->ruleNumber();
    Slot* slot = m_pool.allocate();
    DocumentScope* record = nullptr;
    try {
        record = new (slot) DocumentScope(rootRuleNumber, static_cast<uint16_t>(index), ruleNumber, parent, name);
        // Compiled here, before any reader can see it, so readers never write to a path.
        record->scopePath().compile();
    } catch (...) {
        if (record)
            record->~DocumentScope();
        m_pool.deallocate(slot);
        throw;
    }
    return record;
}

const DocumentScope* ScopeRegistry::intern(uint16_t ruleNumber, uint16_t parentIndex, const wchar_t* name) {
    pel::ScopedLock<pel::Mutex_Impl> lock(m_writers);
    const uint32_t count = m_count.load(std::memory_order_relaxed);
    const DocumentScope* parent = parentIndex < count ? entry(parentIndex).record : nullptr;
    // A parent index out of range is keyed as no parent, so the parentless record it makes is
    // never answered for the record that index names later.
    const uint32_t key = keyOf(ruleNumber, parent ? parentIndex : SCOPE_NO_PARENT);
    if (DocumentScope* found = find(key))
        return found;
    if (count >= MAX_RECORDS)
        return nullptr;
    std::unique_ptr<Entry[]>& block = m_blocks[count >> BLOCK_BITS];
    if (!block)
        block.reset(new Entry[BLOCK_SIZE]);
    DocumentScope* record = make(count, ruleNumber, parent, name);
    entry(count) = Entry{record, key, 0};
    link(count);
    // Published last: a reader that sees the new count sees the complete record.
    m_count.store(count + 1, std::memory_order_release);
    if (count + 1 > m_buckets.size() * MAX_LOAD)
        grow();
    return record;
}

const DocumentScope* ScopeRegistry::get(uint32_t index) const {
    if (index >= m_count.load(std::memory_order_acquire))
        return nullptr;
    return entry(index).record;
}

void ScopeRegistry::clear() {
    pel::ScopedLock<pel::Mutex_Impl> lock(m_writers);
    const uint32_t count = m_count.load(std::memory_order_relaxed);
    m_count.store(0, std::memory_order_release);
    for (uint32_t index = count; index-- > 0;) {
        DocumentScope* record = entry(index).record;
        record->~DocumentScope();
        m_pool.deallocate(reinterpret_cast<Slot*>(record));
    }
    for (std::unique_ptr<Entry[]>& block : m_blocks)
        block.reset();
    m_buckets.assign(INITIAL_BUCKETS, 0);
    m_bucketShift = 32 - INITIAL_BUCKET_BITS;
}

} // namespace tessel

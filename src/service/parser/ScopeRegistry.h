#pragma once
// The scope registry of one Document: interns a record per grammar rule opened inside a parent
// record, so that equal nesting gives equal 16-bit indexes and line states compare byte for
// byte. A parse worker interns while the main thread reads: records never move (they come from
// a pool and the index table grows by fixed blocks), and the count grows only once a record is
// complete, so get needs no lock. Interning and clearing are serialised among themselves.
//
// The key is the rule number and the parent index; the name is not part of it, so each rule
// that names a scope (captures included) must have a number of its own.

#include "pel/base/TAllocator.h"
#include "pel/thread/Mutex.h"
#include "service/parser/base/DocumentScope.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace tessel {

class Document;

class ScopeRegistry : public DocumentScopeRegistry {
public:
    // Indexes are 16-bit in line records and parser states, and 0xFFFF means "no run": at most
    // this many records.
    static constexpr uint32_t MAX_RECORDS = 65535;

    explicit ScopeRegistry(Document& document);
    ~ScopeRegistry() override;
    ScopeRegistry(const ScopeRegistry&) = delete;
    ScopeRegistry& operator=(const ScopeRegistry&) = delete;

    // The record of ruleNumber under the record at parentIndex (an index not below the count
    // means no parent), made with the next index when new; null once MAX_RECORDS are held and
    // the record is new. Its scope path comes compiled.
    const DocumentScope* intern(uint16_t ruleNumber, uint16_t parentIndex, const wchar_t* name) override;
    // Safe on any thread while another interns.
    const DocumentScope* get(uint32_t index) const override;
    // Not while another thread reads or interns: the Document clears with its parse job reset.
    void clear() override;

    uint32_t size() const { return m_count.load(std::memory_order_acquire); }
    Document& document() const { return m_document; }
    // The map's table size, for tests of its growth.
    size_t bucketCount() const { return m_buckets.size(); }

private:
    static constexpr uint32_t BLOCK_BITS = 8;
    static constexpr uint32_t BLOCK_SIZE = 1u << BLOCK_BITS;
    static constexpr uint32_t BLOCK_COUNT = (MAX_RECORDS + BLOCK_SIZE - 1) / BLOCK_SIZE;
    static constexpr uint32_t INITIAL_BUCKET_BITS = 3;
    static constexpr size_t INITIAL_BUCKETS = size_t(1) << INITIAL_BUCKET_BITS;
    static constexpr size_t MAX_LOAD = 4;

    // One index of the table; the map chains through the entries (next is an index + 1).
    struct Entry {
        DocumentScope* record;
        uint32_t key;
        uint32_t next;
    };
    // Room for one record: records are built in place, the pool only holds their memory.
    struct alignas(DocumentScope) Slot {
        unsigned char bytes[sizeof(DocumentScope)];
    };

    Entry& entry(uint32_t index) const { return m_blocks[index >> BLOCK_BITS][index & (BLOCK_SIZE - 1)]; }
    size_t bucketOf(uint32_t key) const;
    DocumentScope* find(uint32_t key) const;
    void link(uint32_t index);
    void grow();
    DocumentScope* make(uint32_t index, uint16_t ruleNumber, const DocumentScope* parent, const wchar_t* name);

    Document& m_document;
    pel::Mutex_Impl m_writers;
    std::atomic<uint32_t> m_count{0};
    std::unique_ptr<Entry[]> m_blocks[BLOCK_COUNT];
    std::vector<uint32_t> m_buckets; // index + 1 of each chain's first entry, 0 when empty
    uint32_t m_bucketShift = 32 - INITIAL_BUCKET_BITS; // 32 less the bits of the bucket count
    pel::TAllocator<Slot, 32> m_pool;
};

} // namespace tessel

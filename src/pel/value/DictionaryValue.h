#pragma once
// The dictionary of the value tree: members kept in insertion order for writing and in key
// order for lookups. Member records come from a pool that grows by chunks of 16 (the first two
// hold 4 and 8: most dictionaries are small) and reuses the records of removed members; the
// key order runs through the records themselves, so a member costs no allocation of its own.

#include "pel/value/AbstractDictionaryValue.h"

#include <boost/intrusive/set.hpp>

namespace pel {

class DictionaryValue : public AbstractDictionaryValue {
public:
    static constexpr size_t CHUNK_ENTRIES = 16;
    static constexpr size_t FIRST_CHUNK_ENTRIES = 4;

    DictionaryValue() = default;
    ~DictionaryValue() override;

    static DictionaryValue* create() { return new DictionaryValue(); }

    // Makes the first chunk of member records hold count of them (at most RESERVE_LIMIT), when
    // none is made yet: a reader that expects that many members saves the chunks' growth.
    static constexpr size_t RESERVE_LIMIT = 64;
    void reserve(size_t count);

    using AbstractDictionaryValue::setValue;
    void setValue(std::wstring_view key, Value* value, uint32_t keyToken) override;
    Value* findTyped(std::wstring_view key, int32_t type) const override;
    Value* find(std::wstring_view key) const override;

    bool hasKey(std::wstring_view key) const override;
    bool hasKeyOfType(std::wstring_view key, int32_t type) const override;
    size_t size() const override { return m_keys.size(); }
    bool empty() const override { return m_keys.empty(); }
    void clear() override;
    bool remove(std::wstring_view key, Value** o_taken) override;
    // Copies, not adoption: other keeps its members, and each copy gets key token 0.
    void assign(const AbstractDictionaryValue& other) override;

    ConstIterator keyOrderBegin() const override;
    Iterator keyOrderBegin() override;
    ConstIterator keyOrderEnd() const override { return {this, nullptr, DictionaryOrder::BY_KEY}; }
    Iterator keyOrderEnd() override { return {this, nullptr, DictionaryOrder::BY_KEY}; }
    ConstIterator insertionOrderBegin() const override { return {this, m_first, DictionaryOrder::BY_INSERTION}; }
    Iterator insertionOrderBegin() override { return {this, m_first, DictionaryOrder::BY_INSERTION}; }
    ConstIterator insertionOrderEnd() const override { return {this, nullptr, DictionaryOrder::BY_INSERTION}; }
    Iterator insertionOrderEnd() override { return {this, nullptr, DictionaryOrder::BY_INSERTION}; }

    const DictionaryMember* nextMember(const DictionaryMember* member, DictionaryOrder order) const override;

    // A new dictionary with copies of the members in insertion order (key tokens 0).
    Value* clone() const override;

    // Member records held by the pool, in use or free (they stay until clear()).
    size_t poolEntries() const { return m_taken; }

private:
    using KeyHook = boost::intrusive::set_base_hook<boost::intrusive::link_mode<boost::intrusive::normal_link>,
                                                    boost::intrusive::optimize_size<true>>;

    struct Entry : DictionaryMember, KeyHook {
        Entry* previous = nullptr;
        Entry* next = nullptr;
        std::wstring_view keyView() const { return m_key; }
    };
    struct KeyOf {
        using type = std::wstring_view;
        type operator()(const Entry& entry) const { return entry.keyView(); }
    };
    using KeySet = boost::intrusive::set<Entry, boost::intrusive::key_of_value<KeyOf>>;

    // Raw storage for `capacity` records, chained in the order the chunks were made.
    struct Chunk {
        Chunk* next;
        size_t capacity;
        Entry* records() { return reinterpret_cast<Entry*>(this + 1); }
    };

    Chunk* makeChunk(size_t capacity);
    Entry* takeEntry();
    void releaseEntry(Entry* entry);
    void unlink(Entry* entry);
    void destroyEntries();

    KeySet m_keys;
    Entry* m_first = nullptr;
    Entry* m_last = nullptr;

    Chunk* m_chunks = nullptr;
    // The chunk that the next new record goes into, and how many records all chunks hold
    // constructed ([0, m_taken) in chunk order).
    Chunk* m_current = nullptr;
    size_t m_usedInCurrent = 0;
    size_t m_taken = 0;
    // Constructed records of removed members, chained through next.
    Entry* m_free = nullptr;
};

} // namespace pel

#pragma once
// The dictionary of the value tree: members kept in insertion order for writing and in key
// order for lookups. Member records come from a pool that grows by chunks of 16 and reuses the
// records of removed members.

#include "pel/value/AbstractDictionaryValue.h"

#include <map>
#include <vector>

namespace pel {

class DictionaryValue : public AbstractDictionaryValue {
public:
    static constexpr size_t CHUNK_ENTRIES = 16;

    DictionaryValue() = default;
    ~DictionaryValue() override;

    static DictionaryValue* create() { return new DictionaryValue(); }

    using AbstractDictionaryValue::setValue;
    void setValue(std::wstring_view key, Value* value, uint32_t keyToken) override;
    Value* findTyped(std::wstring_view key, int32_t type) const override;
    Value* find(std::wstring_view key) const override;

    bool hasKey(std::wstring_view key) const override;
    bool hasKeyOfType(std::wstring_view key, int32_t type) const override;
    size_t size() const override { return m_map.size(); }
    bool empty() const override { return m_map.empty(); }
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
    struct Entry;
    // The keys are views of the entries' own key texts, which never move.
    using Map = std::map<std::wstring_view, Entry*>;

    struct Entry : DictionaryMember {
        Entry* previous = nullptr;
        Entry* next = nullptr;
        Map::iterator position;
    };

    Entry* takeEntry();
    void releaseEntry(Entry* entry);
    void unlink(Entry* entry);

    Map m_map;
    Entry* m_first = nullptr;
    Entry* m_last = nullptr;

    // Raw storage for CHUNK_ENTRIES records each; records [0, m_taken) are constructed.
    std::vector<void*> m_chunks;
    size_t m_taken = 0;
    // Constructed records of removed members, chained through next.
    Entry* m_free = nullptr;
};

} // namespace pel

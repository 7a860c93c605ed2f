#pragma once
// A read-only dictionary that shows several dictionaries as one: a key is answered by the last
// dictionary of the list that has it, a member present with a null value included, so later
// dictionaries override earlier ones (as the changes layer of an entry overrides the layers
// below it). Every typed getter of the value tree works through it; size, iteration, clone and
// equals see each key once. Writes fail with the not-implemented check.

#include "pel/value/AbstractDictionaryValue.h"

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tessel {

class DictionaryValueMerger : public pel::AbstractDictionaryValue {
public:
    DictionaryValueMerger();
    ~DictionaryValueMerger() override;

    // Adopts the dictionary as the new last one, which overrides all before it (a null one is
    // a hard check naming "dictionary").
    void add(pel::AbstractDictionaryValue* dictionary);
    size_t dictionaryCount() const { return m_dictionaries.size(); }
    const pel::AbstractDictionaryValue& dictionaryAt(size_t index) const { return *m_dictionaries.at(index); }

    // The member of the last dictionary that has the key, and that dictionary's index from
    // the front through o_index (when given). Null, o_index untouched, when none has the key.
    pel::Value* findValue(std::wstring_view key, size_t* o_index) const;

    pel::Value* findTyped(std::wstring_view key, int32_t type) const override;
    pel::Value* find(std::wstring_view key) const override;
    bool hasKey(std::wstring_view key) const override;
    bool hasKeyOfType(std::wstring_view key, int32_t type) const override;
    size_t size() const override { return m_insertion.size(); }
    bool empty() const override { return m_insertion.empty(); }

    // Not supported: each fails with the not-implemented check.
    using AbstractDictionaryValue::setValue;
    void setValue(std::wstring_view key, pel::Value* value, uint32_t keyToken) override;
    void clear() override;
    bool remove(std::wstring_view key, pel::Value** o_taken) override;
    void assign(const pel::AbstractDictionaryValue& other) override;

    // Each key once, with the member that answers for it: in key order, or in the order the
    // keys first appear (the first dictionary's members in its order, then the keys each
    // later one adds).
    ConstIterator keyOrderBegin() const override { return begin(m_byKey, pel::DictionaryOrder::BY_KEY); }
    Iterator keyOrderBegin() override { return begin(m_byKey, pel::DictionaryOrder::BY_KEY); }
    ConstIterator keyOrderEnd() const override { return {this, nullptr, pel::DictionaryOrder::BY_KEY}; }
    Iterator keyOrderEnd() override { return {this, nullptr, pel::DictionaryOrder::BY_KEY}; }
    ConstIterator insertionOrderBegin() const override { return begin(m_insertion, pel::DictionaryOrder::BY_INSERTION); }
    Iterator insertionOrderBegin() override { return begin(m_insertion, pel::DictionaryOrder::BY_INSERTION); }
    ConstIterator insertionOrderEnd() const override { return {this, nullptr, pel::DictionaryOrder::BY_INSERTION}; }
    Iterator insertionOrderEnd() override { return {this, nullptr, pel::DictionaryOrder::BY_INSERTION}; }
    const pel::DictionaryMember* nextMember(const pel::DictionaryMember* member,
                                            pel::DictionaryOrder order) const override;

    // A merger of copies of the dictionaries.
    pel::Value* clone() const override;

private:
    using Members = std::vector<pel::DictionaryMember*>;

    Iterator begin(const Members& members, pel::DictionaryOrder order) const {
        return {this, members.empty() ? nullptr : members.front(), order};
    }
    // The merged view of the members, made again by each add.
    void index();

    std::vector<std::unique_ptr<pel::AbstractDictionaryValue>> m_dictionaries;
    Members m_insertion;
    Members m_byKey;
    // Where each answering member stands in the two orders.
    std::unordered_map<const pel::DictionaryMember*, std::pair<size_t, size_t>> m_places;
};

} // namespace tessel

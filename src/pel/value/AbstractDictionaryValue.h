#pragma once
// The contract of every dictionary value: keyed members with typed lookups, walked either in
// key order (ordinal comparison of the keys) or in insertion order (document order). The
// typed lookups are built here on find/findTyped, so a derived view (a merge of several
// dictionaries, for instance) only supplies the storage operations.

#include "pel/value/Value.h"

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

namespace pel {

class ListValue;
class AbstractDictionaryValue;

// One member: its key, its owned value and the store index of its key token (0 when set in code).
class DictionaryMember {
public:
    const std::wstring& key() const { return m_key; }
    const Value* value() const { return m_value; }
    Value* value() { return m_value; }
    uint32_t keyToken() const { return m_keyToken; }

protected:
    friend class DictionaryValue;

    std::wstring m_key;
    Value* m_value = nullptr;
    uint32_t m_keyToken = 0;
};

enum class DictionaryOrder { BY_KEY, BY_INSERTION };

// Walks the members of one dictionary in one order; the end is the null member.
template <class Member>
class TDictionaryIterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = DictionaryMember;
    using difference_type = std::ptrdiff_t;
    using pointer = Member*;
    using reference = Member&;

    TDictionaryIterator() = default;
    TDictionaryIterator(const AbstractDictionaryValue* owner, Member* at, DictionaryOrder order)
        : m_owner(owner), m_at(at), m_order(order) {}
    // A mutable iterator converts to a constant one.
    operator TDictionaryIterator<const DictionaryMember>() const { return {m_owner, m_at, m_order}; }

    Member& operator*() const { return *m_at; }
    Member* operator->() const { return m_at; }
    TDictionaryIterator& operator++();
    TDictionaryIterator operator++(int) {
        TDictionaryIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const TDictionaryIterator& other) const { return m_at == other.m_at; }
    bool operator!=(const TDictionaryIterator& other) const { return m_at != other.m_at; }

private:
    const AbstractDictionaryValue* m_owner = nullptr;
    Member* m_at = nullptr;
    DictionaryOrder m_order = DictionaryOrder::BY_INSERTION;
};

class AbstractDictionaryValue : public Value {
public:
    using Iterator = TDictionaryIterator<DictionaryMember>;
    using ConstIterator = TDictionaryIterator<const DictionaryMember>;

    template <class It>
    struct Range {
        It first, last;
        It begin() const { return first; }
        It end() const { return last; }
    };

    // Adopts value and deletes the value it replaces. A new key goes to the end of the
    // insertion order; an existing key keeps its place and takes the new key token.
    virtual void setValue(std::wstring_view key, Value* value, uint32_t keyToken) = 0;
    void setValue(std::wstring_view key, Value* value) { setValue(key, value, 0); }
    // The member when present and of that type, else null.
    virtual Value* findTyped(std::wstring_view key, int32_t type) const = 0;
    // The member or null.
    virtual Value* find(std::wstring_view key) const = 0;
    // As get(), then InvalidTypeInDictionaryValueException when the member has another type.
    virtual Value* getTyped(std::wstring_view key, int32_t type) const;
    // The member; DictionaryKeyNotFoundValueException when absent.
    virtual Value* get(std::wstring_view key) const;

    // False when the key is absent, else the member's own getter (false for another kind).
    using Value::getBool;
    using Value::getInteger;
    using Value::getDouble;
    using Value::getString;
    virtual bool getBool(std::wstring_view key, bool* o_val) const;
    virtual bool getInteger(std::wstring_view key, int32_t* o_val) const;
    virtual bool getDouble(std::wstring_view key, double* o_val) const;
    virtual bool getString(std::wstring_view key, std::wstring* o_val) const;
    // The text of a string member, else null: read in place, without the copy getString makes.
    const std::wstring* findString(std::wstring_view key) const;

    virtual AbstractDictionaryValue* findDictionary(std::wstring_view key) const;
    virtual const ListValue* findList(std::wstring_view key) const;
    virtual ListValue* findList(std::wstring_view key);
    virtual const ListValue* getList(std::wstring_view key) const;
    virtual ListValue* getList(std::wstring_view key);

    virtual bool hasKey(std::wstring_view key) const = 0;
    virtual bool hasKeyOfType(std::wstring_view key, int32_t type) const = 0;
    virtual size_t size() const = 0;
    virtual bool empty() const = 0;
    // Deletes every member.
    virtual void clear() = 0;
    // False when the key is absent. Otherwise the member goes; its value is handed to the
    // caller through o_taken when that is given, else deleted.
    virtual bool remove(std::wstring_view key, Value** o_taken) = 0;
    // Sets a copy of each of other's members, walked in key order (key token 0). The copies
    // are this dictionary's own: other keeps its members.
    virtual void assign(const AbstractDictionaryValue& other) = 0;

    virtual ConstIterator keyOrderBegin() const = 0;
    virtual Iterator keyOrderBegin() = 0;
    virtual ConstIterator keyOrderEnd() const = 0;
    virtual Iterator keyOrderEnd() = 0;
    virtual ConstIterator insertionOrderBegin() const = 0;
    virtual Iterator insertionOrderBegin() = 0;
    virtual ConstIterator insertionOrderEnd() const = 0;
    virtual Iterator insertionOrderEnd() = 0;

    // For range-for: members in document order, and in key order.
    Range<ConstIterator> members() const { return {insertionOrderBegin(), insertionOrderEnd()}; }
    Range<Iterator> members() { return {insertionOrderBegin(), insertionOrderEnd()}; }
    Range<ConstIterator> membersByKey() const { return {keyOrderBegin(), keyOrderEnd()}; }
    Range<Iterator> membersByKey() { return {keyOrderBegin(), keyOrderEnd()}; }

    // Every dictionary class makes its own copies.
    Value* clone() const override = 0;
    // Same size, and every member has an equal member under the same key in other; the
    // order of the members does not matter.
    bool equals(const Value& other) const override;

    // The member after member in the given order, or null after the last. Iterators step
    // through this.
    virtual const DictionaryMember* nextMember(const DictionaryMember* member, DictionaryOrder order) const = 0;

protected:
    AbstractDictionaryValue() : Value(TYPE_DICTIONARY) {}
};

template <class Member>
TDictionaryIterator<Member>& TDictionaryIterator<Member>::operator++() {
    m_at = const_cast<Member*>(m_owner->nextMember(m_at, m_order));
    return *this;
}

} // namespace pel

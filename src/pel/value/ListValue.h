#pragma once
// An ordered list of owned values; no element is null.

#include "pel/value/Value.h"

#include <cstddef>
#include <vector>

namespace pel {

class AbstractDictionaryValue;

class ListValue : public Value {
public:
    ListValue() : Value(TYPE_LIST) {}
    ~ListValue() override;

    static ListValue* create() { return new ListValue(); }

    size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    // Element i; i must be below size().
    Value* get(size_t i) const;
    // Takes ownership of val, which must not be null.
    void append(Value* val);
    // Makes room for count elements in all, so that appending up to them allocates nothing.
    void reserve(size_t count) { m_items.reserve(count); }
    // Element i as a dictionary; throws ListIndexNotFoundValueException past the end and
    // InvalidTypeInListValueException for an element of another kind.
    AbstractDictionaryValue* getDictionary(size_t i) const;

    std::vector<Value*>::const_iterator begin() const { return m_items.begin(); }
    std::vector<Value*>::const_iterator end() const { return m_items.end(); }

    Value* clone() const override;
    bool equals(const Value& other) const override;

private:
    std::vector<Value*> m_items;
};

} // namespace pel

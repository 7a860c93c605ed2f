#include "pel/value/ListValue.h"

#include "pel/base/Assert.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "pel/value/ValueExceptions.h"

#include <memory>

namespace pel {

ListValue::~ListValue() {
    for (Value* item : m_items)
        delete item;
}

Value* ListValue::get(size_t i) const {
    PEL_ASSERT(i < m_items.size());
    return m_items[i];
}

void ListValue::append(Value* val) {
    PEL_ASSERT(val != NULL);
    // Take ownership even when the vector cannot grow.
    std::unique_ptr<Value> owned(val);
    m_items.push_back(val);
    owned.release();
}

AbstractDictionaryValue* ListValue::getDictionary(size_t i) const {
    if (i >= m_items.size())
        throw ListIndexNotFoundValueException(this, i);
    Value* item = m_items[i];
    if (item->type != TYPE_DICTIONARY)
        throw InvalidTypeInListValueException(item, TYPE_DICTIONARY, this, i);
    return static_cast<AbstractDictionaryValue*>(item);
}

Value* ListValue::clone() const {
    std::unique_ptr<ListValue> copy(new ListValue());
    copy->m_items.reserve(m_items.size());
    for (const Value* item : m_items)
        copy->append(item->clone());
    copy->range = range;
    return copy.release();
}

bool ListValue::equals(const Value& other) const {
    if (other.type != TYPE_LIST)
        return false;
    const ListValue& that = static_cast<const ListValue&>(other);
    if (that.m_items.size() != m_items.size())
        return false;
    for (size_t i = 0; i < m_items.size(); ++i)
        if (!m_items[i]->equals(*that.m_items[i]))
            return false;
    return true;
}

} // namespace pel

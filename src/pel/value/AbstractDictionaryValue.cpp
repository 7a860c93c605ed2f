#include "pel/value/AbstractDictionaryValue.h"

#include "pel/base/Assert.h"
#include "pel/value/ListValue.h"
#include "pel/value/StringValue.h"
#include "pel/value/ValueExceptions.h"

namespace pel {

Value* AbstractDictionaryValue::getTyped(std::wstring_view key, int32_t type) const {
    Value* member = get(key);
    if (member->type != type)
        throw InvalidTypeInDictionaryValueException(member, type, this, std::wstring(key));
    return member;
}

Value* AbstractDictionaryValue::get(std::wstring_view key) const {
    Value* member = find(key);
    if (!member)
        throw DictionaryKeyNotFoundValueException(this, std::wstring(key));
    return member;
}

bool AbstractDictionaryValue::getBool(std::wstring_view key, bool* o_val) const {
    PEL_CHECK_PTR(o_val);
    const Value* member = find(key);
    return member && member->getBool(o_val);
}

bool AbstractDictionaryValue::getInteger(std::wstring_view key, int32_t* o_val) const {
    PEL_CHECK_PTR(o_val);
    const Value* member = find(key);
    return member && member->getInteger(o_val);
}

bool AbstractDictionaryValue::getDouble(std::wstring_view key, double* o_val) const {
    PEL_CHECK_PTR(o_val);
    const Value* member = find(key);
    return member && member->getDouble(o_val);
}

bool AbstractDictionaryValue::getString(std::wstring_view key, std::wstring* o_val) const {
    PEL_CHECK_PTR(o_val);
    const Value* member = find(key);
    return member && member->getString(o_val);
}

const std::wstring* AbstractDictionaryValue::findString(std::wstring_view key) const {
    const Value* member = findTyped(key, TYPE_STRING);
    return member ? &static_cast<const StringValue*>(member)->text : nullptr;
}

AbstractDictionaryValue* AbstractDictionaryValue::findDictionary(std::wstring_view key) const {
    return static_cast<AbstractDictionaryValue*>(findTyped(key, TYPE_DICTIONARY));
}

const ListValue* AbstractDictionaryValue::findList(std::wstring_view key) const {
    return const_cast<AbstractDictionaryValue*>(this)->findList(key);
}

ListValue* AbstractDictionaryValue::findList(std::wstring_view key) {
    return static_cast<ListValue*>(findTyped(key, TYPE_LIST));
}

const ListValue* AbstractDictionaryValue::getList(std::wstring_view key) const {
    return const_cast<AbstractDictionaryValue*>(this)->getList(key);
}

ListValue* AbstractDictionaryValue::getList(std::wstring_view key) {
    return static_cast<ListValue*>(getTyped(key, TYPE_LIST));
}

bool AbstractDictionaryValue::equals(const Value& other) const {
    if (other.type != TYPE_DICTIONARY)
        return false;
    const AbstractDictionaryValue& that = static_cast<const AbstractDictionaryValue&>(other);
    if (that.size() != size())
        return false;
    for (const DictionaryMember& member : membersByKey()) {
        const Value* theirs = that.find(member.key());
        const Value* mine = member.value();
        // A member may hold no value at all; it then equals only another such member.
        if (!mine ? (theirs || !that.hasKey(member.key())) : (!theirs || !mine->equals(*theirs)))
            return false;
    }
    return true;
}

} // namespace pel

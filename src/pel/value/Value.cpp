#include "pel/value/Value.h"

#include "pel/base/Assert.h"

namespace pel {

const std::wstring Value::NULL_TEXT = L"null";
const std::wstring Value::TRUE_TEXT = L"true";
const std::wstring Value::FALSE_TEXT = L"false";

const wchar_t* Value::typeName(int32_t type) {
    static const wchar_t* const names[] = {L"Null",   L"Boolean", L"Integer", L"Real",
                                           L"String", L"RegExp",  L"List",    L"Dictionary"};
    return type >= 0 && type <= TYPE_DICTIONARY ? names[type] : names[TYPE_NULL];
}

Value* Value::create() { return new Value(TYPE_NULL); }

bool Value::getBool(bool* o_val) const {
    PEL_CHECK_PTR(o_val);
    return false;
}

bool Value::getInteger(int32_t* o_val) const {
    PEL_CHECK_PTR(o_val);
    return false;
}

bool Value::getDouble(double* o_val) const {
    PEL_CHECK_PTR(o_val);
    return false;
}

bool Value::getString(std::wstring* o_val) const {
    PEL_CHECK_PTR(o_val);
    return false;
}

Value* Value::clone() const {
    Value* copy = new Value(TYPE_NULL);
    copy->range = range;
    return copy;
}

bool Value::equals(const Value& other) const { return other.type == TYPE_NULL; }

} // namespace pel

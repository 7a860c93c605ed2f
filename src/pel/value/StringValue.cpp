#include "pel/value/StringValue.h"

#include "pel/base/Assert.h"

namespace pel {

StringValue* StringValue::create(const wchar_t* string, int length) {
    PEL_CHECK_PTR(string);
    if (length < 0)
        return new StringValue(std::wstring(string));
    return new StringValue(std::wstring(string, static_cast<size_t>(length)));
}

StringValue* StringValue::create(const std::wstring& string) { return new StringValue(string); }

bool StringValue::getString(std::wstring* o_val) const {
    PEL_CHECK_PTR(o_val);
    *o_val = text;
    return true;
}

Value* StringValue::clone() const {
    StringValue* copy = new StringValue(text, style);
    copy->range = range;
    return copy;
}

bool StringValue::equals(const Value& other) const {
    return other.type == TYPE_STRING && static_cast<const StringValue&>(other).text == text;
}

} // namespace pel

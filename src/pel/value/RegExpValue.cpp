#include "pel/value/RegExpValue.h"

namespace pel {

Value* RegExpValue::clone() const {
    RegExpValue* copy = new RegExpValue(pattern, options);
    copy->range = range;
    return copy;
}

bool RegExpValue::equals(const Value& other) const {
    if (other.type != TYPE_REGEXP)
        return false;
    const RegExpValue& that = static_cast<const RegExpValue&>(other);
    return pattern == that.pattern && options == that.options;
}

} // namespace pel

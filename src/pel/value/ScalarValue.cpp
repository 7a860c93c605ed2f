#include "pel/value/ScalarValue.h"

#include "pel/base/Assert.h"

namespace pel {

bool ScalarValue::getBool(bool* o_val) const {
    PEL_CHECK_PTR(o_val);
    if (type != TYPE_BOOLEAN)
        return false;
    *o_val = m_payload.boolean;
    return true;
}

bool ScalarValue::getInteger(int32_t* o_val) const {
    PEL_CHECK_PTR(o_val);
    if (type != TYPE_INTEGER)
        return false;
    *o_val = m_payload.integer;
    return true;
}

bool ScalarValue::getDouble(double* o_val) const {
    PEL_CHECK_PTR(o_val);
    if (type != TYPE_DOUBLE)
        return false;
    *o_val = m_payload.real;
    return true;
}

Value* ScalarValue::clone() const {
    ScalarValue* copy;
    switch (type) {
    case TYPE_BOOLEAN: copy = new ScalarValue(m_payload.boolean); break;
    case TYPE_INTEGER: copy = new ScalarValue(m_payload.integer); break;
    case TYPE_DOUBLE: copy = new ScalarValue(m_payload.real); break;
    default: PEL_NOT_REACHED();
    }
    copy->range = range;
    return copy;
}

bool ScalarValue::equals(const Value& other) const {
    if (other.type != type)
        return false;
    const ScalarValue& that = static_cast<const ScalarValue&>(other);
    switch (type) {
    case TYPE_BOOLEAN: return m_payload.boolean == that.m_payload.boolean;
    case TYPE_INTEGER: return m_payload.integer == that.m_payload.integer;
    case TYPE_DOUBLE: return m_payload.real == that.m_payload.real;
    default: PEL_NOT_REACHED();
    }
}

} // namespace pel

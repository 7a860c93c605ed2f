#pragma once
// A boolean, a 32-bit signed integer or a double.

#include "pel/value/Value.h"

namespace pel {

class ScalarValue : public Value {
public:
    explicit ScalarValue(bool value) : Value(TYPE_BOOLEAN) { m_payload.boolean = value; }
    explicit ScalarValue(int32_t value) : Value(TYPE_INTEGER) { m_payload.integer = value; }
    explicit ScalarValue(double value) : Value(TYPE_DOUBLE) { m_payload.real = value; }

    static ScalarValue* createBool(bool value) { return new ScalarValue(value); }

    bool getBool(bool* o_val) const override;
    bool getInteger(int32_t* o_val) const override;
    bool getDouble(double* o_val) const override;
    using Value::getString;

    Value* clone() const override;
    // Same type and payload; doubles by floating-point equality, so NaN equals nothing.
    bool equals(const Value& other) const override;

private:
    union Payload {
        bool boolean;
        int32_t integer;
        double real;
    } m_payload;
};

} // namespace pel

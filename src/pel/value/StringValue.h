#pragma once
// A text, with the way it was written so that a writer can write it back the same way.

#include "pel/value/Value.h"

namespace pel {

class StringValue : public Value {
public:
    enum Style : int32_t {
        STYLE_DOUBLE_QUOTED = 0, // also every string made in code
        STYLE_SINGLE_QUOTED = 1,
        STYLE_SYMBOL = 2, // written bare
    };

    explicit StringValue(std::wstring i_text, int32_t i_style = STYLE_DOUBLE_QUOTED)
        : Value(TYPE_STRING), text(std::move(i_text)), style(i_style) {}

    // length -1 takes the text up to its terminating NUL.
    static StringValue* create(const wchar_t* string, int length);
    static StringValue* create(const std::wstring& string);

    using Value::getBool;
    using Value::getInteger;
    using Value::getDouble;
    bool getString(std::wstring* o_val) const override;

    Value* clone() const override;
    // The same text; the style does not matter.
    bool equals(const Value& other) const override;

    std::wstring text;
    int32_t style;
};

} // namespace pel

#pragma once
// A regular-expression literal kept as text: the pattern with its escapes as written, and the
// option letters. Compiling is left to the regular-expression wrapper.

#include "pel/value/Value.h"

namespace pel {

class RegExpValue : public Value {
public:
    RegExpValue(std::wstring i_pattern, std::wstring i_options)
        : Value(TYPE_REGEXP), pattern(std::move(i_pattern)), options(std::move(i_options)) {}

    static RegExpValue* create(const std::wstring& pattern, const std::wstring& options) {
        return new RegExpValue(pattern, options);
    }

    Value* clone() const override;
    bool equals(const Value& other) const override;

    std::wstring pattern;
    std::wstring options;
};

} // namespace pel

#pragma once
// Every error of the Jasmine lexer and parser: a message and the range of the offending text.

#include "pel/base/Exception.h"

namespace pel {

class JasmineSyntaxException : public ParserException {
public:
    JasmineSyntaxException(const std::wstring& i_message, const TextPosition& i_start, const TextPosition& i_end)
        : ParserException(i_message, i_start, i_end) {}
    const wchar_t* name() const override { return L"JasmineSyntaxException"; }
    JasmineSyntaxException* clone() const override { return new JasmineSyntaxException(*this); }
};

} // namespace pel

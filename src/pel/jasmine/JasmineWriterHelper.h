#pragma once
// Turns a value tree into Jasmine or JSON text in a wide string.

#include <memory>
#include <string>

namespace pel {

class IJasmineFormatter;
class Value;

class JasmineWriterHelper {
public:
    // Appends the text of val, laid out by formatter, to o_string. None may be null. When the
    // write fails, o_string is left as it was and the formatter is reset.
    static void write(const Value* val, std::wstring* o_string, const std::shared_ptr<IJasmineFormatter>& formatter);
    // o_string becomes the value as indented Jasmine.
    static void toJasmine(const Value* val, std::wstring* o_string);
    // Appends the value as indented Jasmine.
    static void appendJasmine(const Value* val, std::wstring* o_string);
    // o_string becomes the value as compact JSON.
    static void toJson(const Value* val, std::wstring* o_string);
};

} // namespace pel

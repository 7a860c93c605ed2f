#pragma once
// Writes a value tree through a text writer, leaving every layout decision to a formatter:
// the writer puts out the scalars and regular expressions, the formatter brackets, separators,
// keys and strings. Lives for one write; neither the text writer nor the formatter is owned.

#include <string>

namespace pel {

class IJasmineFormatter;
class TextWriter;
class Value;

class JasmineValueWriter {
public:
    JasmineValueWriter(TextWriter& writer, IJasmineFormatter& formatter) : m_writer(writer), m_formatter(formatter) {}
    JasmineValueWriter(const JasmineValueWriter&) = delete;
    JasmineValueWriter& operator=(const JasmineValueWriter&) = delete;

    void write(const Value& value);

private:
    TextWriter& m_writer;
    IJasmineFormatter& m_formatter;
    // The text of one scalar at a time.
    std::wstring m_scratch;
};

} // namespace pel

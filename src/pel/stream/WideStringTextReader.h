#pragma once
// A text reader over wide characters in memory, taken as they are (no decoding). The caller
// keeps the characters alive while the reader is used.

#include "pel/stream/TextReader.h"

#include <string_view>

namespace pel {

class WideStringTextReader : public TextReader {
public:
    explicit WideStringTextReader(std::wstring_view text) : m_text(text) {}

    int read(wchar_t* buffer, int count) override;
    int readToEnd(std::wstring& text) override;
    int readLine(std::wstring& line) override;
    int peek() override;
    int read() override;
    int peekUnits(const wchar_t** o_units) override;
    void skip(int count) override;
    void close() override { m_open = false; }

private:
    void checkOpen() const;

    std::wstring_view m_text;
    size_t m_position = 0;
    bool m_open = true;
};

} // namespace pel

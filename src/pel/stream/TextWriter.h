#pragma once
// The abstract writer of UTF-16 text in an encoding, with the line ending writeLine appends
// (a LineEnding code: 0 CR LF, 1 LF, 2 CR).

#include <memory>
#include <string>

namespace pel {

class TextEncoding;

class TextWriter {
public:
    // UTF-16LE, lines ending in CR LF.
    TextWriter();
    // encoding must not be empty.
    TextWriter(int lineEnding, std::shared_ptr<TextEncoding> encoding);
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;
    virtual ~TextWriter();

    // Each returns the number of units taken.
    virtual int write(wchar_t c) = 0;
    virtual int write(const std::wstring& text);
    // A null text takes nothing; a length of 0 or less neither.
    virtual int write(const wchar_t* text, int length) = 0;
    // The text followed by the line ending; the units of both.
    virtual int writeLine(const std::wstring& text);
    virtual int writeLine(const wchar_t* text, int length);
    // Writes out what is buffered and detaches; every later write or close throws
    // IllegalStateException.
    virtual void close() = 0;

protected:
    std::shared_ptr<TextEncoding> m_encoding;
    int m_lineEnding;
};

} // namespace pel

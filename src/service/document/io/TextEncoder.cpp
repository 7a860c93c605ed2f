#include "service/document/io/TextEncoder.h"

#include "pel/text/TextDecoding.h"
#include "pel/text/Utf8Text.h"
#include "pel/text/WideString.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace tessel {

namespace {

using pel::is_high_surrogate;
using pel::is_low_surrogate;

// Code point of a unit or a pair at text[i]; false for a lone surrogate. i moves past it.
inline bool nextCodePoint(const wchar_t* text, size_t count, size_t& i, uint32_t& o_value) {
    const wchar_t unit = text[i];
    if (is_high_surrogate(unit) && i + 1 < count && is_low_surrogate(text[i + 1])) {
        o_value = pel::surrogatesToCodePoint(unit, text[i + 1]);
        i += 2;
        return true;
    }
    o_value = unit;
    ++i;
    return !is_high_surrogate(unit) && !is_low_surrogate(unit);
}

// A lone surrogate cannot be stored in UTF-8 or UTF-32.
EncodeResult checkSurrogates(const wchar_t* text, size_t count) {
    for (size_t i = 0; i < count;) {
        if (text[i] < 0xD800) {
            ++i;
            continue;
        }
        uint32_t value;
        if (!nextCodePoint(text, count, i, value))
            return EncodeResult::CHARACTERS_LOST;
    }
    return EncodeResult::OK;
}

// UTF-8, UTF-16 and UTF-32, unit by unit. UTF-16 takes any unit as it is; the others store
// code points, so a lone surrogate fails them.
class UnicodeEncoder : public TextEncoder {
public:
    enum Form { UTF8, UTF16, UTF32 };

    UnicodeEncoder(uint32_t lineEnding, Form form, bool bigEndian)
        : TextEncoder(lineEnding, form == UTF8 ? 1 : form == UTF16 ? 2 : 4, bigEndian), m_form(form),
          m_bigEndian(bigEndian) {}

    EncodeResult check(const wchar_t* text, size_t count) override {
        return m_form == UTF16 ? EncodeResult::OK : checkSurrogates(text, count);
    }

    EncodeResult encode(const wchar_t* text, size_t count, ByteBuffer& out) override {
        // The most bytes a unit takes: a UTF-8 unit three (a pair four for two units), a line
        // feed its break (two units of the form).
        const size_t most = m_form == UTF8 ? 3 : m_form == UTF16 ? 4 : 8;
        unsigned char* const start = reinterpret_cast<unsigned char*>(out.room(count * most));
        unsigned char* p = start;
        for (size_t i = 0; i < count;) {
            const wchar_t unit = text[i];
            if (unit == L'\n') {
                appendBreak(p);
                ++i;
            } else if (m_form == UTF8 && unit < 0x80) {
                *p++ = static_cast<unsigned char>(unit);
                ++i;
            } else if (m_form == UTF16) {
                put(p, unit, 2);
                ++i;
            } else {
                uint32_t value;
                if (!nextCodePoint(text, count, i, value))
                    return EncodeResult::CHARACTERS_LOST;
                if (m_form == UTF32)
                    put(p, value, 4);
                else
                    p = reinterpret_cast<unsigned char*>(pel::encodeUtf8(value, reinterpret_cast<char*>(p)));
            }
        }
        out.commit(static_cast<size_t>(p - start));
        return EncodeResult::OK;
    }

private:
    void put(unsigned char*& p, uint32_t value, int bytes) const {
        for (int byte = 0; byte < bytes; ++byte)
            *p++ = static_cast<unsigned char>(value >> (m_bigEndian ? 8 * (bytes - 1 - byte) : 8 * byte));
    }

    Form m_form;
    bool m_bigEndian;
};

// The system's conversion, one line at a time. Code pages that refuse the best-fit flag (the
// UTF-7 and ISO-2022 families, and UTF-8 as a system code page) are converted plainly and then
// checked by converting the bytes back.
class CodePageEncoder : public TextEncoder {
public:
    CodePageEncoder(uint32_t lineEnding, UINT codePage) : TextEncoder(lineEnding, 1, false), m_codePage(codePage) {}

    EncodeResult check(const wchar_t* text, size_t count) override { return eachLine(text, count, nullptr); }

    EncodeResult encode(const wchar_t* text, size_t count, ByteBuffer& out) override {
        return eachLine(text, count, &out);
    }

private:
    EncodeResult eachLine(const wchar_t* text, size_t count, ByteBuffer* out) {
        for (size_t i = 0; i <= count;) {
            const wchar_t* feed = std::find(text + i, text + count, L'\n');
            const size_t end = static_cast<size_t>(feed - text);
            const EncodeResult result = convert(text + i, end - i, out);
            if (result != EncodeResult::OK)
                return result;
            if (end == count)
                break;
            if (out) {
                unsigned char* p = reinterpret_cast<unsigned char*>(out->room(breakLength()));
                appendBreak(p);
                out->commit(breakLength());
            }
            i = end + 1;
        }
        return EncodeResult::OK;
    }

    // Converts units holding no line feed into out, or only checks them when out is null.
    EncodeResult convert(const wchar_t* text, size_t count, ByteBuffer* out) {
        if (count == 0)
            return EncodeResult::OK;
        if (count > INT_MAX / 4)
            return EncodeResult::FAILED;
        const int units = static_cast<int>(count);
        BOOL used = FALSE;
        int size = ::WideCharToMultiByte(m_codePage, m_strict ? WC_NO_BEST_FIT_CHARS : 0, text, units, nullptr, 0,
                                         nullptr, m_strict ? &used : nullptr);
        if (size <= 0 && m_strict &&
            (::GetLastError() == ERROR_INVALID_FLAGS || ::GetLastError() == ERROR_INVALID_PARAMETER)) {
            m_strict = false;
            size = ::WideCharToMultiByte(m_codePage, 0, text, units, nullptr, 0, nullptr, nullptr);
        }
        if (size <= 0)
            return EncodeResult::FAILED;
        if (used)
            return EncodeResult::CHARACTERS_LOST;
        if (!out && m_strict)
            return EncodeResult::OK;
        ByteBuffer& target = out ? *out : m_scratch;
        if (!out)
            m_scratch.clear();
        char* bytes = target.room(static_cast<size_t>(size) + 1024);
        const int written = ::WideCharToMultiByte(m_codePage, m_strict ? WC_NO_BEST_FIT_CHARS : 0, text, units, bytes,
                                                  size, nullptr, m_strict ? &used : nullptr);
        if (written != size)
            return EncodeResult::FAILED;
        if (used || (!m_strict && !convertsBack(text, units, bytes, written)))
            return EncodeResult::CHARACTERS_LOST;
        target.commit(static_cast<size_t>(written));
        return EncodeResult::OK;
    }

    bool convertsBack(const wchar_t* text, int units, const char* bytes, int size) {
        const int length = ::MultiByteToWideChar(m_codePage, 0, bytes, size, nullptr, 0);
        if (length != units)
            return false;
        m_back.resize(static_cast<size_t>(length));
        return ::MultiByteToWideChar(m_codePage, 0, bytes, size, m_back.data(), length) == length &&
               std::equal(m_back.begin(), m_back.end(), text);
    }

    UINT m_codePage;
    bool m_strict = true; // the best-fit flag and the used-default answer are accepted
    ByteBuffer m_scratch;
    std::vector<wchar_t> m_back;
};

} // namespace

char* ByteBuffer::room(size_t count) {
    if (count > m_capacity - m_size) {
        const size_t capacity = std::max(m_size + count, m_capacity * 2);
        std::unique_ptr<char[]> grown(new char[capacity]);
        if (m_size)
            std::memcpy(grown.get(), m_data.get(), m_size);
        m_data = std::move(grown);
        m_capacity = capacity;
    }
    return m_data.get() + m_size;
}

void ByteBuffer::append(const void* data, size_t count) {
    std::memcpy(room(count), data, count);
    commit(count);
}

TextEncoder::TextEncoder(uint32_t lineEnding, size_t unitBytes, bool bigEndian) {
    const unsigned char CR = 0x0D, LF = 0x0A;
    unsigned char characters[2];
    size_t count = 0;
    if (lineEnding == 0 || lineEnding == 1) {
        if (lineEnding == 0)
            characters[count++] = CR;
        characters[count++] = LF;
    } else {
        characters[count++] = CR;
    }
    for (size_t c = 0; c < count; ++c) {
        unsigned char* unit = m_break + c * unitBytes;
        unit[bigEndian ? unitBytes - 1 : 0] = characters[c];
    }
    m_breakLength = count * unitBytes;
}

void TextEncoder::appendBreak(unsigned char*& io_out) const {
    std::memcpy(io_out, m_break, m_breakLength);
    io_out += m_breakLength;
}

std::unique_ptr<TextEncoder> TextEncoder::create(uint32_t code, uint32_t lineEnding) {
    switch (code) {
    case pel::ENCODING_UTF8:
    case pel::ENCODING_UTF8_PLAIN:
        return std::unique_ptr<TextEncoder>(new UnicodeEncoder(lineEnding, UnicodeEncoder::UTF8, false));
    case pel::ENCODING_UTF16LE:
    case pel::ENCODING_UTF16BE:
        return std::unique_ptr<TextEncoder>(
            new UnicodeEncoder(lineEnding, UnicodeEncoder::UTF16, code == pel::ENCODING_UTF16BE));
    case pel::ENCODING_UTF32LE:
    case pel::ENCODING_UTF32BE:
        return std::unique_ptr<TextEncoder>(
            new UnicodeEncoder(lineEnding, UnicodeEncoder::UTF32, code == pel::ENCODING_UTF32BE));
    case pel::ENCODING_ANSI:
        return std::unique_ptr<TextEncoder>(new CodePageEncoder(lineEnding, pel::ansiCodePage()));
    default:
        return std::unique_ptr<TextEncoder>(new CodePageEncoder(lineEnding, code & 0xFFFF));
    }
}

} // namespace tessel

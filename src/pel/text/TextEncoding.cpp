#include "pel/text/TextEncoding.h"

#include <algorithm>

namespace pel {

namespace {

// A Unicode encoding: knows the byte-order mark of its files.
class PreambleTextEncoding : public TextEncoding {
public:
    PreambleTextEncoding(UConverter* i_converter, const unsigned char* i_preamble, int i_length)
        : TextEncoding(i_converter), m_preamble(i_preamble), m_length(i_length) {}

    const unsigned char* getPreamble(int* o_length) const override {
        if (o_length)
            *o_length = m_length;
        return m_preamble;
    }

private:
    const unsigned char* m_preamble;
    int m_length;
};

const unsigned char UTF8_MARK[] = {0xEF, 0xBB, 0xBF};
const unsigned char UTF16BE_MARK[] = {0xFE, 0xFF};
const unsigned char UTF16LE_MARK[] = {0xFF, 0xFE};
const unsigned char UTF32BE_MARK[] = {0x00, 0x00, 0xFE, 0xFF};
const unsigned char UTF32LE_MARK[] = {0xFF, 0xFE, 0x00, 0x00};

// Conversions go through a small buffer on the stack and are appended from there: cheaper
// than sizing the output for the worst case up front.
constexpr int CHUNK_UNITS = 8192;

} // namespace

TextEncoding::TextEncoding(UConverter* i_converter) : converter(i_converter), status(U_ZERO_ERROR) {}

TextEncoding::~TextEncoding() {
    ucnv_close(converter);
}

const unsigned char* TextEncoding::getPreamble(int* o_length) const {
    if (o_length)
        *o_length = 0;
    return nullptr;
}

std::shared_ptr<TextEncoding> TextEncoding::create(const wchar_t* name) {
    if (!name || !*name)
        return {};
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_openU(reinterpret_cast<const UChar*>(name), &error);
    if (U_FAILURE(error) || !converter) {
        ucnv_close(converter);
        return {};
    }
    const unsigned char* mark = nullptr;
    int length = 0;
    switch (ucnv_getType(converter)) {
    case UCNV_UTF8:
        mark = UTF8_MARK, length = 3;
        break;
    case UCNV_UTF16_BigEndian:
        mark = UTF16BE_MARK, length = 2;
        break;
    case UCNV_UTF16_LittleEndian:
    case UCNV_UTF16:
        mark = UTF16LE_MARK, length = 2;
        break;
    case UCNV_UTF32_BigEndian:
        mark = UTF32BE_MARK, length = 4;
        break;
    case UCNV_UTF32_LittleEndian:
    case UCNV_UTF32:
        mark = UTF32LE_MARK, length = 4;
        break;
    default:
        return std::shared_ptr<TextEncoding>(new TextEncoding(converter));
    }
    return std::make_shared<PreambleTextEncoding>(converter, mark, length);
}

bool TextEncoding::encode(const wchar_t* text, size_t length, std::string& io_bytes) {
    ucnv_resetFromUnicode(converter);
    status = U_ZERO_ERROR;
    if (length == 0)
        return true;
    io_bytes.reserve(io_bytes.size() + length * static_cast<size_t>(ucnv_getMinCharSize(converter)));
    char chunk[CHUNK_UNITS * 2];
    const UChar* source = reinterpret_cast<const UChar*>(text);
    const UChar* const sourceLimit = source + length;
    for (;;) {
        char* target = chunk;
        status = U_ZERO_ERROR;
        ucnv_fromUnicode(converter, &target, chunk + sizeof chunk, &source, sourceLimit, nullptr, true,
                         &status);
        io_bytes.append(chunk, static_cast<size_t>(target - chunk));
        if (status != U_BUFFER_OVERFLOW_ERROR)
            return succeeded();
    }
}

bool TextEncoding::decode(const char* bytes, size_t length, std::wstring& io_text) {
    ucnv_resetToUnicode(converter);
    status = U_ZERO_ERROR;
    if (length == 0)
        return true;
    io_text.reserve(io_text.size() + length / static_cast<size_t>(std::max<int>(1, ucnv_getMinCharSize(converter))));
    UChar chunk[CHUNK_UNITS];
    const char* source = bytes;
    const char* const sourceLimit = bytes + length;
    for (;;) {
        UChar* target = chunk;
        status = U_ZERO_ERROR;
        ucnv_toUnicode(converter, &target, chunk + CHUNK_UNITS, &source, sourceLimit, nullptr, true, &status);
        io_text.append(reinterpret_cast<const wchar_t*>(chunk), static_cast<size_t>(target - chunk));
        if (status != U_BUFFER_OVERFLOW_ERROR)
            return succeeded();
    }
}

} // namespace pel

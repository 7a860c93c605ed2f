#include "service/document/io/DocumentEncoding.h"

#include "pel/files/file_io/FileException.h"
#include "service/base/Stream.h"

#include <algorithm>
#include <cwchar>

namespace tessel {

namespace {

const unsigned char MARK_UTF8[] = {0xEF, 0xBB, 0xBF};
const unsigned char MARK_UTF16LE[] = {0xFF, 0xFE};
const unsigned char MARK_UTF16BE[] = {0xFE, 0xFF};
const unsigned char MARK_UTF32LE[] = {0xFF, 0xFE, 0x00, 0x00};
const unsigned char MARK_UTF32BE[] = {0x00, 0x00, 0xFE, 0xFF};

const std::array<EncodingInfo, 7> TABLE = {{
    {pel::ENCODING_ANSI, L"ANSI", L"ANSI", nullptr, 0},
    {pel::ENCODING_UTF8, L"UTF-8", L"UTF-8", MARK_UTF8, 3},
    {pel::ENCODING_UTF8_PLAIN, L"UTF-8-PLAIN", L"UTF-8 Plain", nullptr, 0},
    {pel::ENCODING_UTF16LE, L"UTF-16-LE", L"UTF-16 LE", MARK_UTF16LE, 2},
    {pel::ENCODING_UTF16BE, L"UTF-16-BE", L"UTF-16 BE", MARK_UTF16BE, 2},
    {pel::ENCODING_UTF32LE, L"UTF-32-LE", L"UTF-32 LE", MARK_UTF32LE, 4},
    {pel::ENCODING_UTF32BE, L"UTF-32-BE", L"UTF-32 BE", MARK_UTF32BE, 4},
}};

const std::array<uint32_t, 7> BOM_ORDER = {
    pel::ENCODING_UTF32LE, pel::ENCODING_UTF32BE, pel::ENCODING_UTF8,       pel::ENCODING_UTF16BE,
    pel::ENCODING_UTF16LE, pel::ENCODING_ANSI,    pel::ENCODING_UTF8_PLAIN,
};

// Stream writes take at most this many bytes at a time.
constexpr size_t WRITE_CHUNK = 1 << 20;

void writeAll(Stream& stream, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const uint32_t chunk = static_cast<uint32_t>(std::min(size, WRITE_CHUNK));
        if (stream.write(bytes, chunk) != chunk)
            throw pel::IOException(L"A stream took fewer bytes than it was given.");
        bytes += chunk;
        size -= chunk;
    }
}

} // namespace

const std::array<EncodingInfo, 7>& encoding_table() { return TABLE; }

const std::array<uint32_t, 7>& bom_encoding_order() { return BOM_ORDER; }

const EncodingInfo* find_encoding(uint32_t code) {
    for (const EncodingInfo& entry : TABLE)
        if (entry.code == code)
            return &entry;
    return nullptr;
}

uint32_t encoding_from_config_name(const wchar_t* name) {
    if (name && *name)
        for (const EncodingInfo& entry : TABLE)
            if (_wcsicmp(name, entry.configName) == 0)
                return entry.code;
    return pel::ENCODING_UTF8_PLAIN;
}

const wchar_t* encoding_config_name(uint32_t code) {
    const EncodingInfo* entry = find_encoding(code);
    return entry ? entry->configName : L"UTF-8-PLAIN";
}

const wchar_t* encoding_title(uint32_t code) {
    const EncodingInfo* entry = find_encoding(code);
    return entry ? entry->title : L"Unknown";
}

void write_utf16_text(const wchar_t* text, size_t length, Stream& stream) {
    static_assert(sizeof(wchar_t) == 2, "UTF-16 units");
    writeAll(stream, MARK_UTF16LE, sizeof MARK_UTF16LE);
    writeAll(stream, text, length * sizeof(wchar_t)); // the units of this little-endian machine
}

} // namespace tessel

#pragma once
// The encodings a document can be saved in: their codes (pel::EncodingCode), the names stored in
// settings, the titles shown to users and the byte-order marks written on save, in the table's
// order; and the order of the byte-order-mark table, which the status strip's encoding menu
// follows.

#include "pel/text/TextDecoding.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tessel {

class Stream;

struct EncodingInfo {
    uint32_t code;
    const wchar_t* configName; // "UTF-16-LE"
    const wchar_t* title;      // "UTF-16 LE"
    const unsigned char* mark; // written first on save; null when markLength is 0
    int markLength;
};

// ANSI, UTF-8, UTF-8 Plain, UTF-16 LE, UTF-16 BE, UTF-32 LE, UTF-32 BE.
const std::array<EncodingInfo, 7>& encoding_table();
// The codes in the order of the byte-order-mark table: UTF-32 LE, UTF-32 BE, UTF-8, UTF-16 BE,
// UTF-16 LE, then ANSI (no mark found) and UTF-8 Plain (no mark, the UTF-8 test passed).
const std::array<uint32_t, 7>& bom_encoding_order();
// The table's entry of a code, or null.
const EncodingInfo* find_encoding(uint32_t code);

// The code of a configuration name, compared without case; a null, empty or unknown name gives
// UTF-8 Plain, the default wherever a code is missing.
uint32_t encoding_from_config_name(const wchar_t* name);
// "UTF-8-PLAIN" for a code outside the table.
const wchar_t* encoding_config_name(uint32_t code);
// "Unknown" for a code outside the table.
const wchar_t* encoding_title(uint32_t code);

// Writes FF FE and the text as UTF-16 LE units; a stream that takes fewer bytes than given
// throws pel::IOException.
void write_utf16_text(const wchar_t* text, size_t length, Stream& stream);
inline void write_utf16_text(const std::wstring& text, Stream& stream) {
    write_utf16_text(text.c_str(), text.size(), stream);
}

} // namespace tessel

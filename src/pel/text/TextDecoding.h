#pragma once
// Turning loaded bytes into UTF-16: byte-order marks, the test for UTF-8 without a mark, and
// decoding by encoding code. Documents and the library's text decoding share these.

#include <cstddef>
#include <cstdint>

namespace pel {

// Encoding codes: Windows code pages, with the high bit marking the forms Windows lacks.
enum EncodingCode : uint32_t {
    ENCODING_ANSI = 0, // the system's ANSI code page
    ENCODING_UTF16LE = 1200,
    ENCODING_UTF16BE = 1201,
    ENCODING_UTF8 = 65001,           // with a byte-order mark
    ENCODING_UTF8_PLAIN = 0x8000FDE9, // without one
    ENCODING_UTF32LE = 0x800004B0,
    ENCODING_UTF32BE = 0x800004B1,
};

struct BomEntry {
    const unsigned char* bytes;
    int length; // 0 in the terminating entry
    uint32_t code;
};

// The byte-order mark that the data starts with, or the terminating entry {length 0, code 0}.
// UTF-32 LE is tried before UTF-16 LE, whose mark it begins with.
const BomEntry& detect_bom_encoding(const void* data, size_t size);

// True when the bytes are well-formed UTF-8 holding at least one multi-byte sequence. A zero
// byte, an ill-formed sequence (overlong, surrogate, beyond U+10FFFF, stray continuation) fails;
// a well-formed start of a sequence cut off by the end of the data counts as success.
bool is_utf8_text(const void* data, size_t size);
// The same; with endsText the data is the whole text (for a file, a first block that holds all
// of it), whose end is no block edge: a sequence cut off there succeeds only after a whole one.
bool is_utf8_text(const void* data, size_t size, bool endsText);

// Converts size bytes in the encoding to UTF-16 at o_dst, which holds *io_capacity units; on
// return *io_capacity is the number of units written. Returns false when the conversion failed
// or the destination was too small.
// Without o_consumed the input is taken as complete: an ill-formed or cut-off sequence becomes
// U+FFFD. With o_consumed the input is one block of a stream: decoding stops before a sequence
// cut off by the end of the block (and where the destination is full), and the bytes used go to
// o_consumed; the caller carries the rest into the next block.
// o_firstReplaced, when given, receives the offset in src of the first bytes that could not be
// decoded and were replaced (by U+FFFD in a Unicode form, by the page's default character in a
// code page, which the system reports), or NO_REPLACEMENT; the text is the same whether it is
// asked for or not. A code page's own mapping counts as decoded; so does a U+FFFD that the bytes
// spell.
constexpr size_t NO_REPLACEMENT = static_cast<size_t>(-1);
bool decode_text(wchar_t* o_dst, const void* src, size_t size, uint32_t code, size_t* io_capacity,
                 size_t* o_consumed = nullptr, size_t* o_firstReplaced = nullptr);

// The code page that ENCODING_ANSI stands for: the system's ANSI code page, unless a test set
// another (0 gives the system's back), so that double-byte pages are reached under any system.
uint32_t ansiCodePage();
void setAnsiCodePage(uint32_t codePage);

} // namespace pel

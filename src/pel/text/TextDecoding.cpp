#include "pel/text/TextDecoding.h"

#include "pel/base/Assert.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>

namespace pel {

namespace {

const unsigned char kUtf32Le[] = {0xFF, 0xFE, 0x00, 0x00};
const unsigned char kUtf32Be[] = {0x00, 0x00, 0xFE, 0xFF};
const unsigned char kUtf8[] = {0xEF, 0xBB, 0xBF};
const unsigned char kUtf16Be[] = {0xFE, 0xFF};
const unsigned char kUtf16Le[] = {0xFF, 0xFE};

const BomEntry kBomTable[] = {
    {kUtf32Le, 4, ENCODING_UTF32LE}, {kUtf32Be, 4, ENCODING_UTF32BE}, {kUtf8, 3, ENCODING_UTF8},
    {kUtf16Be, 2, ENCODING_UTF16BE}, {kUtf16Le, 2, ENCODING_UTF16LE}, {nullptr, 0, 0},
};

const wchar_t kReplacement = 0xFFFD;

std::atomic<uint32_t> s_ansiCodePage{0}; // 0: the system's

// Notes the offset of replaced bytes when it is the first one a call meets.
void noteReplaced(size_t* io_first, size_t offset) {
    if (io_first && *io_first == NO_REPLACEMENT)
        *io_first = offset;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the UTF-8 sequence a lead byte opens and the allowed range of its second byte,
// which rules out overlong forms, surrogates and values beyond U+10FFFF. 0: not a lead byte.
int utf8SequenceLength(unsigned char lead, unsigned char* secondMin, unsigned char* secondMax) {
    *secondMin = 0x80;
    *secondMax = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (lead == 0xE0)
            *secondMin = 0xA0;
        else if (lead == 0xED)
            *secondMax = 0x9F;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (lead == 0xF0)
            *secondMin = 0x90;
        else if (lead == 0xF4)
            *secondMax = 0x8F;
        return 4;
    }
    return 0;
}

// Result of one well-formed or ill-formed step of the UTF-8 decoder.
struct Utf8Step {
    uint32_t value; // the scalar value, or U+FFFD
    size_t bytes;   // bytes the step consumes; 0: cut off by the end of the input
    bool replaced;  // the bytes were ill-formed (value is U+FFFD in their place)
};

Utf8Step decodeUtf8Step(const unsigned char* p, size_t available) {
    if (p[0] < 0x80)
        return {p[0], 1, false};
    unsigned char secondMin, secondMax;
    const int length = utf8SequenceLength(p[0], &secondMin, &secondMax);
    if (length == 0)
        return {kReplacement, 1, true};
    for (int i = 1; i < length; ++i) {
        if (static_cast<size_t>(i) >= available)
            return {kReplacement, 0, true};
        const bool ok = i == 1 ? (p[1] >= secondMin && p[1] <= secondMax) : isContinuation(p[i]);
        if (!ok)
            return {kReplacement, static_cast<size_t>(i), true}; // the bytes before the offending one
    }
    // U+FFFE and U+FFFF are characters like any other here: replaced, an unchanged save of a
    // file holding them would alter its bytes.
    uint32_t value = p[0] & (0xFF >> (length + 1));
    for (int i = 1; i < length; ++i)
        value = (value << 6) | (p[i] & 0x3F);
    return {value, static_cast<size_t>(length), false};
}

bool decodeUtf8(wchar_t* dst, const unsigned char* src, size_t size, size_t* io_capacity, size_t* o_consumed,
                size_t* io_replaced) {
    const size_t capacity = *io_capacity;
    size_t in = 0, out = 0;
    while (in < size) {
        Utf8Step step = decodeUtf8Step(src + in, size - in);
        if (step.bytes == 0) {
            if (o_consumed)
                break; // the rest of the sequence comes with the next block
            step = {kReplacement, size - in, true};
        }
        const size_t units = step.value >= 0x10000 ? 2 : 1;
        if (out + units > capacity) {
            if (!o_consumed)
                return false;
            break;
        }
        if (units == 2) {
            dst[out++] = static_cast<wchar_t>(0xD800 + ((step.value - 0x10000) >> 10));
            dst[out++] = static_cast<wchar_t>(0xDC00 + ((step.value - 0x10000) & 0x3FF));
        } else {
            dst[out++] = static_cast<wchar_t>(step.value);
        }
        if (step.replaced)
            noteReplaced(io_replaced, in);
        in += step.bytes;
    }
    *io_capacity = out;
    if (o_consumed)
        *o_consumed = in;
    return true;
}

bool decodeUtf16(wchar_t* dst, const unsigned char* src, size_t size, bool bigEndian, size_t* io_capacity,
                 size_t* o_consumed, size_t* io_replaced) {
    size_t units = size / 2;
    if (units > *io_capacity) {
        if (!o_consumed)
            return false;
        units = *io_capacity;
    }
    for (size_t i = 0; i < units; ++i) {
        const unsigned char a = src[2 * i], b = src[2 * i + 1];
        dst[i] = static_cast<wchar_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    // A lone last byte is carried by a stream, or stands for a damaged unit at the end.
    if (!o_consumed && size % 2 != 0) {
        if (units + 1 > *io_capacity)
            return false;
        dst[units++] = kReplacement;
        noteReplaced(io_replaced, size - 1);
    }
    *io_capacity = units;
    if (o_consumed)
        *o_consumed = units * 2;
    return true;
}

bool decodeUtf32(wchar_t* dst, const unsigned char* src, size_t size, bool bigEndian, size_t* io_capacity,
                 size_t* o_consumed, size_t* io_replaced) {
    const size_t capacity = *io_capacity;
    size_t in = 0, out = 0;
    for (; in + 4 <= size; in += 4) {
        const unsigned char* p = src + in;
        const uint32_t value = bigEndian ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
                                         : (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
        const bool valid = value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
        const size_t units = valid && value >= 0x10000 ? 2 : 1;
        if (out + units > capacity) {
            if (!o_consumed)
                return false;
            break;
        }
        if (!valid) {
            dst[out++] = kReplacement;
            noteReplaced(io_replaced, in);
        } else if (units == 2) {
            dst[out++] = static_cast<wchar_t>(0xD800 + ((value - 0x10000) >> 10));
            dst[out++] = static_cast<wchar_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
        } else {
            dst[out++] = static_cast<wchar_t>(value);
        }
    }
    if (!o_consumed && in < size) {
        if (out + 1 > capacity)
            return false;
        dst[out++] = kReplacement;
        noteReplaced(io_replaced, in);
        in = size;
    }
    *io_capacity = out;
    if (o_consumed)
        *o_consumed = in;
    return true;
}

// Whether the bytes convert without the system putting its default character in place of any.
// A code page that cannot tell (UTF-7 and the ISO-2022 pages refuse the check) counts as valid.
bool convertsStrictly(UINT codePage, const unsigned char* src, size_t size) {
    if (size == 0)
        return true;
    ::SetLastError(0);
    return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(src),
                                 static_cast<int>(size), nullptr, 0) > 0 ||
           ::GetLastError() != ERROR_NO_UNICODE_TRANSLATION;
}

// Bytes checked at once while looking for the first invalid character: a damaged file is
// looked through in few calls, and only the piece holding the damage character by character.
constexpr size_t CHECK_PIECE = 4096;

// The offset of the first character the system replaced in bytes that do not convert strictly.
// Characters are told apart by lead bytes on single- and double-byte pages; on a page whose
// characters are longer, the damage is reported at the start of the input.
size_t firstInvalidCharacter(UINT codePage, const unsigned char* src, size_t size) {
    CPINFO info;
    if (!::GetCPInfo(codePage, &info) || info.MaxCharSize > 2)
        return 0;
    const auto characterEnd = [&](size_t at) {
        return info.MaxCharSize == 2 && at + 1 < size && ::IsDBCSLeadByteEx(codePage, src[at]) ? at + 2 : at + 1;
    };
    for (size_t piece = 0; piece < size;) {
        size_t end = piece;
        while (end < size && end - piece < CHECK_PIECE)
            end = characterEnd(end);
        if (!convertsStrictly(codePage, src + piece, end - piece)) {
            for (size_t at = piece; at < end; at = characterEnd(at))
                if (!convertsStrictly(codePage, src + at, characterEnd(at) - at))
                    return at;
            return piece; // only the piece as a whole fails
        }
        piece = end;
    }
    return 0; // the whole failed, no piece of it: the damage lies somewhere
}

bool decodeCodePage(wchar_t* dst, const unsigned char* src, size_t size, UINT codePage, size_t* io_capacity,
                    size_t* o_consumed, size_t* io_replaced) {
    // A stream block must not split a double-byte character: a lead byte without its trail
    // waits for the next block. Trail bytes can look like lead bytes, so walk from the block's
    // start, which is a character boundary.
    if (o_consumed && size > 0 && ::IsDBCSLeadByteEx(codePage, src[size - 1])) {
        size_t i = 0;
        while (i < size)
            i += ::IsDBCSLeadByteEx(codePage, src[i]) ? 2 : 1;
        if (i > size)
            --size;
    }
    if (size == 0) {
        *io_capacity = 0;
        if (o_consumed)
            *o_consumed = 0;
        return true;
    }
    if (*io_capacity == 0) {
        // The system turns a capacity of 0 into a size query: nothing fits, nothing is written.
        if (o_consumed)
            *o_consumed = 0;
        return o_consumed != nullptr;
    }
    if (size > INT_MAX || *io_capacity > INT_MAX)
        return false;
    const char* bytes = reinterpret_cast<const char*>(src);
    int written = 0;
    if (io_replaced) {
        // Text that converts strictly, by far the most of it, is converted once: what the strict
        // conversion writes is what the lenient one would. Only damaged text is converted again.
        written = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size), dst,
                                        static_cast<int>(*io_capacity));
        if (written <= 0 && ::GetLastError() == ERROR_NO_UNICODE_TRANSLATION)
            noteReplaced(io_replaced, firstInvalidCharacter(codePage, src, size));
    }
    if (written <= 0)
        written = ::MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(size), dst, static_cast<int>(*io_capacity));
    if (written <= 0)
        return false;
    *io_capacity = static_cast<size_t>(written);
    if (o_consumed)
        *o_consumed = size;
    return true;
}

} // namespace

const BomEntry& detect_bom_encoding(const void* data, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    const BomEntry* entry = kBomTable;
    for (; entry->length != 0; ++entry)
        if (size >= static_cast<size_t>(entry->length) && std::memcmp(bytes, entry->bytes, entry->length) == 0)
            break;
    return *entry;
}

bool is_utf8_text(const void* data, size_t size) {
    return is_utf8_text(data, size, false);
}

bool is_utf8_text(const void* data, size_t size, bool endsText) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    bool multiByte = false;
    for (size_t i = 0; i < size;) {
        const unsigned char lead = p[i];
        if (lead == 0)
            return false;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        unsigned char secondMin, secondMax;
        const int length = utf8SequenceLength(lead, &secondMin, &secondMax);
        if (length == 0)
            return false;
        for (int k = 1; k < length; ++k) {
            // Cut off by the end of a block, the walk ends well. The end of the whole text is
            // an end like any other: UTF-8 only with a whole sequence before it ("caf" and an
            // E9 is a code-page text, whose last byte UTF-8 would lose).
            if (i + k >= size)
                return !endsText || multiByte;
            const unsigned char byte = p[i + k];
            if (k == 1 ? (byte < secondMin || byte > secondMax) : !isContinuation(byte))
                return false;
        }
        multiByte = true;
        i += length;
    }
    return multiByte;
}

bool decode_text(wchar_t* o_dst, const void* src, size_t size, uint32_t code, size_t* io_capacity,
                 size_t* o_consumed, size_t* o_firstReplaced) {
    if (o_firstReplaced)
        *o_firstReplaced = NO_REPLACEMENT;
    PEL_CHECK_PTR(io_capacity);
    if (*io_capacity > 0)
        PEL_CHECK_PTR(o_dst);
    const unsigned char* bytes = static_cast<const unsigned char*>(src);
    if (size > 0)
        PEL_CHECK_PTR(src);
    switch (code) {
    case ENCODING_UTF16LE:
        return decodeUtf16(o_dst, bytes, size, false, io_capacity, o_consumed, o_firstReplaced);
    case ENCODING_UTF16BE:
        return decodeUtf16(o_dst, bytes, size, true, io_capacity, o_consumed, o_firstReplaced);
    case ENCODING_UTF8:
    case ENCODING_UTF8_PLAIN:
        return decodeUtf8(o_dst, bytes, size, io_capacity, o_consumed, o_firstReplaced);
    case ENCODING_UTF32LE:
        return decodeUtf32(o_dst, bytes, size, false, io_capacity, o_consumed, o_firstReplaced);
    case ENCODING_UTF32BE:
        return decodeUtf32(o_dst, bytes, size, true, io_capacity, o_consumed, o_firstReplaced);
    case ENCODING_ANSI:
        return decodeCodePage(o_dst, bytes, size, ansiCodePage(), io_capacity, o_consumed, o_firstReplaced);
    default:
        return decodeCodePage(o_dst, bytes, size, code & 0xFFFF, io_capacity, o_consumed, o_firstReplaced);
    }
}

uint32_t ansiCodePage() {
    const uint32_t set = s_ansiCodePage.load();
    return set ? set : ::GetACP();
}

void setAnsiCodePage(uint32_t codePage) { s_ansiCodePage = codePage; }

} // namespace pel

// The colour and font-style texts of themes.

#include "service/parser/DocumentTheme.h"

#include "pel/base/Assert.h"
#include "pel/base/Exception.h"
#include "pel/text/LineMap.h"
#include "pel/text/StringTemplate.h"
#include "pel/text/search/RegEx.h"
#include "pel/text/search/StringScanner.h"

#include <string_view>

namespace tessel {

namespace {

// 1/255 as a float: the byte-to-channel factor stored themes were made with.
constexpr float BYTE_TO_CHANNEL = 0.003921568859368563f;

const pel::RegEx& spacePattern() {
    static const std::unique_ptr<pel::RegEx> pattern = pel::RegEx::create(L"\\s*");
    return *pattern;
}

// The word boundary makes "bolder" one unknown word rather than "bold" and a stray "er".
const pel::RegEx& wordPattern() {
    static const std::unique_ptr<pel::RegEx> pattern =
        pel::RegEx::create(L"(?:(reset)|(bold)|(italic)|(underline)|(\\w+))\\b");
    return *pattern;
}

// The bits of the word groups 1 to 4 of wordPattern.
constexpr uint16_t WORD_BITS[] = {FONT_STYLE_RESET, FONT_STYLE_BOLD, FONT_STYLE_ITALIC, FONT_STYLE_UNDERLINE};

[[noreturn]] void failFontStyle(const std::wstring& text, const std::wstring& message, size_t begin, size_t end) {
    pel::LineMap lines(text.c_str(), static_cast<uint32_t>(text.size()));
    const pel::TextPosition start = lines.getPosition(static_cast<uint32_t>(begin));
    throw pel::ParserException(message, start, lines.getPosition(static_cast<uint32_t>(end)));
}

[[noreturn]] void failSyntax(const std::wstring& text, size_t at) {
    failFontStyle(text, L"Syntax error.", at, at < text.size() ? at + 1 : at);
}

// The value of a hexadecimal digit that isColourText let through.
uint32_t hexDigit(wchar_t unit) {
    return unit <= L'9' ? unit - L'0' : (unit | 0x20) - L'a' + 10;
}

// The style bits of a font-style text made only of the four words in lower case, spaces and
// commas between them, as themes write it; false for anything else (including every error),
// which the pattern scan below then reads, with its messages.
bool parsePlainFontStyle(const std::wstring& text, uint16_t* o_bits) {
    static const wchar_t* const WORDS[] = {L"reset", L"bold", L"italic", L"underline"};
    const size_t length = text.size();
    size_t at = 0;
    auto skipSpaces = [&] {
        while (at < length && text[at] == L' ')
            ++at;
    };
    uint16_t bits = 0;
    skipSpaces();
    while (at < length) {
        const size_t start = at;
        while (at < length && text[at] >= L'a' && text[at] <= L'z')
            ++at;
        const std::wstring_view word(text.data() + start, at - start);
        size_t known = 0;
        while (known < 4 && word != WORDS[known])
            ++known;
        if (known == 4)
            return false;
        bits |= WORD_BITS[known];
        skipSpaces();
        if (at < length && text[at] == L',') {
            ++at;
            skipSpaces();
            if (at == length)
                return false;
        } else if (at < length && at == start + word.size()) { // a word runs on into other characters
            return false;
        }
    }
    *o_bits = bits;
    return true;
}

uint8_t channelByte(float channel) { return static_cast<uint8_t>(static_cast<int32_t>(channel * 255.0f)); }

} // namespace

bool DocumentTheme::isColourText(std::wstring_view text) {
    // "#" and 3, 6 or 8 hexadecimal digits, the whole text; checked by hand, since a theme has
    // thousands of colours and a pattern match costs ten times as much.
    const size_t digits = text.size() - 1;
    if (text.empty() || text[0] != L'#' || (digits != 3 && digits != 6 && digits != 8))
        return false;
    for (size_t i = 1; i < text.size(); ++i) {
        const wchar_t unit = text[i];
        if (!((unit >= L'0' && unit <= L'9') || (unit >= L'a' && unit <= L'f') || (unit >= L'A' && unit <= L'F')))
            return false;
    }
    return true;
}

bool DocumentTheme::parseColour(std::wstring_view text, ThemeColour* o_colour) {
    PEL_CHECK_PTR(o_colour);
    if (!isColourText(text))
        return false;
    const size_t digits = text.size() - 1;
    uint32_t value = 0;
    for (size_t i = 1; i < text.size(); ++i)
        value = value << 4 | hexDigit(text[i]);
    uint32_t bytes[4] = {0, 0, 0, 255}; // red, green, blue, alpha
    if (digits == 3) {
        for (int i = 0; i < 3; ++i)
            bytes[i] = ((value >> (8 - 4 * i)) & 0xF) * 17;
    } else {
        const int shift = digits == 8 ? 8 : 0;
        for (int i = 0; i < 3; ++i)
            bytes[i] = (value >> (shift + 16 - 8 * i)) & 0xFF;
        if (digits == 8)
            bytes[3] = value & 0xFF;
    }
    o_colour->red = bytes[0] * BYTE_TO_CHANNEL;
    o_colour->green = bytes[1] * BYTE_TO_CHANNEL;
    o_colour->blue = bytes[2] * BYTE_TO_CHANNEL;
    o_colour->alpha = digits == 8 ? bytes[3] * BYTE_TO_CHANNEL : 1.0f;
    return true;
}

uint32_t DocumentTheme::packColour(const ThemeColour& colour) {
    return uint32_t(channelByte(colour.red)) | uint32_t(channelByte(colour.green)) << 8 |
           uint32_t(channelByte(colour.blue)) << 16 | uint32_t(channelByte(colour.alpha)) << 24;
}

ThemeColour DocumentTheme::unpackColour(uint32_t packed) {
    ThemeColour colour;
    colour.red = (packed & 0xFF) * BYTE_TO_CHANNEL;
    colour.green = ((packed >> 8) & 0xFF) * BYTE_TO_CHANNEL;
    colour.blue = ((packed >> 16) & 0xFF) * BYTE_TO_CHANNEL;
    colour.alpha = (packed >> 24) * BYTE_TO_CHANNEL;
    return colour;
}

uint16_t DocumentTheme::parseFontStyle(const std::wstring& text) {
    uint16_t plainBits;
    if (parsePlainFontStyle(text, &plainBits))
        return plainBits;
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        failSyntax(text, nul);
    pel::StringScanner scanner;
    scanner.setBuffer(text.c_str(), static_cast<int>(text.size()));
    uint16_t bits = 0;
    scanner.scanRegEx(&spacePattern());
    while (!scanner.isAtEnd()) {
        if (!scanner.scanRegEx(&wordPattern()))
            failSyntax(text, scanner.getPosition());
        const unsigned int group = scanner.getMatchData().firstMatchedGroup();
        if (group < 1 || group > 4)
            failFontStyle(text, pel::StringTemplate(L"Unknown style `{1}`.").arg(1, scanner.getMatchedText()).render(),
                          scanner.getPreviousPosition(), scanner.getPosition());
        bits |= WORD_BITS[group - 1];
        const int wordEnd = scanner.getPosition();
        scanner.scanRegEx(&spacePattern());
        if (scanner.scanChar(L',')) {
            scanner.scanRegEx(&spacePattern());
            if (scanner.isAtEnd())
                failSyntax(text, scanner.getPosition());
        } else if (!scanner.isAtEnd() && scanner.getPosition() == wordEnd) {
            failSyntax(text, wordEnd);
        }
    }
    return bits;
}

} // namespace tessel

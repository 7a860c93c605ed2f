#pragma once
// The replace-format language that search and replace and snippet transformations share:
//   $n            the text of capture group n (every digit that follows the "$")
//   (?n:if:else)  if when group n took part in the match, else else (":else" may be absent)
//   \n \t         line feed, tab; \ and any other character: that character
//   \u \l         upper- or lower-case the next character produced
//   \U \L ... \E  upper- or lower-case everything produced until \E
// Anything else is literal text, as is a "$" without digits, a "(" that does not open a
// conditional and a ":" or ")" outside one.

#include "service/parser/base/TextRangeSource.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pel {
class MatchResults;
class RegEx;
} // namespace pel

namespace tessel {

// The kinds of the language's constructs. The parser produces 0-2 and 9-13: escapes (6-8) are
// read into literal text, and the separator and the closing parenthesis (3, 14) into the
// conditional's two parts.
enum ReplaceFormatKind : int {
    FORMAT_TEXT = 0,
    FORMAT_GROUP = 1,     // the text of capture group `group`
    FORMAT_CONDITION = 2, // ifPart when group `group` took part in the match, else elsePart
    FORMAT_SEPARATOR = 3,
    FORMAT_ESCAPED = 6,
    FORMAT_NEWLINE = 7,
    FORMAT_TAB = 8,
    FORMAT_UPPER_NEXT = 9,
    FORMAT_LOWER_NEXT = 10,
    FORMAT_UPPER = 11,
    FORMAT_LOWER = 12,
    FORMAT_END_CASE = 13,
    FORMAT_CLOSE = 14,
};

struct ReplaceFormatElement {
    ReplaceFormatKind kind = FORMAT_TEXT;
    uint32_t group = 0; // too large a number reads as 0xFFFFFFFF, a group no match has
    std::wstring text;
    std::vector<ReplaceFormatElement> ifPart;
    std::vector<ReplaceFormatElement> elsePart;
};

using ReplaceFormat = std::vector<ReplaceFormatElement>;

// Conditionals nest at most this deep; a deeper "(?n:" is literal text.
constexpr size_t MAX_FORMAT_NESTING = 64;

// Never fails: text that is no construct is literal. A conditional left open closes at the end.
ReplaceFormat parseReplaceFormat(const wchar_t* text, size_t length);
ReplaceFormat parseReplaceFormat(const std::wstring& text);

// Appends the expansion of format for one match, whose offsets refer to text. A group that did
// not take part or that the match does not have appends nothing. Case conversion starts afresh.
void expandReplaceFormat(const ReplaceFormat& format, const pel::MatchResults& match, const ITextRangeSource& text,
                         std::wstring* io_out);

// Replaces the first match of regex in text, or every match when regex has the global option,
// by the expansion of format; o_out receives the whole result. After an empty match the next
// character is copied and the search goes on behind it. When nothing matched, o_out receives
// text unchanged and the result is false.
bool substituteReplaceFormat(const pel::RegEx& regex, const ReplaceFormat& format, const wchar_t* text,
                             size_t length, std::wstring* o_out);
bool substituteReplaceFormat(const pel::RegEx& regex, const ReplaceFormat& format, const std::wstring& text,
                             std::wstring* o_out);

} // namespace tessel

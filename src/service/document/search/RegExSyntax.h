#pragma once
// Where a regular expression's groups open and close and where its alternatives stand, read
// from the pattern as Boost.Xpressive reads it (bracket expressions with a leading "]" and
// named classes, quoted "\Q...\E" text, "(?#...)" comments, and with the "x" flag whitespace
// and "#" comments), so that what the finder reads before compiling a pattern cannot be
// fooled by text the engine takes literally.

#include "service/document/search/UnicodeRegExTraits.h"

#include <boost/xpressive/regex_constants.hpp>

#include <cstddef>
#include <functional>
#include <string>

namespace tessel {

// Calls visit(c, depth) for each "(", ")" and "|" that opens a group, closes one or parts
// alternatives, with the number of groups open around it (after a "(", before a ")"). A
// "(?flags)" is visited as a group that closes at once.
void visitGroupSyntax(const std::wstring& pattern, const UnicodeRegExTraits& traits,
                      const std::function<void(wchar_t c, int depth)>& visit);

// Where the bracket expression opened at `open` ends: the index behind its "]", or the
// pattern's length when it is not closed. With onEscape, calls it with the index of each
// backslash that starts an escape inside.
size_t bracketEnd(const std::wstring& pattern, size_t open,
                  const std::function<void(size_t at)>* onEscape = nullptr);

// The pattern as the finder's engine reads it, a character each: pairs joined, and so are a
// pair's halves written as two "\u" escapes. Throws boost::xpressive::regex_error
// (error_escape) for an escaped letter that is no escape the engine knows ("\X", "\p{L}"),
// which it would otherwise take for the letter itself.
std::u32string enginePattern(const std::wstring& pattern, const UnicodeRegExTraits& traits);

// The syntax the finder compiles that pattern with: ECMAScript, and "." taking no line break.
boost::xpressive::regex_constants::syntax_option_type engineSyntax(bool ignoreCase);

// The pattern that matches the text as it stands: each unit the engine reads as syntax escaped.
std::wstring escapeRegEx(const std::wstring& text);

} // namespace tessel

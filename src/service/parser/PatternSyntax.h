#pragma once
// Readers of the small forms of a grammar pattern's syntax (the engine's own syntax) that the
// readers of its first characters and of its literal text share: quantifiers, comments,
// callouts, code escapes and characters above U+FFFF.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessel {

// The quantifiers after an atom, from *io_at on (moved past them and past the comments between
// them): whether there were any, and in *o_least 0 when they let the atom go, else a count of at
// least 1 (1 without any). A brace that is no interval ("{", "{a}") is left as a character.
bool readQuantifiers(const std::wstring& pattern, size_t* io_at, long* o_least);

// The comments "(?#...)" from *io_at on, which the engine reads as nothing at all (moved past
// them): false when one does not end.
bool skipComments(const std::wstring& pattern, size_t* io_at);

// A callout by name, "(*NAME)", "(*NAME[tag])" or "(*NAME[tag]{args})", at *io_at, which
// matches empty (moved past it): false when none is there or it does not end.
bool skipCallout(const std::wstring& pattern, size_t* io_at);

// What "[:" inside a bracket expression opens to the engine: a POSIX bracket ("[:alpha:]",
// "[:^digit:]"), a nested bracket expression ("[:a]" holds ":" and "a"), or something else
// that is read here as neither (a "[" of its own, or an error).
enum class BracketOpening { POSIX, NESTED, OTHER };
// At *io_at, at "[:": a POSIX bracket is passed over (*io_at moved past it) and its name given in
// *o_name, with its "^" when it is negated; otherwise *io_at stays.
BracketOpening readPosixBracket(const std::wstring& pattern, size_t* io_at, std::wstring* o_name);

// The units of the character at `at`: 2 for a surrogate pair, else 1.
size_t characterLength(const std::wstring& pattern, size_t at);

// "\xHH", "\x{H...}" or "\uHHHH", from *io_at just after its letter (moved past it): the code in
// *o_value; false for a malformed one.
bool readCodeEscape(const std::wstring& pattern, wchar_t letter, size_t* io_at, uint32_t* o_value);

} // namespace tessel

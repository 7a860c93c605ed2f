#pragma once
// Readers of the small forms of a grammar pattern's syntax (the engine's Ruby syntax) that the
// readers of its first characters and of its literal text share: quantifiers and code escapes.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessel {

// The quantifiers after an atom, from *io_at on (moved past them): whether there were any, and
// the least count they let the atom repeat in *o_least (1 without any). A brace that is no
// interval ("{", "{a}") is left as a character.
bool readQuantifiers(const std::wstring& pattern, size_t* io_at, long* o_least);

// "\xHH", "\x{H...}" or "\uHHHH", from *io_at just after its letter (moved past it): the code in
// *o_value; false for a malformed one.
bool readCodeEscape(const std::wstring& pattern, wchar_t letter, size_t* io_at, uint32_t* o_value);

} // namespace tessel

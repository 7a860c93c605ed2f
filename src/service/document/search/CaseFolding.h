#pragma once
// Case folding of whole characters, as ICU's simple default folding gives it: what both finders
// compare when a search ignores case, so that either finder finds the same letters, inside the
// BMP and outside it ("𐐨" finds "𐐀"). A fold keeps a character's length in units and, for a
// character outside the BMP, its high unit: a pair folds by its low unit alone. The tables are
// filled once (on first use, from any thread).

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

// The folded form of a character.
char32_t foldCase(char32_t character);

// The 65,536-entry table of the folded form of each BMP unit (a surrogate: itself), for loops
// that fold many units.
const wchar_t* foldTable();

// The folded form of the pair high, low as its low unit.
wchar_t foldLowUnit(wchar_t high, wchar_t low);

// Every character whose folded form is that of `character` (itself included), in order.
std::vector<char32_t> caseVariants(char32_t character);

// Whether a character outside the BMP has other case forms: a text that holds none compares
// its pairs unit by unit.
bool hasCaseVariants(char32_t character);

// The text folded character by character.
std::wstring foldText(const std::wstring& text);

} // namespace tessel

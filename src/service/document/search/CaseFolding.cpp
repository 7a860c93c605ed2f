#include "service/document/search/CaseFolding.h"

#include "pel/text/Utf16Characters.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <utility>

namespace tessel {

namespace {

constexpr char32_t BMP_END = 0x10000;
constexpr char32_t LAST_CHARACTER = 0x10FFFF;

// ICU's simple folding, kept only where it keeps the character's length in units and its high
// unit, which the finders compare unit by unit (Unicode has no fold that changes either).
char32_t icuFold(char32_t character) {
    const auto folded = static_cast<char32_t>(u_foldCase(static_cast<UChar32>(character), U_FOLD_CASE_DEFAULT));
    if (character < BMP_END)
        return folded < BMP_END && !pel::isSurrogateUnit(folded) ? folded : character;
    return folded >= BMP_END && folded <= LAST_CHARACTER && pel::highUnitOf(folded) == pel::highUnitOf(character)
               ? folded
               : character;
}

const std::vector<wchar_t>& bmpTable() {
    static const std::vector<wchar_t> table = [] {
        std::vector<wchar_t> units(BMP_END);
        for (char32_t unit = 0; unit < BMP_END; ++unit)
            units[unit] = static_cast<wchar_t>(pel::isSurrogateUnit(unit) ? unit : icuFold(unit));
        return units;
    }();
    return table;
}

// The characters outside the BMP that fold to another or that another folds to, each with its
// folded form, in order: the few hundred that case-insensitive search can meet there.
using Folding = std::pair<char32_t, char32_t>;
const std::vector<Folding>& astralFoldings() {
    static const std::vector<Folding> foldings = [] {
        std::vector<Folding> found;
        for (char32_t character = BMP_END; character <= LAST_CHARACTER; ++character) {
            const char32_t folded = icuFold(character);
            if (folded != character) {
                found.emplace_back(character, folded);
                found.emplace_back(folded, folded);
            }
        }
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        return found;
    }();
    return foldings;
}

} // namespace

char32_t foldCase(char32_t character) {
    return character < BMP_END ? static_cast<char32_t>(bmpTable()[character]) : icuFold(character);
}

const wchar_t* foldTable() {
    return bmpTable().data();
}

wchar_t foldLowUnit(wchar_t high, wchar_t low) {
    return pel::lowUnitOf(icuFold(pel::pairCodePoint(static_cast<uint16_t>(high), static_cast<uint16_t>(low))));
}

std::vector<char32_t> caseVariants(char32_t character) {
    const char32_t folded = foldCase(character);
    std::vector<char32_t> variants;
    if (folded < BMP_END) {
        const wchar_t* table = foldTable();
        for (char32_t unit = 0; unit < BMP_END; ++unit)
            if (table[unit] == folded)
                variants.push_back(unit);
    }
    for (const Folding& folding : astralFoldings())
        if (folding.second == folded)
            variants.push_back(folding.first);
    if (variants.empty())
        variants.push_back(character);
    return variants;
}

bool hasCaseVariants(char32_t character) {
    if (character < BMP_END)
        return caseVariants(character).size() > 1;
    const std::vector<Folding>& foldings = astralFoldings();
    return std::binary_search(foldings.begin(), foldings.end(), Folding(character, foldCase(character)));
}

std::wstring foldText(const std::wstring& text) {
    std::wstring folded;
    folded.reserve(text.size());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t at = 0; at < length; at += pel::characterUnits(text, at, length))
        pel::appendCodePoint(foldCase(pel::codePointAt(text, at, length)), folded);
    return folded;
}

} // namespace tessel

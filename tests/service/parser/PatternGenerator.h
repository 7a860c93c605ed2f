#pragma once
// Random grammar patterns in the engine's syntax (Oniguruma's own), each with a text it likely
// matches, and the lines to try each on: lines that hold, or nearly hold, that text or what the
// pattern readers ask for. For checking the readers against the engine (PatternReadersCheck).

#include "service/parser/PatternLiterals.h"

#include <bitset>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tessel_test {

// The forms of the engine's syntax the generator writes that a reader may read wrongly.
enum class PatternForm {
    FIXED_INTERVAL,    // x{2}
    RANGED_INTERVAL,   // x{1,3}, x{2,}, x{,2}
    LAZY_INTERVAL,     // x{1,3}?
    OPTIONAL_INTERVAL, // x{2}?: (?:x{2})?
    REVERSED_INTERVAL, // x{3,1}: the possessive x{1,3}
    REPEATED_INTERVAL, // x{2}+, x{1,2}+: (?:x{2})+
    POSSESSIVE,        // x*+, x++, x?+
    LAZY,              // x*?, x+?, x??
    COMMENT,           // (?#...)
    COMMENT_ESCAPE,    // (?#a\)b)
    QUANTIFIED_COMMENT, // a(?#c)?: the quantifier is a's
    CALLOUT,           // (*COUNT), (*MAX{2})
    INLINE_OPTION,     // a(?i)b|c: the option holds to the group's end, its later branches too
    EXTENDED_OPTION,   // (?x) with white space and # comments after it
    LOOK_AHEAD,        // (?=...), (?!...)
    LOOK_BEHIND,       // (?<=...), (?<!...)
    BACK_REFERENCE,    // \1, \k<name>
    SUBROUTINE_CALL,   // \g<1>, \g<name>
    ASTRAL_QUANTIFIED, // a character above U+FFFF with a quantifier
    POSIX_BRACKET,     // [[:alpha:]], [[:^digit:]], and "[:" that opens no POSIX bracket
    CLASS_INTERSECTION, // [a-z&&[^x]]
    CLASS_NEGATION,    // [^...]
    PROPERTY,          // \p{L}, \p{^Lu}, \P{Alpha}
    COUNT
};
constexpr size_t PATTERN_FORMS = static_cast<size_t>(PatternForm::COUNT);
const char* formName(PatternForm form);

struct GeneratedPattern {
    std::wstring pattern;
    uint32_t options = 0; // pel::RegExOptions bits
    std::wstring sample;  // text the pattern likely matches
    std::vector<std::wstring> pieces; // texts its parts likely match
    std::bitset<PATTERN_FORMS> forms;
};

class PatternGenerator {
public:
    explicit PatternGenerator(uint32_t seed) : m_random(seed) {}

    GeneratedPattern next();
    // Lines (no line feed but maybe one at the end) to try the pattern on: its sample, around
    // other text and with a character left out, changed or added, and lines holding, or all but
    // holding, what its literals ask for.
    std::vector<std::wstring> linesFor(const GeneratedPattern& pattern, const tessel::PatternLiterals& literals);

private:
    std::mt19937 m_random;
};

} // namespace tessel_test

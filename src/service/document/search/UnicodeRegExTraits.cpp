#include "service/document/search/UnicodeRegExTraits.h"

#include <unicode/uchar.h>

#include <vector>

namespace tessel {

namespace {

enum Class : uint32_t {
    ALPHA = 1 << 0,
    DIGIT = 1 << 1,
    LOWER = 1 << 2,
    UPPER = 1 << 3,
    SPACE = 1 << 4,
    BLANK = 1 << 5,
    CNTRL = 1 << 6,
    PUNCT = 1 << 7,
    XDIGIT = 1 << 8,
    GRAPH = 1 << 9,
    PRINT = 1 << 10,
    NEWLINE = 1 << 11,
    WORD = 1 << 12,
};

constexpr char32_t BMP_END = 0x10000;

// The classes as Unicode's recommendations for regular expressions read them (UTS #18): a
// word character is alphabetic, a mark, a decimal digit, a connector such as "_" or a joiner;
// punctuation includes symbols, as POSIX's ASCII classes do.
uint32_t icuClasses(char32_t c) {
    const auto character = static_cast<UChar32>(c);
    const uint32_t category = U_MASK(u_charType(character));
    uint32_t classes = 0;
    const bool alpha = u_hasBinaryProperty(character, UCHAR_ALPHABETIC);
    if (alpha)
        classes |= ALPHA;
    if (category & U_GC_ND_MASK)
        classes |= DIGIT;
    if (u_hasBinaryProperty(character, UCHAR_LOWERCASE))
        classes |= LOWER;
    if (u_hasBinaryProperty(character, UCHAR_UPPERCASE))
        classes |= UPPER;
    const bool space = u_hasBinaryProperty(character, UCHAR_WHITE_SPACE);
    if (space)
        classes |= SPACE;
    if (u_isblank(character))
        classes |= BLANK;
    if (category & U_GC_CC_MASK)
        classes |= CNTRL;
    if ((category & (U_GC_P_MASK | U_GC_S_MASK)) && !alpha)
        classes |= PUNCT;
    if (u_isxdigit(character))
        classes |= XDIGIT;
    if (!space && !(category & (U_GC_CC_MASK | U_GC_CS_MASK | U_GC_CN_MASK)))
        classes |= GRAPH | PRINT;
    if ((classes & BLANK) && !(classes & CNTRL))
        classes |= PRINT;
    if (c == U'\n')
        classes |= NEWLINE;
    if (alpha || (category & (U_GC_M_MASK | U_GC_ND_MASK | U_GC_PC_MASK)) ||
        u_hasBinaryProperty(character, UCHAR_JOIN_CONTROL))
        classes |= WORD;
    return classes;
}

// The classes of the BMP, looked up by the engine at every test of a class.
const std::vector<uint16_t>& bmpClasses() {
    static const std::vector<uint16_t> table = [] {
        std::vector<uint16_t> classes(BMP_END);
        for (char32_t c = 0; c < BMP_END; ++c)
            classes[c] = static_cast<uint16_t>(icuClasses(c));
        return classes;
    }();
    return table;
}

struct Named {
    const char* name;
    uint32_t classes;
};
const Named NAMES[] = {
    {"alnum", ALPHA | DIGIT}, {"alpha", ALPHA},   {"blank", BLANK}, {"cntrl", CNTRL}, {"d", DIGIT},
    {"digit", DIGIT},         {"graph", GRAPH},   {"lower", LOWER}, {"newline", NEWLINE},
    {"print", PRINT},         {"punct", PUNCT},   {"s", SPACE},     {"space", SPACE}, {"upper", UPPER},
    {"w", WORD},              {"xdigit", XDIGIT},
};

uint32_t lookUp(const std::string& name) {
    for (const Named& named : NAMES)
        if (name == named.name)
            return named.classes;
    return 0;
}

} // namespace

uint32_t UnicodeRegExTraits::classesOf(char32_t c) {
    return c < BMP_END ? bmpClasses()[c] : icuClasses(c);
}

uint32_t UnicodeRegExTraits::classNamed(const std::string& name, bool icase) {
    uint32_t classes = lookUp(name);
    if (classes == 0) {
        std::string lower = name;
        for (char& c : lower)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        classes = lookUp(lower);
    }
    if (icase && (classes & (LOWER | UPPER)))
        classes |= LOWER | UPPER;
    return classes;
}

bool UnicodeRegExTraits::in_range_nocase(char32_t first, char32_t last, char32_t c) {
    if (first == last)
        return foldCase(first) == foldCase(c);
    const auto character = static_cast<UChar32>(c);
    return in_range(first, last, c) || in_range(first, last, foldCase(c)) ||
           in_range(first, last, static_cast<char32_t>(u_toupper(character))) ||
           in_range(first, last, static_cast<char32_t>(u_tolower(character))) ||
           in_range(first, last, static_cast<char32_t>(u_totitle(character)));
}

int UnicodeRegExTraits::value(char32_t c, int radix) {
    int digit = -1;
    if (c >= U'0' && c <= U'9')
        digit = static_cast<int>(c - U'0');
    else if (c >= U'a' && c <= U'z')
        digit = static_cast<int>(c - U'a') + 10;
    else if (c >= U'A' && c <= U'Z')
        digit = static_cast<int>(c - U'A') + 10;
    return digit < radix ? digit : -1;
}

} // namespace tessel

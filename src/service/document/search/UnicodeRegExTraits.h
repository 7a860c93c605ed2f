#pragma once
// Regular-expression traits for Boost.Xpressive over characters (code points, char32_t): the
// classes and word characters by Unicode's properties as ICU knows them, inside the BMP and
// outside it ("\w" takes U+1D400), and case folding of whole characters (CaseFolding), the
// plain-text finder's rule. A line break is a line feed, the document's only one: "$" and
// "^" hold beside it alone. The C++ library's own wide traits know only the BMP, and fold only
// ASCII letters under the runtime's "C" locale.

#include "service/document/search/CaseFolding.h"

#include <boost/xpressive/traits/null_regex_traits.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class UnicodeRegExTraits {
public:
    using char_type = char32_t;
    using string_type = std::vector<char32_t>; // the engine's own string of such characters
    using locale_type = boost::xpressive::detail::not_a_locale;
    using char_class_type = uint32_t;
    using version_tag = boost::xpressive::regex_traits_version_1_tag;

    UnicodeRegExTraits(locale_type = locale_type()) {}
    bool operator==(const UnicodeRegExTraits&) const { return true; }
    bool operator!=(const UnicodeRegExTraits&) const { return false; }

    static char_type widen(char c) { return static_cast<unsigned char>(c); }
    static unsigned char hash(char_type c) { return static_cast<unsigned char>(c); }
    static char_type translate(char_type c) { return c; }
    // Ignoring case compares folded forms.
    static char_type translate_nocase(char_type c) { return foldCase(c); }
    static bool in_range(char_type first, char_type last, char_type c) { return first <= c && c <= last; }
    // Whether a character of the range folds as c does: exactly for one character, and for a
    // range through c's folded, upper-, lower- and title-case forms.
    static bool in_range_nocase(char_type first, char_type last, char_type c);

    template <class Iterator>
    static string_type transform(Iterator begin, Iterator end) {
        return string_type(begin, end);
    }
    template <class Iterator>
    static string_type transform_primary(Iterator begin, Iterator end) {
        return string_type(begin, end);
    }
    template <class Iterator>
    static string_type lookup_collatename(Iterator, Iterator) {
        return string_type();
    }

    // The POSIX names ("alpha", "digit", ...), "d", "s", "w" and "newline"; a name the table
    // lacks is tried again in lower case, so "\D" finds "d". Ignoring case, "upper" and
    // "lower" are both cased letters.
    template <class Iterator>
    static char_class_type lookup_classname(Iterator begin, Iterator end, bool icase) {
        std::string name;
        for (; begin != end; ++begin) {
            const char_type c = *begin;
            if (c == 0 || c > 0x7F)
                return 0;
            name += static_cast<char>(c);
        }
        return classNamed(name, icase);
    }
    static bool isctype(char_type c, char_class_type mask) { return (classesOf(c) & mask) != 0; }
    // The digit's value in the radix (8, 10 or 16) for ASCII digits and letters; else -1.
    static int value(char_type c, int radix);

    static locale_type imbue(locale_type locale) { return locale; }
    static locale_type getloc() { return locale_type(); }

    // The classes a character belongs to, as bits of char_class_type.
    static char_class_type classesOf(char_type c);
    static char_class_type classNamed(const std::string& name, bool icase);
};

} // namespace tessel

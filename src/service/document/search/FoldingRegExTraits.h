#pragma once
// Regular-expression traits for Boost.Xpressive that fold case through the tables of
// CaseFolding, as the plain-text finder does. The C++ library's own wide traits fold only ASCII
// letters under the runtime's "C" locale, so "été" would miss "ÉTÉ". Character classes stay the
// library's.

#include "service/document/search/CaseFolding.h"

#include <boost/xpressive/traits/cpp_regex_traits.hpp>

namespace tessel {

struct FoldingRegExTraits : boost::xpressive::cpp_regex_traits<wchar_t> {
    // Ignoring case compares upper-case forms, the plain-text finder's rule.
    wchar_t translate_nocase(wchar_t unit) const { return foldUpper(unit); }
    wchar_t toupper(wchar_t unit) const { return foldUpper(unit); }
    wchar_t tolower(wchar_t unit) const { return foldLower(unit); }
    bool in_range_nocase(wchar_t first, wchar_t last, wchar_t unit) const {
        return in_range(first, last, unit) || in_range(first, last, foldUpper(unit)) ||
               in_range(first, last, foldLower(unit));
    }
};

} // namespace tessel

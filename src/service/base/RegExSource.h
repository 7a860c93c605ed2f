#pragma once
// A regular expression as it was written: the pattern and the option letters that followed the
// closing slash. Held by value-tree nodes, grammar patterns and the regular-expression layer.

#include <string>

namespace tessel {

struct RegExSource {
    std::wstring pattern;
    std::wstring options;

    friend bool operator==(const RegExSource& a, const RegExSource& b) {
        return a.pattern == b.pattern && a.options == b.options;
    }
    friend bool operator!=(const RegExSource& a, const RegExSource& b) { return !(a == b); }
};

} // namespace tessel

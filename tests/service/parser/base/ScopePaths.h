#pragma once
// Builds scope paths for the tests from names listed innermost first; segment i gets value i + 1.

#include "service/parser/base/ScopePath.h"

#include <initializer_list>

namespace tessel_test {

inline void fillPath(tessel::ScopePath& path, std::initializer_list<const wchar_t*> innermostFirst,
                     bool copy = false) {
    uint32_t value = 0;
    for (const wchar_t* name : innermostFirst)
        path.pushText(name, copy, ++value);
}

} // namespace tessel_test

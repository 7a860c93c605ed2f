#pragma once
// What one search user interface asks for: the pattern, the replacement, the area kind and
// how text compares. The user interface fills it; the search session makes its finder and
// replacer from it.

#include "pel/base/Symbol.h"

#include <string>

namespace tessel {

struct SearchParameters {
    // pel::Symbol of "none": no particular search area.
    static constexpr uint32_t SCOPE_NONE = 0x7F9000CF;

    std::wstring findText;
    // Plain text, or a replace format when regex is set.
    std::wstring replaceText;
    pel::Symbol scope = SCOPE_NONE;
    bool matchCase = false;
    bool interfaceFlag1 = true; // read only by the search user interface
    bool regex = false;
    bool interfaceFlag2 = false; // read only by the search user interface
    // Plain-text matches must stand between word boundaries.
    bool wholeWord = false;
};

} // namespace tessel

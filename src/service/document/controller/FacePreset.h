#pragma once
// How a document is shown: wrapping, the right margin, guides, which blanks are drawn, the
// theme and the gutter. Each DocumentController owns one; the editor view keeps a copy of the
// preset of the controller it shows. A preset made here has the nil UUID (no stored preset).

#include "pel/base/UUID.h"

#include <cstdint>
#include <string>

namespace tessel {

class FacePreset {
public:
    FacePreset() = default;
    // Takes every value of preset, its UUID included.
    void assign(const FacePreset& preset) { *this = preset; }

    pel::UUID uuid; // nil
    bool wordWrap = false;
    bool boundaryShow = false;
    bool boundaryBreak = false;
    int32_t boundary = 78; // columns
    bool sublinesAlign = false;
    bool sublinesAlignShow = false;
    bool showIndentGuides = false;
    bool showWhitespaceBefore = false;
    bool showWhitespaceInside = false;
    bool showWhitespaceAfter = false;
    bool center = false;
    bool breakWhitespace = false;
    std::wstring theme; // the text of the theme's UUID; empty: the theme in force
    bool gutterLineNumbers = true;
};

} // namespace tessel

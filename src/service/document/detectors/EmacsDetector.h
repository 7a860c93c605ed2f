#pragma once
// Reads the indentation from an editor mode line: the text between two "-*-" markers in the
// first line (or, failing that, the last), such as "-*- indent-tabs-mode: nil; tab-width: 4 -*-".
// "indent-tabs-mode" t means tabs and anything else spaces; "tab-width" is the width. Both are
// answered with confidence 1.

#include "service/document/detectors/FormatDetector.h"

#include <string>

namespace tessel {

class EmacsDetector : public FormatDetector {
public:
    // Of a line longer than this, only the first (in the last line: the last) units are read: a
    // mode line is short, and a file of one huge line must not be copied while it loads.
    static constexpr int32_t SCAN_UNITS = 0x10000;

    bool detect(const Document& document, DetectorAnswer& answer) override;

    // One line's text: true when it holds a mode line with "indent-tabs-mode", or with a
    // "tab-width" that reads as a number.
    static bool parseLine(const std::wstring& line, DetectorAnswer& answer);
};

} // namespace tessel

#pragma once
// Guessing a loaded document's indentation. Each detector reads the text and may answer with
// confidences between 0 and 1 for soft tabs and for a tab width; the list runs them in order and
// keeps, for each of the two, the answer it trusts most. The two detectors a document manager
// starts with follow: a mode line and a histogram of indents. Detectors run on the loader thread
// while it holds the document's lock mutex, so they read the document and nothing else.

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class Document;

// What a detector found; a confidence of 0 means no opinion on that pair.
struct DetectorAnswer {
    float softTabsConfidence = 0.0f;
    bool softTabs = false;
    float tabWidthConfidence = 0.0f;
    int32_t tabWidth = 0;
};

class FormatDetector {
public:
    virtual ~FormatDetector() = default;
    // True when the detector has an answer, written into answer (cleared by the caller).
    virtual bool detect(const Document& document, DetectorAnswer& answer) = 0;
};

class FormatDetectorList {
public:
    // Appends the detector unless it is in the list.
    void add(FormatDetector* detector);
    // Whether it was in the list.
    bool remove(FormatDetector* detector);
    const std::vector<FormatDetector*>& detectors() const { return m_detectors; }

    // Asks each detector in order. Without any answer the result is cleared and false is
    // returned. Otherwise the soft-tabs pair comes from the answer with the highest soft-tabs
    // confidence and the width pair from the one with the highest width confidence, the earlier
    // detector winning ties.
    bool run(DetectorAnswer& result, const Document& document) const;

private:
    std::vector<FormatDetector*> m_detectors;
};

// Reads the indentation from an editor mode line: the text between two "-*-" markers in the
// first line (or, failing that, the last), such as "-*- indent-tabs-mode: nil; tab-width: 4 -*-".
// "indent-tabs-mode" t means tabs and anything else spaces; "tab-width" is the width. Both are
// answered with confidence 1.
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

// Guesses the indentation from the first lines of a document: a histogram of the lines that start
// with a tab and of those that start with 1 to 63 spaces, from which the width among 2, 3, 4 and
// 8 that divides the most indents is chosen; more tab-led lines than lines indented by that width
// mean tabs. Answers with confidence 0.8.
class SoftTabsDetector : public FormatDetector {
public:
    static constexpr int BUCKETS = 64;

    bool detect(const Document& document, DetectorAnswer& answer) override;

private:
    // Whether width b (later in the order) is a better guess than width a.
    bool isBetter(int a, int b) const;

    uint32_t m_histogram[BUCKETS] = {}; // 0: tab-led lines; n: lines led by exactly n spaces
};

} // namespace tessel

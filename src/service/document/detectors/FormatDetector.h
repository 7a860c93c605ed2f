#pragma once
// Guessing a loaded document's indentation. Each detector reads the text and may answer with
// confidences between 0 and 1 for soft tabs and for a tab width; the list runs them in order and
// keeps, for each of the two, the answer it trusts most. Detectors run on the loader thread while
// it holds the document's lock mutex, so they read the document and nothing else.

#include <cstdint>
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

} // namespace tessel

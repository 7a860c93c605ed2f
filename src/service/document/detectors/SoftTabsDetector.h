#pragma once
// Guesses the indentation from the first lines of a document: a histogram of the lines that start
// with a tab and of those that start with 1 to 63 spaces, from which the width among 2, 3, 4 and
// 8 that divides the most indents is chosen; more tab-led lines than lines indented by that width
// mean tabs. Answers with confidence 0.8.

#include "service/document/detectors/FormatDetector.h"

#include <cstdint>

namespace tessel {

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

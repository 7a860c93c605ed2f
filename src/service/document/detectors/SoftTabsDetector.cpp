#include "service/document/detectors/FormatDetector.h"

#include "service/document/Document.h"

#include <algorithm>
#include <utility>

namespace tessel {

bool SoftTabsDetector::isBetter(int a, int b) const {
    uint32_t both = 0, onlyA = 0, onlyB = 0;
    for (int n = 1; n < BUCKETS; ++n) {
        const uint32_t count = m_histogram[n];
        if (count == 0)
            continue;
        const bool byA = n % a == 0, byB = n % b == 0;
        if (byA && byB)
            both += count;
        else if (byA)
            onlyA += count;
        else if (byB)
            onlyB += count;
    }
    if (both > onlyA + onlyB || onlyA == onlyB)
        return b > a;
    return onlyB > onlyA;
}

bool SoftTabsDetector::detect(const Document& document, DetectorAnswer& answer) {
    std::fill(std::begin(m_histogram), std::end(m_histogram), 0u);
    document.scanLines([this](int32_t, int32_t, const wchar_t* text, int32_t length) {
        const int32_t seen = std::min<int32_t>(length, BUCKETS);
        if (seen == 0)
            return true;
        if (text[0] == L'\t') {
            ++m_histogram[0];
            return true;
        }
        int32_t spaces = 0;
        while (spaces < seen && text[spaces] == L' ')
            ++spaces;
        if (spaces >= 1 && spaces < seen) // something other than a space follows within reach
            ++m_histogram[spaces];
        return true;
    });
    if (std::all_of(std::begin(m_histogram), std::end(m_histogram), [](uint32_t count) { return count == 0; }))
        return false;

    int widths[] = {2, 3, 4, 8};
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            if (isBetter(widths[i], widths[j]))
                std::swap(widths[i], widths[j]);
    const int width = widths[0];
    uint32_t indented = 0;
    for (int n = width; n < BUCKETS; n += width)
        indented += m_histogram[n];
    answer.softTabsConfidence = 0.8f;
    if (m_histogram[0] <= indented) {
        answer.softTabs = true;
        answer.tabWidthConfidence = 0.8f;
        answer.tabWidth = width;
    } else {
        answer.softTabs = false;
        answer.tabWidthConfidence = 0.0f;
        answer.tabWidth = 0;
    }
    return true;
}

} // namespace tessel

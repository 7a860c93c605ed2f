#include "service/document/detectors/FormatDetector.h"

#include <algorithm>

namespace tessel {

void FormatDetectorList::add(FormatDetector* detector) {
    if (detector && std::find(m_detectors.begin(), m_detectors.end(), detector) == m_detectors.end())
        m_detectors.push_back(detector);
}

bool FormatDetectorList::remove(FormatDetector* detector) {
    const auto found = std::find(m_detectors.begin(), m_detectors.end(), detector);
    if (found == m_detectors.end())
        return false;
    m_detectors.erase(found);
    return true;
}

bool FormatDetectorList::run(DetectorAnswer& result, const Document& document) const {
    result = DetectorAnswer();
    bool answered = false;
    for (FormatDetector* detector : m_detectors) {
        DetectorAnswer answer;
        if (!detector->detect(document, answer))
            continue;
        // The first answer sets both pairs; a later one replaces a pair only with a strictly
        // higher confidence.
        if (!answered || answer.softTabsConfidence > result.softTabsConfidence) {
            result.softTabsConfidence = answer.softTabsConfidence;
            result.softTabs = answer.softTabs;
        }
        if (!answered || answer.tabWidthConfidence > result.tabWidthConfidence) {
            result.tabWidthConfidence = answer.tabWidthConfidence;
            result.tabWidth = answer.tabWidth;
        }
        answered = true;
    }
    return answered;
}

} // namespace tessel

#include "service/document/detectors/FormatDetectorSet.h"

namespace tessel {

FormatDetectorSet::FormatDetectorSet(FormatDetectorHost& host) : m_host(host) {
    m_host.addListener(&m_listener);
    m_host.addDetector(&m_emacs);
    m_host.addDetector(&m_softTabs);
}

FormatDetectorSet::~FormatDetectorSet() {
    m_host.removeListener(&m_listener);
    m_host.removeDetector(&m_softTabs);
    m_host.removeDetector(&m_emacs);
}

} // namespace tessel

#pragma once
// The format detectors a DocumentManager starts with, and the grabbed-file-name listener that
// comes with them. The set is created last by the manager's constructor and deleted first by its
// destructor; it registers with the manager through FormatDetectorHost.

#include "service/document/detectors/FormatDetector.h"
#include "service/document/detectors/MCListener.h"

namespace tessel {

class DocumentListener;

// What the set needs of the manager: its lists of manager-wide listeners and of detectors.
class FormatDetectorHost {
public:
    virtual ~FormatDetectorHost() = default;
    virtual bool addListener(DocumentListener* listener) = 0;
    virtual bool removeListener(DocumentListener* listener) = 0;
    virtual void addDetector(FormatDetector* detector) = 0;
    virtual bool removeDetector(FormatDetector* detector) = 0;
};

class FormatDetectorSet {
public:
    // Adds the listener, then the mode-line detector, then the histogram, so the mode line is
    // asked first and wins ties.
    explicit FormatDetectorSet(FormatDetectorHost& host);
    // Removes the listener, the histogram and the mode-line detector, in that order.
    ~FormatDetectorSet();
    FormatDetectorSet(const FormatDetectorSet&) = delete;
    FormatDetectorSet& operator=(const FormatDetectorSet&) = delete;

private:
    FormatDetectorHost& m_host;
    MCListener m_listener;
    EmacsDetector m_emacs;
    SoftTabsDetector m_softTabs;
};

} // namespace tessel

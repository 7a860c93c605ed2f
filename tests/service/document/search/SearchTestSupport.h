#pragma once
// Shared pieces of the finder and replacer tests: documents whose gap sits at a chosen place,
// a finder run that answers the match as "[begin, end)", "none" or the failure's message, the
// refusal of a pattern, and runs on each vector width of the probe scans.

#include "pel/text/FormatString.h"
#include "service/document/Document.h"
#include "service/document/Finder.h"
#include "service/document/search/FinderRegEx.h"
#include "service/document/search/ProbeHits.h"

#include <boost/xpressive/regex_error.hpp>

#include <memory>
#include <string>

namespace tessel_test {

// The text with the gap at `gap` (0..length).
inline std::unique_ptr<tessel::Document> documentWithGap(const std::wstring& text, int32_t gap) {
    std::unique_ptr<tessel::Document> document(new tessel::Document());
    document->insert(0, text);
    document->insert(gap, L"#");
    document->remove(gap, 1);
    return document;
}

inline std::wstring span(int begin, int end) {
    return begin < 0 ? L"none" : pel::formatString(L"[%d, %d)", begin, end);
}

inline std::wstring runFind(tessel::Document& document, tessel::Finder& finder, int32_t from, int32_t to,
                            bool backward) {
    try {
        if (!document.runFinder(finder, from, to, backward))
            return finder.getResults().found() ? L"found without a match" : L"none";
    } catch (const tessel::SearchFailed& failure) {
        return finder.getResults().found() ? L"failed with a match" : failure.message();
    }
    return span(finder.getResults().begin(0), finder.getResults().end(0));
}

// Why the regular-expression finder refuses the pattern, or "compiled".
inline std::wstring refusal(const std::wstring& pattern) {
    try {
        tessel::FinderRegEx finder(pattern, false);
    } catch (const boost::xpressive::regex_error& error) {
        return pel::formatString(L"%S", error.what());
    }
    return L"compiled";
}

// Probe scans set up in its scope use vectors no wider than the width given.
class VectorLimit {
public:
    explicit VectorLimit(tessel::VectorWidth width) : m_before(tessel::limitVectors(width)) {}
    ~VectorLimit() { tessel::limitVectors(m_before); }
    VectorLimit(const VectorLimit&) = delete;
    VectorLimit& operator=(const VectorLimit&) = delete;

private:
    tessel::VectorWidth m_before;
};

// run(width) under each vector width this processor has, the narrowest first.
template <class Run>
void forEachVectorWidth(const Run& run) {
    for (const tessel::VectorWidth width : {tessel::VectorWidth::SSE2, tessel::VectorWidth::AVX2}) {
        if (width > tessel::widestVectors())
            continue;
        const VectorLimit limit(width);
        run(width);
    }
}

inline const char* widthName(tessel::VectorWidth width) {
    return width == tessel::VectorWidth::AVX2 ? "AVX2" : "SSE2";
}

} // namespace tessel_test

#pragma once
// Shared pieces of the finder and replacer tests: documents whose gap sits at a chosen place,
// and a finder run that answers the match as "[begin, end)", "none" or the failure's message.

#include "pel/text/FormatString.h"
#include "service/document/Document.h"
#include "service/document/Finder.h"

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

} // namespace tessel_test

#include "service/bundles/BundleEntryFileName.h"

#include "pel/base/Assert.h"
#include "pel/text/search/RegEx.h"

#include <memory>

namespace tessel {

namespace {

// Compiled on first use, after the regular-expression library is up; matched from any thread.
const pel::RegEx& fileNamePattern() {
    static const std::unique_ptr<pel::RegEx> pattern = pel::RegEx::create(
        L"([^.]+)\\.(([a-zA-Z0-9]{8}-[a-zA-Z0-9]{4}-[a-zA-Z0-9]{4}-[a-zA-Z0-9]{4}-[a-zA-Z0-9]{12})\\.)([a-zA-Z]+)");
    return *pattern;
}

std::wstring group(const pel::MatchResults& match, unsigned int i, const wchar_t* text) {
    return std::wstring(text + match.begin(i), text + match.end(i));
}

} // namespace

std::wstring BundleEntryFileName::toString() const {
    std::wstring text;
    appendTo(text);
    return text;
}

void BundleEntryFileName::appendTo(std::wstring& io_text) const {
    io_text += name;
    if (!uuid.isNil()) {
        io_text += L'.';
        io_text += uuid.toString();
    }
    if (!suffix.empty()) {
        io_text += L'.';
        io_text += suffix;
    }
}

size_t BundleEntryFileName::parse(const wchar_t* text, size_t length, BundleEntryFileName* o_name) {
    PEL_CHECK_PTR(o_name);
    pel::MatchResultsRegEx match;
    if (text)
        fileNamePattern().match(&match, text, text + length, text);
    if (!match.found())
        throw pel::InvalidArgumentException(L"File name was invalid.");
    o_name->name = group(match, 1, text);
    o_name->uuid = pel::UUID::fromString(group(match, 3, text));
    o_name->suffix = group(match, 4, text);
    return static_cast<size_t>(match.end(0));
}

} // namespace tessel

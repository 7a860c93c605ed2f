#include "service/bundles/BundleEntryFileName.h"

#include "pel/base/Assert.h"
#include "pel/text/Inflector.h"
#include "pel/text/search/RegEx.h"

#include <cwchar>

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

// Windows opens these devices for a file of that name in any folder, whatever follows the first
// dot.
bool isDeviceName(const std::wstring& name) {
    if (name.size() == 3) {
        for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul"})
            if (_wcsicmp(name.c_str(), device) == 0)
                return true;
        return false;
    }
    return name.size() == 4 && (_wcsnicmp(name.c_str(), L"com", 3) == 0 || _wcsnicmp(name.c_str(), L"lpt", 3) == 0) &&
           name[3] >= L'1' && name[3] <= L'9';
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

BundleEntryFileName BundleEntryFileName::fromTitle(const std::wstring& title, const std::wstring& fallback,
                                                  const pel::UUID& uuid, const std::wstring& suffix) {
    BundleEntryFileName made{uuid, std::wstring(), suffix};
    if (!pel::Inflector::toFileName(title, &made.name) || isDeviceName(made.name))
        made.name = fallback;
    // Room for ".<uuid>" and ".<suffix>" (toString leaves out what is empty).
    const size_t rest = (uuid.isNil() ? 0 : 37) + (suffix.empty() ? 0 : suffix.size() + 1);
    if (made.name.size() + rest > MAX_LENGTH)
        made.name.resize(MAX_LENGTH > rest ? MAX_LENGTH - rest : 0);
    return made;
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

#include "service/document/search/RegExComposite.h"

#include "pel/log/Log.h"

namespace tessel {

namespace {

bool isDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Numbers longer than this are left as written: no group count comes near them.
constexpr size_t MAX_NUMBER_DIGITS = 9;

// The decimal number at text[at, end) when it has 1 to MAX_NUMBER_DIGITS digits.
bool readNumber(const std::wstring& text, size_t at, size_t end, long* o_number) {
    if (end == at || end - at > MAX_NUMBER_DIGITS)
        return false;
    long number = 0;
    for (size_t i = at; i < end; ++i)
        number = number * 10 + (text[i] - L'0');
    *o_number = number;
    return true;
}

size_t digitsEnd(const std::wstring& text, size_t at) {
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at;
}

} // namespace

std::wstring RegExComposite::wrap(const std::wstring& pattern, uint32_t options) {
    std::wstring letters;
    if (options & pel::RegExOptions::IGNORE_CASE)
        letters += L'i';
    if (options & pel::RegExOptions::MULTILINE)
        letters += L'm';
    if (options & pel::RegExOptions::EXTENDED)
        letters += L'x';
    if (letters.empty())
        return pattern;
    // White space is ignored under "x", so the line feed changes nothing but ends a comment.
    const wchar_t* beforeClose = (options & pel::RegExOptions::EXTENDED) ? L"\n" : L"";
    return L"(?" + letters + L")" + pattern + beforeClose + L"(?-" + letters + L")";
}

// The rule is textual: a "\1" inside a character class is moved like any other, although the
// engine reads it there as a character code. Relative and named references ("\k<-1>",
// "\k<name>") and numbers starting with 0 (octal codes) stay as they are.
std::wstring RegExComposite::renumber(const std::wstring& part, int offset) {
    std::wstring out;
    out.reserve(part.size() + 16);
    const size_t n = part.size();
    size_t i = 0;
    while (i < n) {
        const wchar_t c = part[i++];
        out += c;
        if (c != L'\\' || i >= n)
            continue;
        const wchar_t next = part[i];
        long number = 0;
        if (next != L'0' && isDigit(next)) {
            const size_t end = digitsEnd(part, i);
            if (readNumber(part, i, end, &number)) {
                out += std::to_wstring(number + offset);
                i = end;
                continue;
            }
        } else if ((next == L'k' || next == L'g') && i + 1 < n && (part[i + 1] == L'<' || part[i + 1] == L'\'')) {
            const wchar_t close = part[i + 1] == L'<' ? L'>' : L'\'';
            const size_t end = digitsEnd(part, i + 2);
            if (end < n && part[end] == close && readNumber(part, i + 2, end, &number)) {
                out.append(part, i, 2);
                out += std::to_wstring(number + offset);
                out += close;
                i = end + 1;
                continue;
            }
        }
        // Any other escaped character is copied, so an escaped backslash starts nothing.
        out += next;
        ++i;
    }
    return out;
}

RegExComposite::CheckedPart RegExComposite::check(const std::wstring& wrapped) {
    CheckedPart checked;
    const std::unique_ptr<pel::RegEx> alone = pel::RegEx::create(wrapped);
    if (alone->isCompiled()) {
        checked.groups = alone->getCaptureCount();
    } else {
        pel::RegExErrorInfo error;
        alone->getErrorInfo(&error);
        checked.error = error.message.substr(0, MAX_ERROR_TEXT);
    }
    return checked;
}

bool RegExComposite::push(const std::wstring& pattern, uint32_t options, uint32_t id, PartCache* cache) {
    const std::wstring wrapped = wrap(pattern, options);
    CheckedPart own;
    const CheckedPart* checked = &own;
    if (cache) {
        auto known = cache->find(wrapped);
        if (known == cache->end())
            known = cache->emplace(wrapped, check(wrapped)).first;
        checked = &known->second;
    } else {
        own = check(wrapped);
    }
    if (checked->groups < 0) {
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"RegExComposite::push: Error compiling partial RE: `%s`\n",
                        checked->error.c_str());
        return false;
    }
    std::wstring part = renumber(wrapped, m_groupCount);
    m_textLength += part.size() + 2;
    m_parts.push_back(std::move(part));
    m_ids[static_cast<unsigned int>(m_groupCount)] = id;
    m_groupCount += checked->groups + 1;
    m_compiled.reset();
    return true;
}

const pel::RegEx* RegExComposite::compile() {
    std::wstring joined;
    joined.reserve(m_textLength + m_parts.size());
    for (const std::wstring& part : m_parts) {
        if (!joined.empty())
            joined += L'|';
        joined += L'(';
        joined += part;
        joined += L')';
    }
    m_compiled = pel::RegEx::create(joined);
    if (!m_compiled->isCompiled())
        m_compiled.reset();
    return m_compiled.get();
}

pel::MatchResultsRegEx* RegExComposite::match(pel::MatchResultsRegEx* results, const wchar_t* text, int length,
                                              int at) const {
    if (!m_compiled) {
        if (!results)
            return new pel::MatchResultsRegEx();
        results->clear();
        return results;
    }
    return m_compiled->match(results, text, text + length, text + at);
}

uint32_t RegExComposite::getId(unsigned int group) const {
    const auto found = m_ids.find(group);
    return found == m_ids.end() ? 0 : found->second;
}

} // namespace tessel

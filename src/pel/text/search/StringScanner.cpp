#include "pel/text/search/StringScanner.h"

#include "pel/base/Assert.h"
#include "pel/text/search/RegEx.h"

#include <algorithm>
#include <cwchar>

namespace pel {

namespace {

const wchar_t EMPTY_TEXT[] = L"";

// True when text holds at least `length` characters before its terminating NUL.
bool holdsCharacters(const wchar_t* text, int length) {
    for (int i = 0; i < length; ++i)
        if (!text[i])
            return false;
    return true;
}

} // namespace

StringScanner::StringScanner()
    : m_text(EMPTY_TEXT), m_text_end(EMPTY_TEXT), m_literal_results(new MatchResultsSimple()) {
    m_match_data = m_literal_results.get();
}

StringScanner::~StringScanner() = default;

void StringScanner::setBuffer(const wchar_t* text, int length) {
    if (!text)
        text = EMPTY_TEXT;
    m_position = 0;
    m_previous_position = 0;
    m_matched = false;
    if (length == 0)
        length = static_cast<int>(std::wcslen(text));
    else if (length != -1 && (length < 0 || !holdsCharacters(text, length)))
        assertionViolation(L"buffer_length == -1 || tcslen(buffer) >= (xsize)buffer_length", PEL_FILE, __LINE__);
    m_text = text;
    m_length = length;
    m_text_end = text + length;
}

void StringScanner::setPosition(int position) {
    m_position = std::max(0, std::min(position, m_length));
}

void StringScanner::prepareMatchData(ScanKind kind) {
    if (kind == REGEX_SCAN) {
        if (!m_regex_results)
            m_regex_results.reset(new MatchResultsRegEx());
        m_match_data = m_regex_results.get();
    } else {
        if (!m_literal_results)
            m_literal_results.reset(new MatchResultsSimple());
        m_match_data = m_literal_results.get();
    }
    m_match_data->clear();
    m_kind = kind;
    m_matched = false;
}

bool StringScanner::scanRegEx(const RegEx* regex) {
    if (!regex)
        assertionViolation(L"pattern", PEL_FILE, __LINE__);
    prepareMatchData(REGEX_SCAN);
    PEL_SOFT_ASSERT(dynamic_cast< MatchResultsRegEx * >(m_match_data));
    if (m_length < 0)
        return false;
    regex->match(m_regex_results.get(), m_text, m_text_end, m_text + m_position);
    if (!m_regex_results->found())
        return false;
    m_matched = true;
    m_previous_position = m_position;
    m_position = std::min(m_position + m_regex_results->length(0), m_length);
    return true;
}

void StringScanner::acceptLiteral(int count) {
    m_match_data->set(0, m_position, m_position + count);
    m_previous_position = m_position;
    m_position = std::min(m_position + count, m_length);
}

bool StringScanner::scanChar(wchar_t c) {
    prepareMatchData(LITERAL_SCAN);
    if (!dynamic_cast< MatchResultsSimple * >(m_match_data))
        assertionViolation(L"dynamic_cast< MatchResultsSimple * >(m_match_data)", PEL_FILE, __LINE__);
    if (m_position >= m_length || m_text[m_position] != c)
        return false;
    acceptLiteral(1);
    m_matched = true;
    return true;
}

bool StringScanner::scanEscapedQuote() {
    prepareMatchData(LITERAL_SCAN);
    if (m_length - m_position < 2 || m_text[m_position] != L'\\' || m_text[m_position + 1] != L'"')
        return false;
    acceptLiteral(2);
    return true;
}

int StringScanner::skipChars(const wchar_t* set) {
    PEL_CHECK_PTR(set);
    prepareMatchData(LITERAL_SCAN);
    int count = 0;
    while (m_position + count < m_length) {
        const wchar_t c = m_text[m_position + count];
        const wchar_t* member = set;
        while (*member && *member != c)
            ++member;
        if (!*member)
            break;
        ++count;
    }
    if (count > 0) {
        acceptLiteral(count);
        m_matched = true;
    }
    return count;
}

bool StringScanner::getGroup(unsigned int index, std::wstring* o_string) const {
    PEL_CHECK_PTR(o_string);
    if (!m_matched)
        return false;
    const int begin = m_match_data->begin(index);
    const int end = m_match_data->end(index);
    if (begin < 0 || end - begin <= 0)
        return false;
    o_string->assign(m_text + begin, static_cast<size_t>(end - begin));
    return true;
}

std::wstring StringScanner::getGroup(unsigned int index) const {
    std::wstring text;
    getGroup(index, &text);
    return text;
}

} // namespace pel

#include "service/parser/base/ReplaceFormat.h"

#include "pel/base/Assert.h"
#include "pel/text/search/MatchResults.h"
#include "pel/text/search/RegEx.h"

#include <windows.h>

namespace tessel {

namespace {

enum CaseChange { CASE_NONE, CASE_UPPER, CASE_LOWER };

class Expander {
public:
    Expander(const pel::MatchResults& match, const ITextRangeSource& text, std::wstring& out)
        : m_match(match), m_text(text), m_out(out) {}

    void expand(const ReplaceFormat& list) {
        for (const ReplaceFormatElement& element : list) {
            switch (element.kind) {
            case FORMAT_TEXT: {
                const size_t from = m_out.size();
                m_out += element.text;
                convert(from);
                break;
            }
            case FORMAT_GROUP: {
                const int begin = m_match.begin(element.group);
                const int end = m_match.end(element.group);
                if (begin < 0 || end < begin)
                    break;
                const size_t from = m_out.size();
                m_text.appendTextRange(begin, end, &m_out);
                convert(from);
                break;
            }
            case FORMAT_CONDITION:
                // Nesting is bounded by the parser, so the recursion is too.
                expand(m_match.begin(element.group) >= 0 ? element.ifPart : element.elsePart);
                break;
            case FORMAT_UPPER_NEXT: m_next = CASE_UPPER; break;
            case FORMAT_LOWER_NEXT: m_next = CASE_LOWER; break;
            case FORMAT_UPPER: m_running = CASE_UPPER; break;
            case FORMAT_LOWER: m_running = CASE_LOWER; break;
            case FORMAT_END_CASE: m_running = CASE_NONE; break;
            default: break;
            }
        }
    }

private:
    static void change(CaseChange how, wchar_t* text, size_t length) {
        if (how == CASE_UPPER)
            CharUpperBuffW(text, static_cast<DWORD>(length));
        else if (how == CASE_LOWER)
            CharLowerBuffW(text, static_cast<DWORD>(length));
    }

    // Converts what was appended from `from` on: the running change first, then a one-character
    // change on its first character (a surrogate pair whole).
    void convert(size_t from) {
        const size_t length = m_out.size() - from;
        if (length == 0 || (m_running == CASE_NONE && m_next == CASE_NONE))
            return;
        wchar_t* text = &m_out[from];
        change(m_running, text, length);
        if (m_next != CASE_NONE) {
            const bool pair = length >= 2 && IS_HIGH_SURROGATE(text[0]) && IS_LOW_SURROGATE(text[1]);
            change(m_next, text, pair ? 2 : 1);
            m_next = CASE_NONE;
        }
    }

    const pel::MatchResults& m_match;
    const ITextRangeSource& m_text;
    std::wstring& m_out;
    CaseChange m_running = CASE_NONE;
    CaseChange m_next = CASE_NONE;
};

} // namespace

void expandReplaceFormat(const ReplaceFormat& format, const pel::MatchResults& match, const ITextRangeSource& text,
                         std::wstring* io_out) {
    PEL_CHECK_PTR(io_out);
    Expander(match, text, *io_out).expand(format);
}

bool substituteReplaceFormat(const pel::RegEx& regex, const ReplaceFormat& format, const wchar_t* text,
                             size_t length, std::wstring* o_out) {
    PEL_CHECK_PTR(o_out);
    if (length > 0)
        PEL_CHECK_PTR(text);
    const WideTextRangeSource source(text, length);
    const pel::RegExSubject subject(text, length);
    pel::MatchResultsRegEx match;
    // Built aside: o_out may hold the text itself.
    std::wstring out;
    size_t copied = 0; // the text before this offset is in out
    size_t at = 0;     // where the next search starts
    bool matched = false;
    while (text) {
        regex.search(&match, subject, at, length);
        if (!match.found())
            break;
        matched = true;
        const size_t begin = static_cast<size_t>(match.begin(0));
        const size_t matchEnd = static_cast<size_t>(match.end(0));
        out.append(text + copied, begin - copied);
        expandReplaceFormat(format, match, source, &out);
        copied = at = matchEnd;
        if (!regex.isGlobal() || at >= length)
            break;
        if (matchEnd == begin) {
            // An empty match would be found again at the same place: step over one character.
            const bool pair = at + 1 < length && IS_HIGH_SURROGATE(text[at]) && IS_LOW_SURROGATE(text[at + 1]);
            const size_t step = pair ? 2 : 1;
            out.append(text + at, step);
            copied = at = at + step;
            if (at >= length)
                break;
        }
    }
    if (!matched) {
        o_out->assign(text ? text : L"", length);
        return false;
    }
    out.append(text + copied, length - copied);
    o_out->swap(out);
    return true;
}

bool substituteReplaceFormat(const pel::RegEx& regex, const ReplaceFormat& format, const std::wstring& text,
                             std::wstring* o_out) {
    return substituteReplaceFormat(regex, format, text.data(), text.size(), o_out);
}

} // namespace tessel

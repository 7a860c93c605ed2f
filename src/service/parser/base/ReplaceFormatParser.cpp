#include "service/parser/base/ReplaceFormat.h"

#include "pel/base/Assert.h"

#include <limits>

namespace tessel {

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

class ReplaceFormatParser {
public:
    ReplaceFormatParser(const wchar_t* text, size_t length) : m_text(text), m_length(length) {}

    ReplaceFormat run() {
        while (m_at < m_length) {
            switch (m_text[m_at]) {
            case L'\\': readEscape(); break;
            case L'$': readGroup(); break;
            case L'(': readConditionStart(); break;
            case L':':
                if (!m_open.empty() && !m_open.back().inElse)
                    m_open.back().inElse = true;
                else
                    appendText(m_at, 1);
                ++m_at;
                break;
            case L')':
                if (!m_open.empty())
                    m_open.pop_back();
                else
                    appendText(m_at, 1);
                ++m_at;
                break;
            default: readText(); break;
            }
        }
        return std::move(m_root);
    }

private:
    struct Open {
        ReplaceFormatElement* condition;
        bool inElse;
    };

    // The list elements now go to. An open conditional is the last element of its parent's list,
    // and only the innermost list grows, so the pointers in m_open stay valid.
    ReplaceFormat& target() {
        if (m_open.empty())
            return m_root;
        const Open& open = m_open.back();
        return open.inElse ? open.condition->elsePart : open.condition->ifPart;
    }

    void appendText(size_t start, size_t count) {
        ReplaceFormat& list = target();
        if (list.empty() || list.back().kind != FORMAT_TEXT)
            list.emplace_back();
        list.back().text.append(m_text + start, count);
    }

    void appendElement(ReplaceFormatKind kind, uint32_t group = 0) {
        ReplaceFormatElement element;
        element.kind = kind;
        element.group = group;
        target().push_back(std::move(element));
    }

    void readText() {
        const size_t start = m_at;
        while (m_at < m_length) {
            const wchar_t c = m_text[m_at];
            if (c == L'\\' || c == L'$' || c == L'(' || c == L':' || c == L')')
                break;
            ++m_at;
        }
        appendText(start, m_at - start);
    }

    void readEscape() {
        if (m_at + 1 == m_length) {
            appendText(m_at++, 1); // a backslash at the end stands for itself
            return;
        }
        const wchar_t c = m_text[m_at + 1];
        m_at += 2;
        switch (c) {
        case L'n': appendText(L'\n'); break;
        case L't': appendText(L'\t'); break;
        case L'u': appendElement(FORMAT_UPPER_NEXT); break;
        case L'l': appendElement(FORMAT_LOWER_NEXT); break;
        case L'U': appendElement(FORMAT_UPPER); break;
        case L'L': appendElement(FORMAT_LOWER); break;
        case L'E': appendElement(FORMAT_END_CASE); break;
        default: appendText(m_at - 1, 1); break;
        }
    }

    void appendText(wchar_t c) {
        ReplaceFormat& list = target();
        if (list.empty() || list.back().kind != FORMAT_TEXT)
            list.emplace_back();
        list.back().text.push_back(c);
    }

    // Reads the digits at m_at into a group number; too large a number reads as the largest.
    uint32_t readNumber() {
        uint64_t number = 0;
        for (; m_at < m_length && isDigit(m_text[m_at]); ++m_at)
            if (number <= std::numeric_limits<uint32_t>::max())
                number = number * 10 + uint32_t(m_text[m_at] - L'0');
        return number > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                              : static_cast<uint32_t>(number);
    }

    void readGroup() {
        if (m_at + 1 < m_length && isDigit(m_text[m_at + 1])) {
            ++m_at;
            appendElement(FORMAT_GROUP, readNumber());
        } else {
            appendText(m_at++, 1);
        }
    }

    // "(?" digits ":" opens a conditional; anything else leaves the "(" literal.
    void readConditionStart() {
        size_t digitsEnd = m_at + 2;
        while (digitsEnd < m_length && isDigit(m_text[digitsEnd]))
            ++digitsEnd;
        const bool opens = m_at + 2 < m_length && m_text[m_at + 1] == L'?' && digitsEnd > m_at + 2 &&
                           digitsEnd < m_length && m_text[digitsEnd] == L':';
        if (!opens) {
            appendText(m_at++, 1);
            return;
        }
        if (m_open.size() == MAX_FORMAT_NESTING) {
            // Too deep: the whole opening is text, so it does not close or split an outer one.
            appendText(m_at, digitsEnd + 1 - m_at);
            m_at = digitsEnd + 1;
            return;
        }
        m_at += 2;
        const uint32_t group = readNumber();
        ++m_at; // the ":"
        appendElement(FORMAT_CONDITION, group);
        m_open.push_back(Open{&target().back(), false});
    }

    const wchar_t* m_text;
    size_t m_length;
    size_t m_at = 0;
    ReplaceFormat m_root;
    std::vector<Open> m_open;
};

} // namespace

ReplaceFormat parseReplaceFormat(const wchar_t* text, size_t length) {
    if (length > 0)
        PEL_CHECK_PTR(text);
    return ReplaceFormatParser(text, length).run();
}

ReplaceFormat parseReplaceFormat(const std::wstring& text) { return parseReplaceFormat(text.data(), text.size()); }

} // namespace tessel

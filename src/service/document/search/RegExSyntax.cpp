#include "service/document/search/RegExSyntax.h"

#include "pel/text/Utf16Characters.h"

#include <boost/xpressive/regex_error.hpp>

#include <cstring>
#include <cwchar>
#include <utility>
#include <vector>

namespace tessel {

namespace {

class GroupWalk {
public:
    // onEscape, when given, hears of every escape the engine reads (with whether it stands in
    // a bracket expression): none in quoted text or comments.
    GroupWalk(const std::wstring& pattern, const UnicodeRegExTraits& traits,
              const std::function<void(wchar_t, int)>& visit,
              const std::function<void(size_t at, bool inBracket)>* onEscape = nullptr)
        : m_pattern(pattern), m_n(pattern.size()), m_traits(traits), m_visit(visit), m_onEscape(onEscape),
          m_space(traits.lookup_classname(SPACE, SPACE + 5, false)) {}

    void run() {
        for (size_t i = 0; i < m_n;) {
            i = skipSpace(i);
            if (i >= m_n)
                break;
            const wchar_t c = m_pattern[i];
            if (c == L'\\')
                i = i + 1 < m_n && m_pattern[i + 1] == L'Q' ? quoteEnd(i + 2) : escape(i);
            else if (c == L'[')
                i = bracket(i);
            else if (c == L'(')
                i = open(i);
            else if (c == L')')
                i = close(i);
            else {
                if (c == L'|')
                    m_visit(c, m_depth);
                ++i;
            }
        }
    }

private:
    static constexpr char32_t SPACE[] = U"space";

    size_t escape(size_t i) const {
        if (m_onEscape)
            (*m_onEscape)(i, false);
        return i + 2;
    }

    size_t bracket(size_t i) const {
        if (!m_onEscape)
            return bracketEnd(m_pattern, i);
        const std::function<void(size_t)> inside = [this](size_t at) { (*m_onEscape)(at, true); };
        return bracketEnd(m_pattern, i, &inside);
    }

    // With the "x" flag the engine passes over whitespace and "#" comments before each token.
    size_t skipSpace(size_t i) const {
        while (m_extended && i < m_n) {
            if (m_pattern[i] == L'#') {
                while (i < m_n && m_pattern[i++] != L'\n') {
                }
            } else if (m_traits.isctype(m_pattern[i], m_space)) {
                ++i;
            } else {
                break;
            }
        }
        return i;
    }

    // Behind "\E", or the end: quoted text is literal.
    size_t quoteEnd(size_t i) const {
        for (i = skipSpace(i); i < m_n; i = skipSpace(i)) {
            if (m_pattern[i] != L'\\')
                ++i;
            else if (i + 1 < m_n && m_pattern[i + 1] == L'E')
                return i + 2;
            else
                i += 2;
        }
        return m_n;
    }

    size_t open(size_t i) {
        m_visit(L'(', ++m_depth);
        m_outer.push_back(m_extended);
        size_t j = skipSpace(i + 1);
        if (j >= m_n || m_pattern[j] != L'?')
            return i + 1;
        j = skipSpace(j + 1);
        if (j < m_n && m_pattern[j] == L'#')
            return comment(j + 1);
        // Flags: "(?x-i)" sets them for the rest of the enclosing group, "(?x:" for its own.
        bool set = true, extended = m_extended;
        size_t k = j;
        for (; k < m_n && std::wstring(L"imsx-").find(m_pattern[k]) != std::wstring::npos; ++k) {
            if (m_pattern[k] == L'-')
                set = !set;
            else if (m_pattern[k] == L'x')
                extended = set;
        }
        if (k == j || k >= m_n || (m_pattern[k] != L')' && m_pattern[k] != L':'))
            return j;
        if (m_pattern[k] == L':') {
            // An empty "(?x:)" is read as "(?x)": its flags stay.
            m_extended = extended;
            k = skipSpace(k + 1);
            if (k >= m_n || m_pattern[k] != L')')
                return k;
        }
        const size_t behind = close(k);
        m_extended = extended;
        return behind;
    }

    // A comment ends at the first ")" not escaped.
    size_t comment(size_t i) {
        for (i = skipSpace(i); i < m_n; i = skipSpace(i)) {
            if (m_pattern[i] == L')')
                return close(i);
            i += m_pattern[i] == L'\\' ? 2 : 1;
        }
        return m_n;
    }

    size_t close(size_t i) {
        m_visit(L')', m_depth > 0 ? m_depth-- : 0);
        if (!m_outer.empty()) {
            m_extended = m_outer.back();
            m_outer.pop_back();
        }
        return i + 1;
    }

    const std::wstring& m_pattern;
    const size_t m_n;
    const UnicodeRegExTraits& m_traits;
    const std::function<void(wchar_t, int)>& m_visit;
    const std::function<void(size_t, bool)>* m_onEscape;
    const UnicodeRegExTraits::char_class_type m_space;
    int m_depth = 0;
    bool m_extended = false;
    std::vector<bool> m_outer; // the "x" flag outside each open group
};

constexpr char32_t GroupWalk::SPACE[];

// Inside a bracket expression, a named class "[:name:]" (perhaps "[:^name:]"): its end, or
// `open` itself when the "[" is a plain unit (the name runs into a unit the engine reads as
// syntax before its ":]").
size_t namedClassEnd(const std::wstring& pattern, size_t open) {
    const size_t n = pattern.size();
    size_t i = open + 2;
    if (i < n && pattern[i] == L'^')
        ++i;
    for (; i < n; ++i) {
        const wchar_t c = pattern[i];
        if (c == L':' && i + 1 < n && pattern[i + 1] == L']')
            return i + 2;
        if (c == L'^' || c == L'-' || c == L']' || c == L'\\' || (c == L'[' && i + 1 < n && pattern[i + 1] == L':'))
            break;
    }
    return open;
}

} // namespace

void visitGroupSyntax(const std::wstring& pattern, const UnicodeRegExTraits& traits,
                      const std::function<void(wchar_t c, int depth)>& visit) {
    GroupWalk(pattern, traits, visit).run();
}

size_t bracketEnd(const std::wstring& pattern, size_t open, const std::function<void(size_t at)>* onEscape) {
    const size_t n = pattern.size();
    size_t i = open + 1;
    if (i < n && pattern[i] == L'^')
        ++i;
    // A "]" first is a unit of the set.
    if (i < n && pattern[i] == L']')
        ++i;
    while (i < n) {
        const wchar_t c = pattern[i];
        if (c == L']')
            return i + 1;
        if (c == L'\\') {
            if (onEscape)
                (*onEscape)(i);
            i += 2;
        } else if (c == L'[' && i + 1 < n && pattern[i + 1] == L':') {
            const size_t end = namedClassEnd(pattern, i);
            i = end == i ? i + 1 : end;
        } else {
            ++i;
        }
    }
    return n;
}

namespace {

// The letters that start an escape of the engine: outside a bracket expression its assertions
// and quoting, the classes, and the control, code and character escapes; inside one "\b" is a
// backspace. Any other escaped letter the engine would read as the letter itself.
const char OUTSIDE_BRACKETS[] = "AbBEQZdDsSwWacefnrtvxu";
const char INSIDE_BRACKETS[] = "bdDsSwWacefnrtvxu";

bool isAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// The value of the four hex digits at `at`; -1 when there are not four.
int32_t fourHexDigits(const std::wstring& pattern, size_t at) {
    if (at + 4 > pattern.size())
        return -1;
    int32_t value = 0;
    for (size_t i = at; i < at + 4; ++i) {
        const wchar_t c = pattern[i];
        const int digit = c >= L'0' && c <= L'9' ? c - L'0'
                          : c >= L'a' && c <= L'f' ? c - L'a' + 10
                          : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                                   : -1;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

std::u32string enginePattern(const std::wstring& pattern, const UnicodeRegExTraits& traits) {
    // Where a pair's halves are written as escapes: the escapes' start and the character.
    std::vector<std::pair<size_t, char32_t>> escapedPairs;
    const std::function<void(size_t, bool)> onEscape = [&](size_t at, bool inBracket) {
        if (at + 1 >= pattern.size())
            return; // the engine says that the escape is incomplete
        const wchar_t letter = pattern[at + 1];
        if (isAsciiLetter(letter) && !std::strchr(inBracket ? INSIDE_BRACKETS : OUTSIDE_BRACKETS, static_cast<char>(letter))) {
            const std::string what = "The escape \\" + std::string(1, static_cast<char>(letter)) + " is not supported.";
            throw boost::xpressive::regex_error(boost::xpressive::regex_constants::error_escape, what.c_str());
        }
        if (letter != L'u' || at + 12 > pattern.size() || pattern[at + 6] != L'\\' || pattern[at + 7] != L'u')
            return;
        const int32_t high = fourHexDigits(pattern, at + 2), low = fourHexDigits(pattern, at + 8);
        if (high >= 0 && low >= 0 && pel::isHighSurrogateUnit(high) && pel::isLowSurrogateUnit(low))
            escapedPairs.emplace_back(at, pel::pairCodePoint(high, low));
    };
    GroupWalk(pattern, traits, [](wchar_t, int) {}, &onEscape).run();
    std::u32string characters;
    characters.reserve(pattern.size());
    const auto length = static_cast<int32_t>(pattern.size());
    auto escaped = escapedPairs.begin();
    for (int32_t at = 0; at < length;) {
        if (escaped != escapedPairs.end() && escaped->first == static_cast<size_t>(at)) {
            characters += escaped->second;
            at += 12;
            ++escaped;
            continue;
        }
        characters += static_cast<char32_t>(pel::codePointAt(pattern, at, length));
        at += pel::characterUnits(pattern, at, length);
    }
    return characters;
}

boost::xpressive::regex_constants::syntax_option_type engineSyntax(bool ignoreCase) {
    namespace flags = boost::xpressive::regex_constants;
    const flags::syntax_option_type syntax = flags::ECMAScript | flags::not_dot_newline;
    return ignoreCase ? syntax | flags::icase_ : syntax;
}

std::wstring escapeRegEx(const std::wstring& text) {
    // Outside brackets these are all the syntax there is: letters and digits stay literal, and
    // an escaped punctuation unit is always the unit itself.
    static const wchar_t SYNTAX[] = L"\\^$.|?*+()[]{}";
    std::wstring pattern;
    pattern.reserve(text.size() * 2);
    for (const wchar_t unit : text) {
        if (unit && std::wcschr(SYNTAX, unit))
            pattern += L'\\';
        pattern += unit;
    }
    return pattern;
}

} // namespace tessel

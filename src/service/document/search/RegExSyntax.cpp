#include "service/document/search/RegExSyntax.h"

#include <cwchar>
#include <vector>

namespace tessel {

namespace {

class GroupWalk {
public:
    GroupWalk(const std::wstring& pattern, const FoldingRegExTraits& traits,
              const std::function<void(wchar_t, int)>& visit)
        : m_pattern(pattern), m_n(pattern.size()), m_traits(traits), m_visit(visit),
          m_space(traits.lookup_classname(SPACE, SPACE + 5, false)) {}

    void run() {
        for (size_t i = 0; i < m_n;) {
            i = skipSpace(i);
            if (i >= m_n)
                break;
            const wchar_t c = m_pattern[i];
            if (c == L'\\')
                i = i + 1 < m_n && m_pattern[i + 1] == L'Q' ? quoteEnd(i + 2) : i + 2;
            else if (c == L'[')
                i = bracketEnd(m_pattern, i);
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
    static constexpr wchar_t SPACE[] = L"space";

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
    const FoldingRegExTraits& m_traits;
    const std::function<void(wchar_t, int)>& m_visit;
    const FoldingRegExTraits::char_class_type m_space;
    int m_depth = 0;
    bool m_extended = false;
    std::vector<bool> m_outer; // the "x" flag outside each open group
};

constexpr wchar_t GroupWalk::SPACE[];

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

void visitGroupSyntax(const std::wstring& pattern, const FoldingRegExTraits& traits,
                      const std::function<void(wchar_t c, int depth)>& visit) {
    GroupWalk(pattern, traits, visit).run();
}

size_t bracketEnd(const std::wstring& pattern, size_t open) {
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

#include "service/parser/PatternFirstChars.h"
#include "service/parser/PatternSyntax.h"

#include "pel/text/search/RegEx.h"

#include <algorithm>
#include <cwchar>

namespace tessel {

namespace {

struct CharSet {
    std::bitset<128> ascii;
    bool other = false;

    void add(uint32_t c) {
        if (c < 128)
            ascii.set(c);
        else
            other = true;
    }
    void addRange(uint32_t low, uint32_t high) {
        for (uint32_t c = low; c <= high && c < 128; ++c)
            ascii.set(c);
        if (high >= 128)
            other = true;
    }
    void all() {
        ascii.set();
        other = true;
    }
    void merge(const CharSet& set) {
        ascii |= set.ascii;
        other = other || set.other;
    }
};

bool isAsciiAlnum(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}


// The ASCII members of a named class ("alpha" of "[:alpha:]" or "\p{Alpha}", as the engine's
// Unicode encodings read it), any character above ASCII counted in; false for a name not known
// here, which rules nothing out.
bool namedClass(std::wstring name, CharSet& set) {
    std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c + 32 : c; });
    name.erase(std::remove_if(name.begin(), name.end(), [](wchar_t c) { return c == L' ' || c == L'_' || c == L'-'; }),
               name.end());
    CharSet own;
    own.other = true;
    const bool letters = name == L"alpha" || name == L"alphabetic" || name == L"l" || name == L"letter";
    if (letters || name == L"alnum" || name == L"word" || name == L"upper" || name == L"lu" || name == L"uppercase" ||
        name == L"uppercaseletter")
        own.addRange(L'A', L'Z');
    if (letters || name == L"alnum" || name == L"word" || name == L"lower" || name == L"ll" || name == L"lowercase" ||
        name == L"lowercaseletter")
        own.addRange(L'a', L'z');
    if (name == L"alnum" || name == L"word" || name == L"digit" || name == L"nd" || name == L"xdigit")
        own.addRange(L'0', L'9');
    if (name == L"word")
        own.add(L'_');
    if (name == L"xdigit") {
        own.addRange(L'a', L'f');
        own.addRange(L'A', L'F');
    }
    if (name == L"space" || name == L"whitespace") {
        own.addRange(9, 13);
        own.add(L' ');
    }
    if (name == L"blank") {
        own.add(9);
        own.add(L' ');
    }
    if (name == L"cntrl" || name == L"cc") {
        own.addRange(0, 31);
        own.add(127);
    }
    if (name == L"punct") {
        own.addRange(33, 47);
        own.addRange(58, 64);
        own.addRange(91, 96);
        own.addRange(123, 126);
    }
    if (name == L"graph" || name == L"print")
        own.addRange(name == L"print" ? 32 : 33, 126);
    if (name == L"ascii")
        own.addRange(0, 127);
    if (own.ascii.none() && name != L"ascii")
        return false;
    set.merge(own);
    return true;
}

// A recursive reading of the pattern's syntax (the engine's Ruby syntax), as far as the first
// characters go. Anything it cannot place sets `failed`.
class Reader {
public:
    explicit Reader(const std::wstring& pattern) : m_p(pattern), m_n(pattern.size()) {}

    bool failed = false;
    bool ignoreCase = false;

    // Whether the whole pattern was read, its first characters in o_set and whether each of its
    // branches begins with \G, ^ or \A in o_anchored; false when it was not understood.
    bool read(CharSet* o_set, bool* o_empty, bool* o_anchored) {
        *o_empty = alternation(*o_set, o_anchored);
        return !failed && m_i == m_n;
    }

private:
    enum class Escape { VALUE, SET, EMPTY_SET, ZERO_WIDTH };

    bool at(const wchar_t* text) const { return m_p.compare(m_i, std::wcslen(text), text) == 0; }

    // Branches up to ")" or the end; whether one may match empty, and whether each begins with
    // a line-start anchor (o_anchored).
    bool alternation(CharSet& out, bool* o_anchored) {
        bool anchored = false;
        bool empty = sequence(out, &anchored);
        while (!failed && m_i < m_n && m_p[m_i] == L'|') {
            ++m_i;
            bool branch = false;
            empty = sequence(out, &branch) || empty;
            anchored = anchored && branch;
        }
        *o_anchored = anchored;
        return empty;
    }

    bool sequence(CharSet& out, bool* o_anchored) {
        bool empty = true;
        *o_anchored = false;
        bool first = true;
        for (;;) {
            // A comment is nothing at all: a quantifier after it is the atom's before it.
            if (!skipComments(m_p, &m_i))
                failed = true;
            if (failed || m_i >= m_n || m_p[m_i] == L'|' || m_p[m_i] == L')')
                break;
            CharSet set;
            bool anchor = false;
            bool atomEmpty = atom(set, &anchor);
            if (quantifier()) {
                atomEmpty = true;
                anchor = false;
            }
            if (first)
                *o_anchored = anchor;
            first = false;
            if (empty) {
                out.merge(set);
                empty = atomEmpty;
            }
        }
        return empty;
    }

    // Whether the quantifiers after an atom let it repeat zero times.
    bool quantifier() {
        long least = 1;
        readQuantifiers(m_p, &m_i, &least);
        return least == 0;
    }

    // One atom into set; whether it may match empty, and whether it is a line-start anchor.
    bool atom(CharSet& set, bool* o_anchor) {
        const wchar_t c = m_p[m_i];
        *o_anchor = false;
        switch (c) {
        case L'(': return group(set, o_anchor);
        case L'[':
            ++m_i;
            bracket(set);
            return false;
        case L'\\': {
            uint32_t value = 0;
            *o_anchor = m_i + 1 < m_n && (m_p[m_i + 1] == L'G' || m_p[m_i + 1] == L'A');
            switch (escape(set, false, &value)) {
            case Escape::VALUE: set.add(value); return false;
            case Escape::SET: return false;
            case Escape::EMPTY_SET: return true;
            case Escape::ZERO_WIDTH: return true;
            }
            return true;
        }
        case L'.':
            ++m_i;
            set.all();
            return false;
        case L'^':
            *o_anchor = true;
            ++m_i;
            return true;
        case L'$':
            ++m_i;
            return true;
        default:
            m_i += characterLength(m_p, m_i);
            set.add(c);
            return false;
        }
    }

    bool group(CharSet& set, bool* o_anchor) {
        bool ignored = false;
        if (at(L"(*")) {
            failed = failed || !skipCallout(m_p, &m_i);
            return true;
        }
        if (at(L"(?=")) { // the characters its content begins with begin the match
            m_i += 3;
            return inner(set, &ignored);
        }
        if (at(L"(?!") || at(L"(?<=") || at(L"(?<!")) {
            m_i += at(L"(?!") ? 3 : 4;
            CharSet any;
            inner(any, &ignored);
            return true;
        }
        if (at(L"(?<") || at(L"(?'")) { // a named group
            const wchar_t close = m_p[m_i + 2] == L'<' ? L'>' : L'\'';
            const size_t end = m_p.find(close, m_i + 3);
            if (end == std::wstring::npos) {
                failed = true;
                return true;
            }
            m_i = end + 1;
            return inner(set, o_anchor);
        }
        if (at(L"(?:") || at(L"(?>")) {
            m_i += 3;
            return inner(set, o_anchor);
        }
        if (at(L"(?")) {
            // Option letters, for the rest of the group (")") or for a group of their own (":").
            bool on = true;
            size_t j = m_i + 2;
            for (; j < m_n && std::wcschr(L"imx-", m_p[j]) && m_p[j]; ++j) {
                if (m_p[j] == L'-')
                    on = false;
                else if (m_p[j] == L'x' && on)
                    failed = true;
                else if (m_p[j] == L'i' && on)
                    ignoreCase = true;
            }
            if (failed || j >= m_n || (m_p[j] != L')' && m_p[j] != L':')) {
                failed = true;
                return true;
            }
            m_i = j + 1;
            // Options of their own hold to the end of the group they are in, its later
            // branches too: what is left of the group is theirs.
            return m_p[j] == L')' ? alternation(set, o_anchor) : inner(set, o_anchor);
        }
        ++m_i;
        return inner(set, o_anchor);
    }

    // A group's content and its ")".
    bool inner(CharSet& set, bool* o_anchored) {
        const bool empty = alternation(set, o_anchored);
        if (m_i >= m_n || m_p[m_i] != L')') {
            failed = true;
            return true;
        }
        ++m_i;
        return empty;
    }

    // A bracket expression after its "[", up to and with its "]".
    void bracket(CharSet& set) {
        CharSet own;
        bool negated = false;
        if (m_i < m_n && m_p[m_i] == L'^') {
            negated = true;
            ++m_i;
        }
        bool first = true;
        while (!failed) {
            if (m_i >= m_n) {
                failed = true;
                return;
            }
            const wchar_t c = m_p[m_i];
            if (c == L']' && !first) {
                ++m_i;
                break;
            }
            first = false;
            if (c == L'[') {
                std::wstring name;
                const BracketOpening opening = at(L"[:") ? readPosixBracket(m_p, &m_i, &name) : BracketOpening::NESTED;
                if (opening == BracketOpening::OTHER) {
                    failed = true;
                    return;
                }
                if (opening == BracketOpening::POSIX) {
                    if (name[0] == L'^' || !namedClass(name, own))
                        own.all();
                    continue;
                }
                ++m_i;
                bracket(own);
                continue;
            }
            if (at(L"&&")) {
                m_i += 2; // an intersection is within the union of its sides
                continue;
            }
            uint32_t low = 0;
            if (!member(own, &low))
                continue;
            if (m_i + 1 < m_n && m_p[m_i] == L'-' && m_p[m_i + 1] != L']') {
                ++m_i;
                uint32_t high = 0;
                if (m_p[m_i] == L'[' || !member(own, &high)) {
                    failed = true;
                    return;
                }
                own.addRange(low, high);
            } else {
                own.add(low);
            }
        }
        if (negated)
            own.all();
        set.merge(own);
    }

    // One member of a bracket expression: true with its code in o_value, or false when it was
    // a set (added to set).
    bool member(CharSet& set, uint32_t* o_value) {
        if (m_p[m_i] != L'\\') {
            *o_value = m_p[m_i];
            m_i += characterLength(m_p, m_i);
            return true;
        }
        const Escape kind = escape(set, true, o_value);
        if (kind == Escape::ZERO_WIDTH)
            failed = true;
        return kind == Escape::VALUE;
    }

    // An escape at m_i: a character's code in o_value, or a set added to set.
    Escape escape(CharSet& set, bool inBracket, uint32_t* o_value) {
        if (m_i + 1 >= m_n) {
            failed = true;
            return Escape::ZERO_WIDTH;
        }
        const wchar_t e = m_p[m_i + 1];
        m_i += 1 + characterLength(m_p, m_i + 1);
        switch (e) {
        case L'b':
            if (inBracket) {
                *o_value = 8;
                return Escape::VALUE;
            }
            return Escape::ZERO_WIDTH;
        case L'B': case L'A': case L'z': case L'Z': case L'G':
            return Escape::ZERO_WIDTH;
        case L'K': // moves the match's start
            failed = true;
            return Escape::ZERO_WIDTH;
        case L'd':
            set.addRange(L'0', L'9');
            set.other = true;
            return Escape::SET;
        case L'w':
            set.addRange(L'0', L'9');
            set.addRange(L'a', L'z');
            set.addRange(L'A', L'Z');
            set.add(L'_');
            set.other = true;
            return Escape::SET;
        case L's':
            set.addRange(9, 13);
            set.add(L' ');
            set.other = true;
            return Escape::SET;
        case L't': *o_value = 9; return Escape::VALUE;
        case L'n': *o_value = 10; return Escape::VALUE;
        case L'v': *o_value = 11; return Escape::VALUE;
        case L'f': *o_value = 12; return Escape::VALUE;
        case L'r': *o_value = 13; return Escape::VALUE;
        case L'a': *o_value = 7; return Escape::VALUE;
        case L'e': *o_value = 27; return Escape::VALUE;
        case L'x':
        case L'u':
            return hexEscape(e, o_value) ? Escape::VALUE : Escape::ZERO_WIDTH;
        case L'p': case L'P':
            if (m_i < m_n && m_p[m_i] == L'{') {
                const size_t close = m_p.find(L'}', m_i);
                if (close == std::wstring::npos) {
                    failed = true;
                    return Escape::ZERO_WIDTH;
                }
                const std::wstring name = m_p.substr(m_i + 1, close - m_i - 1);
                m_i = close + 1;
                // A negated class ("\P", "\p{^...}") rules nothing out.
                if (e == L'P' || name.empty() || name[0] == L'^' || !namedClass(name, set))
                    set.all();
            } else {
                ++m_i;
                set.all();
            }
            return Escape::SET;
        case L'k': case L'g':
            if (m_i < m_n && (m_p[m_i] == L'<' || m_p[m_i] == L'\'')) {
                const size_t close = m_p.find(m_p[m_i] == L'<' ? L'>' : L'\'', m_i + 1);
                if (close == std::wstring::npos || inBracket) {
                    failed = true;
                    return Escape::ZERO_WIDTH;
                }
                m_i = close + 1;
                set.all();
                return Escape::EMPTY_SET;
            }
            failed = true;
            return Escape::ZERO_WIDTH;
        default:
            break;
        }
        if (e >= L'0' && e <= L'9') {
            // An octal code or a back-reference: either way nothing is ruled out.
            while (m_i < m_n && m_p[m_i] >= L'0' && m_p[m_i] <= L'9')
                ++m_i;
            set.all();
            return Escape::EMPTY_SET;
        }
        if (isAsciiAlnum(e)) { // \h, \D, \W, \S, \R, \X, \c, \C-, \M- and the like
            failed = failed || e == L'c' || e == L'C' || e == L'M';
            set.all();
            return Escape::SET;
        }
        *o_value = e;
        return Escape::VALUE;
    }

    // "\xHH", "\x{H...}" or "\uHHHH" after its letter.
    bool hexEscape(wchar_t letter, uint32_t* o_value) {
        if (readCodeEscape(m_p, letter, &m_i, o_value))
            return true;
        failed = true;
        return false;
    }

    const std::wstring& m_p;
    const size_t m_n;
    size_t m_i = 0;
};

} // namespace

PatternFirstChars::PatternFirstChars(const std::wstring& pattern, uint32_t options) {
    if (options & pel::RegExOptions::EXTENDED)
        return;
    Reader reader(pattern);
    CharSet set;
    bool empty = true;
    if (!reader.read(&set, &empty, &m_lineStart) || (empty && !m_lineStart)) {
        m_lineStart = false;
        return;
    }
    if (empty)
        set.all();
    if ((options & pel::RegExOptions::IGNORE_CASE) || reader.ignoreCase) {
        // Either case of a letter, and the units above ASCII that fold to one (the Kelvin sign);
        // a unit above ASCII may fold to letters ("\u00DF" to "ss").
        for (wchar_t c = L'a'; c <= L'z'; ++c)
            if (set.other || set.ascii[c] || set.ascii[c - 32]) {
                set.ascii.set(c);
                set.ascii.set(c - 32);
            }
        set.other = true;
    }
    m_any = set.ascii.all() && set.other && !m_lineStart;
    for (size_t c = 0; c < 128; ++c)
        m_bytes[c] = set.ascii[c];
    for (size_t b = 128; b < 256 && set.other; ++b)
        m_bytes.set(b);
}

} // namespace tessel

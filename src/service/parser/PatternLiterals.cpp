#include "service/parser/PatternLiterals.h"
#include "service/parser/PatternSyntax.h"

#include "pel/base/Ascii.h"
#include "pel/text/search/RegEx.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace tessel {

namespace {

// What a part of a pattern asks of its line: one of `strings`, or nothing (`some` false).
struct Need {
    bool some = false;
    std::vector<std::string> strings;

    static Need of(const std::string& text) { return Need{true, {text}}; }
    // One of the characters.
    static Need eachOf(const std::string& chars) {
        Need need{true, {}};
        for (const char c : chars)
            need.strings.emplace_back(1, c);
        return need;
    }
    size_t shortest() const {
        size_t least = SIZE_MAX;
        for (const std::string& s : strings)
            least = std::min(least, s.size());
        return least;
    }
    // Whether this need rules out more lines than other: longer strings, then fewer.
    bool betterThan(const Need& other) const {
        if (!other.some)
            return some;
        if (!some)
            return false;
        if (shortest() != other.shortest())
            return shortest() > other.shortest();
        return strings.size() < other.strings.size();
    }
};

// The most characters of a bracket expression asked for one by one.
constexpr size_t SMALL_BRACKET = 8;

// One atom of a sequence: a character that extends the run of literal text, a need of its own
// (a group, a look-ahead), something that matches no text, or anything else.
enum class Atom { CHARACTER, NEED, ZERO_WIDTH, OTHER };

// A recursive reading of the pattern's syntax (the engine's Ruby syntax) as far as its literal
// text goes. Anything it cannot place sets `failed`, and the pattern asks for nothing.
class Reader {
public:
    explicit Reader(const std::wstring& pattern) : m_p(pattern), m_n(pattern.size()) {}

    bool failed = false;

    Need read() {
        Need need = alternation();
        if (m_i != m_n)
            failed = true;
        return failed ? Need() : need;
    }

private:
    bool at(const wchar_t* text) const { return m_p.compare(m_i, std::wcslen(text), text) == 0; }

    Need alternation() {
        Need need = sequence();
        while (!failed && m_i < m_n && m_p[m_i] == L'|') {
            ++m_i;
            const Need branch = sequence();
            if (!need.some || !branch.some) {
                need = Need();
                continue;
            }
            for (const std::string& s : branch.strings)
                if (std::find(need.strings.begin(), need.strings.end(), s) == need.strings.end())
                    need.strings.push_back(s);
        }
        // Every branch must ask, so that a branch matching asks too.
        if (need.some && need.strings.size() > PatternLiterals::MOST_STRINGS)
            need = Need();
        return need;
    }

    // The best of what the sequence's runs of literal text and its atoms' needs ask.
    Need sequence() {
        Need best;
        std::string run;
        const auto endRun = [&] {
            if (!run.empty() && Need::of(run).betterThan(best))
                best = Need::of(run);
            run.clear();
        };
        while (!failed && m_i < m_n && m_p[m_i] != L'|' && m_p[m_i] != L')') {
            char c = 0;
            Need need;
            Atom atom = this->atom(&c, &need);
            long least = 1;
            const bool quantified = readQuantifiers(m_p, &m_i, &least);
            if (quantified && least == 0)
                atom = atom == Atom::ZERO_WIDTH ? Atom::ZERO_WIDTH : Atom::OTHER;
            switch (atom) {
            case Atom::CHARACTER:
                run += c;
                if (quantified)
                    endRun();
                break;
            case Atom::NEED:
                endRun();
                if (need.betterThan(best))
                    best = need;
                break;
            case Atom::ZERO_WIDTH: // the text on either side stays adjacent
                break;
            case Atom::OTHER:
                endRun();
                break;
            }
        }
        endRun();
        return best;
    }

    Atom atom(char* o_char, Need* o_need) {
        const wchar_t c = m_p[m_i];
        switch (c) {
        case L'(': return group(o_need);
        case L'[': {
            ++m_i;
            const size_t start = m_i;
            *o_need = smallBracket();
            if (o_need->some)
                return Atom::NEED;
            m_i = start;
            skipBracket();
            return Atom::OTHER;
        }
        case L'\\': return escape(o_char);
        case L'^':
        case L'$': ++m_i; return Atom::ZERO_WIDTH;
        case L'.': ++m_i; return Atom::OTHER;
        default:
            ++m_i;
            if (c >= 128)
                return Atom::OTHER;
            *o_char = static_cast<char>(c);
            return Atom::CHARACTER;
        }
    }

    Atom group(Need* o_need) {
        if (at(L"(?#")) {
            const size_t close = m_p.find(L')', m_i);
            if (close == std::wstring::npos) {
                failed = true;
                return Atom::OTHER;
            }
            m_i = close + 1;
            return Atom::ZERO_WIDTH;
        }
        if (at(L"(?!") || at(L"(?<!")) {
            m_i += at(L"(?!") ? 3 : 4;
            inner();
            return Atom::ZERO_WIDTH;
        }
        if (at(L"(?=") || at(L"(?<=")) { // what it reads is on the line too
            m_i += at(L"(?=") ? 3 : 4;
            *o_need = inner();
            return o_need->some ? Atom::NEED : Atom::ZERO_WIDTH;
        }
        if (at(L"(?<") || at(L"(?'")) { // a named group
            const wchar_t close = m_p[m_i + 2] == L'<' ? L'>' : L'\'';
            const size_t end = m_p.find(close, m_i + 3);
            if (end == std::wstring::npos) {
                failed = true;
                return Atom::OTHER;
            }
            m_i = end + 1;
            *o_need = inner();
            return o_need->some ? Atom::NEED : Atom::OTHER;
        }
        if (at(L"(?:") || at(L"(?>")) {
            m_i += 3;
            *o_need = inner();
            return o_need->some ? Atom::NEED : Atom::OTHER;
        }
        if (at(L"(?")) {
            // Option letters: case folding or extended mode changes what the text means.
            size_t j = m_i + 2;
            bool on = true;
            for (; j < m_n && m_p[j] && std::wcschr(L"imx-", m_p[j]); ++j) {
                if (m_p[j] == L'-')
                    on = false;
                else if (on && m_p[j] != L'm')
                    failed = true;
            }
            if (failed || j >= m_n || (m_p[j] != L')' && m_p[j] != L':')) {
                failed = true;
                return Atom::OTHER;
            }
            m_i = j + 1;
            if (m_p[j] == L')')
                return Atom::ZERO_WIDTH;
            *o_need = inner();
            return o_need->some ? Atom::NEED : Atom::OTHER;
        }
        ++m_i;
        *o_need = inner();
        return o_need->some ? Atom::NEED : Atom::OTHER;
    }

    Need inner() {
        Need need = alternation();
        if (m_i >= m_n || m_p[m_i] != L')') {
            failed = true;
            return Need();
        }
        ++m_i;
        return need;
    }

    // A bracket expression of a few plain ASCII characters or a short range of them ("[<>]",
    // "[-+*/]", "[a-c]"), after its "[", up to and with its "]": each character asked for on its
    // own. Anything else asks for nothing.
    Need smallBracket() {
        std::string chars;
        const auto plain = [&](size_t at, char* o_char) {
            const wchar_t c = m_p[at];
            if (c >= 128 || c == L'[' || c == L'^' || c == L'&')
                return size_t(0);
            if (c != L'\\') {
                *o_char = static_cast<char>(c);
                return size_t(1);
            }
            if (at + 1 >= m_n)
                return size_t(0);
            const wchar_t e = m_p[at + 1];
            if (e >= 128 || (e >= L'0' && e <= L'9') || (e >= L'a' && e <= L'z') || (e >= L'A' && e <= L'Z'))
                return size_t(0);
            *o_char = static_cast<char>(e);
            return size_t(2);
        };
        bool first = true;
        while (m_i < m_n) {
            if (m_p[m_i] == L']' && !first) {
                ++m_i;
                return chars.empty() ? Need() : Need::eachOf(chars);
            }
            first = false;
            char low = 0;
            const size_t length = plain(m_i, &low);
            if (length == 0)
                return Need();
            m_i += length;
            char high = low;
            if (m_i + 1 < m_n && m_p[m_i] == L'-' && m_p[m_i + 1] != L']') {
                const size_t second = plain(m_i + 1, &high);
                if (second == 0 || high < low)
                    return Need();
                m_i += 1 + second;
            }
            for (int c = low; c <= high; ++c)
                if (chars.find(static_cast<char>(c)) == std::string::npos)
                    chars += static_cast<char>(c);
            if (chars.size() > SMALL_BRACKET)
                return Need();
        }
        return Need();
    }

    // A bracket expression after its "[", up to and with its "]".
    void skipBracket() {
        if (m_i < m_n && m_p[m_i] == L'^')
            ++m_i;
        bool first = true;
        while (m_i < m_n) {
            const wchar_t c = m_p[m_i];
            if (c == L']' && !first) {
                ++m_i;
                return;
            }
            first = false;
            if (at(L"[:")) {
                const size_t close = m_p.find(L":]", m_i + 2);
                if (close == std::wstring::npos)
                    break;
                m_i = close + 2;
            } else if (c == L'[') {
                ++m_i;
                skipBracket();
            } else {
                m_i += c == L'\\' ? 2 : 1;
            }
        }
        failed = true;
    }

    Atom escape(char* o_char) {
        if (m_i + 1 >= m_n) {
            failed = true;
            return Atom::OTHER;
        }
        const wchar_t e = m_p[m_i + 1];
        m_i += 2;
        static const wchar_t* const values = L"t\tn\nv\vf\fr\ra\ae\x1B";
        for (const wchar_t* v = values; *v; v += 2)
            if (e == v[0]) {
                *o_char = static_cast<char>(v[1]);
                return Atom::CHARACTER;
            }
        switch (e) {
        case L'b': case L'B': case L'A': case L'z': case L'Z': case L'G': case L'K':
            return Atom::ZERO_WIDTH;
        case L'x': {
            uint32_t value = 0;
            if (!readCodeEscape(m_p, L'x', &m_i, &value)) {
                failed = true;
                return Atom::OTHER;
            }
            if (value >= 128)
                return Atom::OTHER;
            *o_char = static_cast<char>(value);
            return Atom::CHARACTER;
        }
        case L'p': case L'P': case L'k': case L'g':
            if (m_i < m_n && (m_p[m_i] == L'{' || m_p[m_i] == L'<' || m_p[m_i] == L'\'')) {
                const wchar_t close = m_p[m_i] == L'{' ? L'}' : m_p[m_i] == L'<' ? L'>' : L'\'';
                const size_t end = m_p.find(close, m_i + 1);
                if (end == std::wstring::npos) {
                    failed = true;
                    return Atom::OTHER;
                }
                m_i = end + 1;
            }
            return Atom::OTHER;
        default:
            break;
        }
        if (e == L'u' || (e >= L'0' && e <= L'9')) {
            // A code ("\uHHHH", octal) or a back-reference: its digits go with it.
            for (size_t digits = 0; m_i < m_n && digits < 4 && pel::Ascii::hexDigitValue(m_p[m_i]) >= 0; ++digits)
                ++m_i;
            return Atom::OTHER;
        }
        if (e == L'c' || e == L'C' || e == L'M') {
            failed = true; // control and meta forms
            return Atom::OTHER;
        }
        if ((e >= L'0' && e <= L'9') || (e >= L'a' && e <= L'z') || (e >= L'A' && e <= L'Z') || e >= 128)
            return Atom::OTHER; // classes, back-references, octal codes and forms not read here
        *o_char = static_cast<char>(e);
        return Atom::CHARACTER;
    }

    const std::wstring& m_p;
    const size_t m_n;
    size_t m_i = 0;
};

} // namespace

PatternLiterals::PatternLiterals(const std::wstring& pattern, uint32_t options) {
    if (options & (pel::RegExOptions::EXTENDED | pel::RegExOptions::IGNORE_CASE))
        return;
    Reader reader(pattern);
    const Need need = reader.read();
    if (need.some)
        m_strings = need.strings;
}

bool PatternLiterals::heldBy(const char* text, size_t length, const std::bitset<256>* bytes) const {
    if (m_strings.empty())
        return true;
    const char* end = text + length;
    for (const std::string& s : m_strings) {
        if (bytes && !std::all_of(s.begin(), s.end(), [&](char c) { return (*bytes)[static_cast<unsigned char>(c)]; }))
            continue;
        if (std::search(text, end, s.begin(), s.end()) != end)
            return true;
    }
    return false;
}

} // namespace tessel

#include "service/parser/PatternLiterals.h"
#include "service/parser/PatternNeed.h"
#include "service/parser/PatternSyntax.h"

#include "pel/base/Ascii.h"
#include "pel/text/search/RegEx.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace tessel {

namespace {

using Need = PatternNeed;

// What the text a part of the pattern matched ends in, when known: the characters its last
// character that is not white space may be (ASCII, none white space).
struct Ending {
    bool known = false;
    std::bitset<128> chars;

    static Ending of(const std::string& chars) {
        Ending ending{true, {}};
        for (const char c : chars) {
            if (static_cast<unsigned char>(c) >= 128 || pel::Ascii::isSpace(static_cast<unsigned char>(c)))
                return Ending();
            ending.chars.set(static_cast<unsigned char>(c));
        }
        return ending;
    }
    // What the text ends in when it matched this or other.
    Ending either(const Ending& other) const {
        return known && other.known ? Ending{true, chars | other.chars} : Ending();
    }
};

// The most characters of a bracket expression asked for one by one.
constexpr size_t SMALL_BRACKET = 8;
// The line length, in bytes, past which a line is searched for one clause only.
constexpr size_t LONG_LINE = 4096;

// One atom of a sequence: a character that extends the run of literal text, something that
// matches no text, or anything else; what it needs, and what the text ends in when it matched
// once or more.
enum class Kind { CHARACTER, ZERO_WIDTH, OTHER };
struct Atom {
    Kind kind = Kind::OTHER;
    char c = 0;
    Need need;
    Ending after;
};

// A recursive reading of the pattern's syntax (the engine's Ruby syntax) as far as its literal
// text and its line ends go. Anything it cannot place sets `failed`, and the pattern asks for
// nothing. Our lines hold no line feed but the one at their end, so that "$" matches there only,
// past white space alone.
class Reader {
public:
    explicit Reader(const std::wstring& pattern) : m_p(pattern), m_n(pattern.size()) {}

    bool failed = false;

    Need read() {
        Ending after;
        Need need = alternation(Ending(), &after);
        if (m_i != m_n)
            failed = true;
        return failed ? Need() : need;
    }

private:
    bool at(const wchar_t* text) const { return m_p.compare(m_i, std::wcslen(text), text) == 0; }

    // Each branch starts after `before`.
    Need alternation(const Ending& before, Ending* o_after) {
        Need need = sequence(before, o_after);
        while (!failed && m_i < m_n && m_p[m_i] == L'|') {
            ++m_i;
            Ending after;
            need.orElse(sequence(before, &after));
            *o_after = o_after->either(after);
        }
        return need;
    }

    // What the sequence's runs of literal text and its atoms need.
    Need sequence(Ending ending, Ending* o_after) {
        Need need;
        std::string run;
        const auto endRun = [&] {
            if (!run.empty())
                need.addAll(Need::ofString(run));
            run.clear();
        };
        for (;;) {
            // A comment is nothing at all: a quantifier after it is the atom's before it.
            if (!skipComments(m_p, &m_i))
                failed = true;
            if (failed || m_i >= m_n || m_p[m_i] == L'|' || m_p[m_i] == L')')
                break;
            Atom atom = this->atom(ending);
            long least = 1;
            const bool quantified = readQuantifiers(m_p, &m_i, &least);
            if (quantified && least == 0) {
                atom.need = Need();
                atom.after = ending.either(atom.after);
                if (atom.kind == Kind::CHARACTER)
                    atom.kind = Kind::OTHER;
            }
            switch (atom.kind) {
            case Kind::CHARACTER:
                run += atom.c;
                if (quantified)
                    endRun();
                break;
            case Kind::ZERO_WIDTH: // the text on either side stays adjacent
                break;
            case Kind::OTHER:
                endRun();
                break;
            }
            need.addAll(std::move(atom.need));
            ending = atom.after;
        }
        endRun();
        need.settle();
        *o_after = ending;
        return need;
    }

    Atom atom(const Ending& before) {
        Atom atom;
        atom.after = before;
        const wchar_t c = m_p[m_i];
        switch (c) {
        case L'(':
            group(&atom);
            return atom;
        case L'[': {
            ++m_i;
            const size_t start = m_i;
            const std::string chars = smallBracket();
            if (!chars.empty()) {
                atom.need = Need::ofEachChar(chars);
                if (!std::all_of(chars.begin(), chars.end(), [](char b) { return pel::Ascii::isSpace(static_cast<unsigned char>(b)); }))
                    atom.after = Ending::of(chars);
                return atom;
            }
            m_i = start;
            skipBracket();
            atom.after = Ending();
            return atom;
        }
        case L'\\':
            escape(&atom);
            return atom;
        case L'$':
            ++m_i;
            lineEnd(&atom);
            return atom;
        case L'^':
            ++m_i;
            atom.kind = Kind::ZERO_WIDTH;
            return atom;
        case L'.':
            ++m_i;
            atom.after = Ending();
            return atom;
        default:
            if (c >= 128) {
                m_i += characterLength(m_p, m_i);
                atom.after = Ending();
                return atom;
            }
            ++m_i;
            character(static_cast<char>(c), &atom);
            return atom;
        }
    }

    static void character(char c, Atom* io_atom) {
        io_atom->kind = Kind::CHARACTER;
        io_atom->c = c;
        if (!pel::Ascii::isSpace(static_cast<unsigned char>(c)))
            io_atom->after = Ending::of(std::string(1, c));
    }

    // An anchor at the line's end: what the text before it ends in is what the line ends in.
    static void lineEnd(Atom* io_atom) {
        io_atom->kind = Kind::ZERO_WIDTH;
        if (io_atom->after.known)
            io_atom->need = Need::ofLineEnd(io_atom->after.chars);
    }

    // A group, its inner text read after what the text before it ends in.
    void group(Atom* io_atom) {
        const Ending before = io_atom->after;
        if (at(L"(*")) {
            failed = failed || !skipCallout(m_p, &m_i);
            io_atom->kind = Kind::ZERO_WIDTH;
            return;
        }
        Ending after;
        if (at(L"(?!") || at(L"(?<!")) {
            m_i += at(L"(?!") ? 3 : 4;
            inner(Ending(), &after);
            io_atom->kind = Kind::ZERO_WIDTH;
            return;
        }
        if (at(L"(?=") || at(L"(?<=")) { // what it reads is on the line too
            const bool ahead = at(L"(?=");
            m_i += ahead ? 3 : 4;
            // What a look-ahead reads follows the text before it; a look-behind's ends there.
            io_atom->need = inner(ahead ? before : Ending(), &after);
            io_atom->kind = Kind::ZERO_WIDTH;
            return;
        }
        if (at(L"(?<") || at(L"(?'")) { // a named group
            const wchar_t close = m_p[m_i + 2] == L'<' ? L'>' : L'\'';
            const size_t end = m_p.find(close, m_i + 3);
            if (end == std::wstring::npos) {
                failed = true;
                return;
            }
            m_i = end + 1;
        } else if (at(L"(?:") || at(L"(?>")) {
            m_i += 3;
        } else if (at(L"(?")) {
            // Option letters: case folding or extended mode changes what the text means; the
            // multi-line option changes only what a dot matches.
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
                return;
            }
            m_i = j + 1;
            if (m_p[j] == L')') {
                // Options of their own hold to the end of the group they are in, its later
                // branches too: what is left of the group is theirs.
                io_atom->need = alternation(before, &after);
                io_atom->after = after;
                return;
            }
        } else {
            ++m_i;
        }
        // A repeated group ends as its first round does: each round ends as its branches do,
        // or as the text before it did where a branch matches white space alone.
        io_atom->need = inner(before, &after);
        io_atom->after = after;
    }

    Need inner(const Ending& before, Ending* o_after) {
        Need need = alternation(before, o_after);
        if (m_i >= m_n || m_p[m_i] != L')') {
            failed = true;
            return Need();
        }
        ++m_i;
        return need;
    }

    // A bracket expression of a few plain ASCII characters or a short range of them ("[<>]",
    // "[-+*/]", "[a-c]", "[ \t]"), after its "[", up to and with its "]": its characters, each
    // asked for on its own. Anything else gives none.
    std::string smallBracket() {
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
            if (controlEscape(e, o_char))
                return size_t(2);
            if (e >= 128 || (e >= L'0' && e <= L'9') || (e >= L'a' && e <= L'z') || (e >= L'A' && e <= L'Z'))
                return size_t(0);
            *o_char = static_cast<char>(e);
            return size_t(2);
        };
        bool first = true;
        while (m_i < m_n) {
            if (m_p[m_i] == L']' && !first) {
                ++m_i;
                return chars;
            }
            first = false;
            char low = 0;
            const size_t length = plain(m_i, &low);
            if (length == 0)
                return std::string();
            m_i += length;
            char high = low;
            if (m_i + 1 < m_n && m_p[m_i] == L'-' && m_p[m_i + 1] != L']') {
                const size_t second = plain(m_i + 1, &high);
                if (second == 0 || high < low)
                    return std::string();
                m_i += 1 + second;
            }
            for (int c = low; c <= high; ++c)
                if (chars.find(static_cast<char>(c)) == std::string::npos)
                    chars += static_cast<char>(c);
            if (chars.size() > SMALL_BRACKET)
                return std::string();
        }
        return std::string();
    }

    // The character of an escape of a control character ("\t", "\n"), after its backslash.
    static bool controlEscape(wchar_t e, char* o_char) {
        static const wchar_t* const values = L"t\tn\nv\vf\fr\ra\ae\x1B";
        for (const wchar_t* v = values; *v; v += 2)
            if (e == v[0]) {
                *o_char = static_cast<char>(v[1]);
                return true;
            }
        return false;
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
            std::wstring name;
            const BracketOpening opening = at(L"[:") ? readPosixBracket(m_p, &m_i, &name) : BracketOpening::NESTED;
            if (opening == BracketOpening::OTHER)
                break;
            if (opening == BracketOpening::POSIX) {
                continue;
            } else if (c == L'[') {
                ++m_i;
                skipBracket();
            } else {
                m_i += c == L'\\' ? 2 : 1;
            }
        }
        failed = true;
    }

    void escape(Atom* io_atom) {
        if (m_i + 1 >= m_n) {
            failed = true;
            return;
        }
        const wchar_t e = m_p[m_i + 1];
        m_i += 1 + characterLength(m_p, m_i + 1);
        char c = 0;
        if (controlEscape(e, &c)) {
            character(c, io_atom);
            return;
        }
        switch (e) {
        case L's': // white space alone: what the text ends in stays
            return;
        case L'z': case L'Z':
            lineEnd(io_atom);
            return;
        case L'b': case L'B': case L'A': case L'G': case L'K':
            io_atom->kind = Kind::ZERO_WIDTH;
            return;
        default:
            break;
        }
        io_atom->after = Ending();
        switch (e) {
        case L'x': {
            uint32_t value = 0;
            if (!readCodeEscape(m_p, L'x', &m_i, &value)) {
                failed = true;
                return;
            }
            if (value < 128)
                character(static_cast<char>(value), io_atom);
            return;
        }
        case L'p': case L'P': case L'k': case L'g':
            if (m_i < m_n && (m_p[m_i] == L'{' || m_p[m_i] == L'<' || m_p[m_i] == L'\'')) {
                const wchar_t close = m_p[m_i] == L'{' ? L'}' : m_p[m_i] == L'<' ? L'>' : L'\'';
                const size_t end = m_p.find(close, m_i + 1);
                if (end == std::wstring::npos) {
                    failed = true;
                    return;
                }
                m_i = end + 1;
            }
            return;
        default:
            break;
        }
        if (e == L'u' || (e >= L'0' && e <= L'9')) {
            // A code ("\uHHHH", octal) or a back-reference: its digits go with it.
            for (size_t digits = 0; m_i < m_n && digits < 4 && pel::Ascii::hexDigitValue(m_p[m_i]) >= 0; ++digits)
                ++m_i;
            return;
        }
        if (e == L'c' || e == L'C' || e == L'M') {
            failed = true; // control and meta forms
            return;
        }
        if ((e >= L'0' && e <= L'9') || (e >= L'a' && e <= L'z') || (e >= L'A' && e <= L'Z') || e >= 128)
            return; // classes, back-references, octal codes and forms not read here
        character(static_cast<char>(e), io_atom);
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
    Need need = reader.read();
    m_clauses = std::move(need.clauses);
    for (const Clause& clause : m_clauses) {
        Check check;
        for (const std::string& s : clause) {
            if (s.size() == 1)
                check.bytes.set(static_cast<unsigned char>(s[0]));
            else
                check.longer.push_back(s);
        }
        m_checks.push_back(std::move(check));
    }
    m_asksLineEnd = need.lineEnd;
    m_lineEnds = need.lineEnds;
    if (m_clauses.empty())
        m_leadBytes.set();
    else
        for (const std::string& s : m_clauses.front())
            m_leadBytes.set(static_cast<unsigned char>(s[0]));
}

std::string PatternLiterals::lineEnds() const {
    std::string chars;
    for (size_t c = 0; c < m_lineEnds.size(); ++c)
        if (m_lineEnds[c])
            chars += static_cast<char>(c);
    return chars;
}

bool PatternLiterals::heldBy(LineBytes& line) const {
    if (none())
        return true;
    if (!line.holdsAnyOf(m_leadBytes))
        return false;
    if (m_asksLineEnd) {
        // A last character above ASCII may be white space to the engine, or anything.
        const int last = line.lastNonSpace();
        if (last < 0 || (last < 128 && !m_lineEnds[static_cast<size_t>(last)]))
            return false;
    }
    // What the byte values and pairs rule out first, then what only a search tells.
    bool unsure = false;
    for (const Check& check : m_checks) {
        if (line.holdsAnyOf(check.bytes))
            continue;
        if (std::none_of(check.longer.begin(), check.longer.end(), [&](const std::string& s) { return line.mayHold(s); }))
            return false;
        unsure = true;
    }
    if (!unsure)
        return true;
    // On a long line, where the pairs tell little, one clause is searched for: a search through
    // it costs about what the pattern's own search would.
    size_t searches = line.length() > LONG_LINE ? 1 : m_checks.size();
    for (const Check& check : m_checks) {
        if (line.holdsAnyOf(check.bytes))
            continue;
        if (searches-- == 0)
            break;
        if (std::none_of(check.longer.begin(), check.longer.end(), [&](const std::string& s) { return line.holds(s); }))
            return false;
    }
    return true;
}

bool PatternLiterals::heldBy(const char* text, size_t length) const {
    LineBytes line(text, length);
    return heldBy(line);
}

} // namespace tessel

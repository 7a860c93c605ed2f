#include "PatternGenerator.h"

#include "pel/text/search/RegEx.h"

#include <algorithm>
#include <cwchar>

namespace tessel_test {

namespace {

// The characters of literal text and of the lines: ASCII of each kind the readers tell apart,
// and above it white space, characters that fold to ASCII letters, and two above U+FFFF.
const wchar_t* const ASCII_CHARS = L"abcxyzABKks019 ;,.-+*?()[]{}|^$\\/#:=<>'\"_@!&~%\t";
const wchar_t* const OTHER_CHARS[] = {L"\u00E9", L"\u00DF", L"\u212A", L"\u017F", L"\u00A0", L"\u3000",
                                      L"\u3042", L"\u2126", L"\uFB06", L"\U0001F600", L"\U0001D4B3"};

struct Part {
    std::wstring pattern;
    std::wstring sample;
    bool astral = false;     // one character above U+FFFF
    bool quantifiable = true;
};

bool isAstral(const std::wstring& c) { return c.size() == 2; }

// What matches no text, and takes no quantifier.
Part zeroWidth(const std::wstring& pattern) {
    Part part{pattern, L""};
    part.quantifiable = false;
    return part;
}

// One pattern being written: a recursive descent over the syntax, the sample chosen as it goes.
class Writer {
public:
    Writer(std::mt19937& random, GeneratedPattern& out) : m_random(random), m_out(out) {
        m_named = chance(1, 2);
        m_extended = (out.options & pel::RegExOptions::EXTENDED) != 0;
        m_ignoreCase = (out.options & pel::RegExOptions::IGNORE_CASE) != 0;
    }

    Part write() { return alternation(0); }

private:
    // A group closed so far, which a reference or a call may name.
    struct Group {
        int number;
        std::wstring name;
        std::wstring sample;
    };

    int below(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }
    bool chance(int in, int of) { return below(of) < in; }
    template <class T, size_t N>
    const T& pick(const T (&items)[N]) {
        return items[below(static_cast<int>(N))];
    }
    void note(PatternForm form) { m_out.forms.set(static_cast<size_t>(form)); }
    // A pattern and its sample from a table of them.
    template <size_t N>
    Part pickPart(const wchar_t* const (&table)[N][2]) {
        const auto& row = table[below(static_cast<int>(N))];
        Part part{row[0], row[1]};
        part.astral = isAstral(row[1]);
        return part;
    }
    std::wstring randomChar() {
        if (chance(1, 5))
            return pick(OTHER_CHARS);
        return std::wstring(1, ASCII_CHARS[below(static_cast<int>(std::wcslen(ASCII_CHARS)))]);
    }
    // The sample of a letter where case is ignored: sometimes its other case.
    std::wstring caseOf(const std::wstring& c) {
        if (!m_ignoreCase || c.size() != 1 || !chance(1, 3))
            return c;
        const wchar_t ch = c[0];
        if (ch == L'k')
            return chance(1, 2) ? L"\u212A" : L"K";
        if (ch == L's')
            return chance(1, 2) ? L"\u017F" : L"S";
        if (ch >= L'a' && ch <= L'z')
            return std::wstring(1, static_cast<wchar_t>(ch - 32));
        if (ch >= L'A' && ch <= L'Z')
            return std::wstring(1, static_cast<wchar_t>(ch + 32));
        return c;
    }
    Part keep(Part part) {
        if (!part.sample.empty())
            m_out.pieces.push_back(part.sample);
        return part;
    }

    Part alternation(int depth) {
        const int branches = depth >= 3 || !chance(1, 3) ? 1 : 2 + below(2);
        const int chosen = below(branches);
        Part out;
        // Many a grammar's last branch is the line's end alone: "(?:;|\s*$)".
        const bool endsLine = branches > 1 && !m_plain && chance(1, 3);
        for (int i = 0; i < branches; ++i) {
            const Part branch = endsLine && i == branches - 1 ? Part{lineEnd(), L""} : sequence(depth);
            out.pattern += (i ? L"|" : L"") + branch.pattern;
            if (i == chosen)
                out.sample = branch.sample;
        }
        return keep(out);
    }

    Part sequence(int depth) {
        const int items = chance(1, 12) ? 0 : 1 + below(depth == 0 ? 5 : 3);
        Part out;
        for (int i = 0; i < items; ++i) {
            out.pattern += filler();
            const Part part = item(depth);
            out.pattern += part.pattern;
            out.sample += part.sample;
        }
        // Many a grammar's branch ends at the line's end, or is nothing else.
        if (!m_plain && chance(1, 5))
            out.pattern += lineEnd();
        return out;
    }

    // What extended mode skips between items.
    std::wstring filler() {
        if (!m_extended || !chance(1, 3))
            return std::wstring();
        static const wchar_t* const fillers[] = {L" ", L"\t", L"  ", L"# a note (x|\n", L"#\n", L" # b\n "};
        return pick(fillers);
    }

    Part item(int depth) {
        Part part = atom(depth);
        if (part.quantifiable && chance(2, 5))
            quantify(part);
        return part;
    }

    // The kinds of atom, and how often each is written (out of the sum of the weights); in a
    // look-around only those up to GROUP.
    enum class Kind { LITERAL, ESCAPE, BRACKET, PROPERTY, ASTRAL, BRACES, DOT, GROUP, LOOK_AROUND, REFERENCE, CALL,
                      ANCHOR, COMMENT, CALLOUT, OPTION, COUNT };
    Kind kind() {
        static const int weights[] = {24, 6, 7, 3, 4, 2, 2, 12, 6, 4, 3, 5, 4, 3, 5};
        static_assert(sizeof(weights) / sizeof(weights[0]) == static_cast<size_t>(Kind::COUNT), "a weight for each");
        const size_t kinds = m_plain ? static_cast<size_t>(Kind::GROUP) + 1 : static_cast<size_t>(Kind::COUNT);
        int sum = 0;
        for (size_t k = 0; k < kinds; ++k)
            sum += weights[k];
        int drawn = below(sum);
        size_t k = 0;
        while (drawn >= weights[k])
            drawn -= weights[k++];
        return static_cast<Kind>(k);
    }

    Part atom(int depth) {
        const bool nested = depth < 3;
        switch (kind()) {
        case Kind::ESCAPE: return escape();
        case Kind::BRACKET: return bracket();
        case Kind::PROPERTY: return property();
        case Kind::ASTRAL: return astral();
        case Kind::BRACES: return braces();
        case Kind::DOT: return Part{L".", std::wstring(1, L"ax;\u00E9 "[below(5)])};
        case Kind::GROUP: return nested ? group(depth) : literal();
        case Kind::LOOK_AROUND: return nested ? lookAround(depth) : literal();
        case Kind::REFERENCE: return reference(false);
        case Kind::CALL: return reference(true);
        case Kind::ANCHOR: return anchor();
        case Kind::COMMENT: return comment();
        case Kind::CALLOUT: return callout();
        case Kind::OPTION: return option();
        default: return literal();
        }
    }

    Part literal() {
        const std::wstring c = randomChar();
        Part part{escapeLiteral(c), caseOf(c)};
        part.astral = isAstral(c);
        return part;
    }

    std::wstring escapeLiteral(const std::wstring& c) {
        if (c.size() != 1)
            return c;
        const wchar_t ch = c[0];
        if (ch == L']' || ch == L'}')
            return chance(1, 2) ? c : L"\\" + c; // literal either way
        if (std::wcschr(L"\\^$.|?*+()[{", ch))
            return L"\\" + c;
        if (ch == L'\t')
            return m_extended || chance(1, 2) ? L"\\t" : c;
        if (m_extended && (ch == L' ' || ch == L'#'))
            return L"\\" + c;
        return c;
    }

    Part escape() {
        static const wchar_t* const escapes[][2] = {
            {L"\\t", L"\t"},     {L"\\x41", L"A"},    {L"\\x{62}", L"b"},       {L"\\u0063", L"c"},
            {L"\\101", L"A"},    {L"\\x{E9}", L"\u00E9"}, {L"\\u212A", L"\u212A"}, {L"\\w", L"a"},
            {L"\\w", L"_"},      {L"\\w", L"\u00E9"}, {L"\\d", L"1"},           {L"\\s", L" "},
            {L"\\s", L"\u3000"}, {L"\\h", L"f"},      {L"\\W", L";"},           {L"\\S", L"x"},
            {L"\\D", L"-"},      {L"\\H", L"z"},      {L"\\R", L"\r"},          {L"\\N", L"q"},
            {L"\\O", L"o"},      {L"\\X", L"e"},      {L"\\.", L"."},           {L"\\-", L"-"},
            {L"\\/", L"/"},      {L"\\#", L"#"},      {L"\\ ", L" "},           {L"\\e", L"\x1B"},
            {L"\\a", L"\a"},     {L"\\v", L"\v"},     {L"\\f", L"\f"},          {L"\\x{1F600}", L"\U0001F600"}};
        return pickPart(escapes);
    }

    Part astral() {
        static const wchar_t* const forms[][2] = {{L"\U0001F600", L"\U0001F600"},
                                                  {L"\U0001D4B3", L"\U0001D4B3"},
                                                  {L"\\x{1F600}", L"\U0001F600"}};
        return pickPart(forms);
    }

    Part property() {
        note(PatternForm::PROPERTY);
        static const wchar_t* const properties[][2] = {
            {L"\\p{L}", L"x"},     {L"\\p{L}", L"\u00E9"}, {L"\\p{^L}", L"1"},    {L"\\P{L}", L";"},
            {L"\\p{Lu}", L"K"},    {L"\\p{Digit}", L"2"},  {L"\\p{Alnum}", L"b"}, {L"\\p{Space}", L" "},
            {L"\\p{Greek}", L"\u03B1"}, {L"\\p{Punct}", L";"}, {L"\\p{Word}", L"_"}, {L"\\p{^Word}", L"-"},
            {L"\\P{Alpha}", L"+"}, {L"\\p{Lower}", L"a"},  {L"\\p{Upper}", L"\u212A"}};
        return pickPart(properties);
    }

    // A bracket expression: its pattern, and a character it likely holds as the sample.
    Part bracket() {
        Part out{L"[", L""};
        std::vector<std::wstring> held;
        const bool negated = chance(1, 5);
        if (negated) {
            note(PatternForm::CLASS_NEGATION);
            out.pattern += L"^";
        }
        const int members = 1 + below(3);
        for (int i = 0; i < members; ++i)
            out.pattern += member(&held);
        if (chance(1, 6)) {
            note(PatternForm::CLASS_INTERSECTION);
            out.pattern += L"&&";
            std::vector<std::wstring> right;
            out.pattern += chance(1, 2) ? member(&right) : L"[^" + member(&right) + L"]";
        }
        out.pattern += L"]";
        out.sample = negated || held.empty() ? randomChar() : held[below(static_cast<int>(held.size()))];
        out.sample = caseOf(out.sample);
        return out;
    }

    // One member of a bracket expression; the characters it holds go to held.
    std::wstring member(std::vector<std::wstring>* held) {
        static const wchar_t* const ranges[][2] = {{L"a-c", L"b"}, {L"0-9", L"1"}, {L"x-z", L"y"}, {L"\\x{E0}-\\x{FF}", L"\u00E9"},
                                                   {L"\U0001F600-\U0001F602", L"\U0001F601"}, {L"!-/", L"+"}, {L"--/", L"."}};
        static const wchar_t* const sets[][2] = {{L"\\w", L"k"}, {L"\\d", L"0"}, {L"\\s", L"\t"}, {L"\\h", L"A"},
                                                 {L"\\W", L"#"}, {L"\\p{L}", L"\u00DF"}, {L"\\p{^Lu}", L"z"}};
        // The last two open no POSIX bracket: to the engine they are a nested bracket expression
        // of ":", "a" (and "b").
        static const wchar_t* const posix[][2] = {{L"[:alpha:]", L"q"}, {L"[:digit:]", L"7"}, {L"[:space:]", L" "},
                                                  {L"[:punct:]", L";"}, {L"[:^alpha:]", L"3"}, {L"[:word:]", L"_"},
                                                  {L"[:upper:]", L"B"}, {L"[:xdigit:]", L"e"}, {L"[:^space:]", L"x"},
                                                  {L"[:a]", L":"},      {L"[:ab]", L"b"}};
        const auto holding = [&](const Part& part) {
            held->push_back(part.sample);
            return part.pattern;
        };
        switch (below(10)) {
        case 0: return holding(pickPart(ranges));
        case 1: return holding(pickPart(sets));
        case 2: case 3:
            note(PatternForm::POSIX_BRACKET);
            return holding(pickPart(posix));
        case 4: {
            std::vector<std::wstring> inner;
            const std::wstring nested = L"[" + member(&inner) + L"]";
            held->insert(held->end(), inner.begin(), inner.end());
            return nested;
        }
        default: {
            const std::wstring c = randomChar();
            held->push_back(c);
            if (c == L"\t")
                return L"\\t";
            return c.size() == 1 && std::wcschr(L"\\]-[^&", c[0]) ? L"\\" + c : c;
        }
        }
    }

    // Braces that make no interval, literal text to the engine.
    Part braces() {
        static const wchar_t* const texts[] = {L"{", L"{a}", L"{,}", L"{x,1}", L"{1,2", L"{}", L"{1a}"};
        const std::wstring text = pick(texts);
        return Part{text, text};
    }

    Part group(int depth) {
        const bool savedExtended = m_extended;
        const bool savedIgnoreCase = m_ignoreCase;
        std::wstring open;
        std::wstring name;
        bool captures = false;
        switch (below(m_plain ? 6 : 10)) {
        case 0: open = L"(?:"; break;
        case 1: open = L"(?>"; break;
        case 2: open = L"(?i:"; m_ignoreCase = true; note(PatternForm::INLINE_OPTION); break;
        case 3: open = L"(?-i:"; m_ignoreCase = false; break;
        case 4: open = L"(?m:"; break;
        case 5: open = L"(?x:"; m_extended = true; note(PatternForm::EXTENDED_OPTION); break;
        default:
            captures = true;
            if (m_named) {
                name = L"g" + std::to_wstring(m_opened + 1);
                open = chance(1, 2) ? L"(?<" + name + L">" : L"(?'" + name + L"'";
            } else {
                open = L"(";
            }
            break;
        }
        const int number = captures ? ++m_opened : 0;
        const Part body = alternation(depth + 1);
        m_extended = savedExtended;
        m_ignoreCase = savedIgnoreCase;
        if (captures)
            m_closed.push_back(Group{number, name, body.sample});
        return Part{open + body.pattern + L")", body.sample};
    }

    Part lookAround(int depth) {
        static const wchar_t* const opens[] = {L"(?=", L"(?!", L"(?<=", L"(?<!"};
        const int kind = below(4);
        note(kind < 2 ? PatternForm::LOOK_AHEAD : PatternForm::LOOK_BEHIND);
        const bool savedPlain = m_plain;
        const bool savedBounded = m_bounded;
        m_plain = true;
        m_bounded = m_bounded || kind >= 2;
        const Part body = alternation(depth + 2);
        m_plain = savedPlain;
        m_bounded = savedBounded;
        Part out = zeroWidth(opens[kind] + body.pattern + L")");
        // Half the time what a positive one reads is also matched beside it, so that its sample
        // holds: "(?=X)(?:X)", "(?:X)(?<=X)".
        if ((kind == 0 || kind == 2) && chance(1, 2)) {
            const std::wstring copy = L"(?:" + body.pattern + L")";
            out.pattern = kind == 0 ? out.pattern + copy : copy + out.pattern;
            out.sample = body.sample;
        }
        return out;
    }

    // A back-reference or a subroutine call of a group closed before it.
    Part reference(bool call) {
        if (m_closed.empty())
            return literal();
        const Group& group = m_closed[below(static_cast<int>(m_closed.size()))];
        note(call ? PatternForm::SUBROUTINE_CALL : PatternForm::BACK_REFERENCE);
        const std::wstring letter = call ? L"\\g" : L"\\k";
        std::wstring pattern;
        if (m_named) {
            pattern = letter + (chance(1, 2) ? L"<" + group.name + L">" : L"'" + group.name + L"'");
        } else {
            switch (below(3)) {
            case 0:
                pattern = call || group.number > 9 ? letter + L"<" + std::to_wstring(group.number) + L">"
                                                   : L"\\" + std::to_wstring(group.number);
                break;
            case 1: pattern = letter + L"'" + std::to_wstring(group.number) + L"'"; break;
            default: pattern = letter + L"<-" + std::to_wstring(m_opened - group.number + 1) + L">"; break;
            }
        }
        return Part{pattern, group.sample};
    }

    Part anchor() {
        static const wchar_t* const anchors[] = {L"^", L"$", L"\\A", L"\\z", L"\\Z", L"\\G", L"\\b", L"\\B", L"\\K"};
        return zeroWidth(pick(anchors));
    }

    // The line's end, white space maybe before it, as grammars ask for it most.
    std::wstring lineEnd() {
        static const wchar_t* const ends[] = {L"\\s*$", L"\\s*+$", L"[ \\t]*$", L"(?=\\s*$)", L"\\s*\\z", L"\\s*\\Z", L"$"};
        const std::wstring end = pick(ends);
        return m_extended && end.find(L' ') != std::wstring::npos ? L"$" : end;
    }

    std::wstring commentText() {
        note(PatternForm::COMMENT);
        static const wchar_t* const texts[] = {L"note", L"a|b", L"(x", L"*", L"", L"a\\)(x", L"\\\\", L"x\\)\\)y", L"\\(?"};
        const std::wstring text = pick(texts);
        if (text.find(L'\\') != std::wstring::npos)
            note(PatternForm::COMMENT_ESCAPE);
        return L"(?#" + text + L")";
    }

    Part comment() { return zeroWidth(commentText()); }

    Part callout() {
        note(PatternForm::CALLOUT);
        static const wchar_t* const callouts[] = {L"(*COUNT)", L"(*MAX{2})", L"(*TOTAL_COUNT)", L"(*COUNT[t]{X})",
                                                  L"(*MAX[m]{3})", L"(*CMP{5,>=,3})"};
        return zeroWidth(pick(callouts));
    }

    // An option that holds to the end of its group, the group's later branches too.
    Part option() {
        note(PatternForm::INLINE_OPTION);
        static const wchar_t* const options[] = {L"(?i)", L"(?-i)", L"(?m)", L"(?x)", L"(?im)", L"(?i-x)", L"(?-x)"};
        const std::wstring text = pick(options);
        const size_t minus = text.find(L'-');
        const auto turns = [&](wchar_t letter, bool* io_on) {
            const size_t at = text.find(letter);
            if (at != std::wstring::npos)
                *io_on = minus == std::wstring::npos || at < minus;
        };
        turns(L'i', &m_ignoreCase);
        turns(L'x', &m_extended);
        if (m_extended)
            note(PatternForm::EXTENDED_OPTION);
        return zeroWidth(text);
    }

    // Quantifiers after the part, its sample repeated as they let it.
    void quantify(Part& part) {
        const int n = below(4);
        const int m = n + below(3);
        int low = 0;
        int high = 0;
        std::wstring q;
        const int kinds = m_bounded ? 8 : 14;
        switch (below(kinds)) {
        case 0: q = L"?"; high = 1; break;
        case 1: q = L"{" + std::to_wstring(n) + L"}"; low = high = n; note(PatternForm::FIXED_INTERVAL); break;
        case 2: q = L"{" + std::to_wstring(n) + L"," + std::to_wstring(m) + L"}"; low = n; high = m; note(PatternForm::RANGED_INTERVAL); break;
        case 3: q = L"{," + std::to_wstring(m) + L"}"; high = m; note(PatternForm::RANGED_INTERVAL); break;
        case 4: q = L"{" + std::to_wstring(n) + L"}?"; high = n; note(PatternForm::OPTIONAL_INTERVAL); break;
        case 5:
            q = L"{" + std::to_wstring(n) + L"," + std::to_wstring(m) + L"}?";
            low = n;
            high = m;
            note(PatternForm::LAZY_INTERVAL);
            break;
        case 6:
            // Reversed: the possessive {n,m+1}, then maybe a quantifier of its own.
            q = L"{" + std::to_wstring(m + 1) + L"," + std::to_wstring(n) + L"}" + pick({L"", L"?", L"+"});
            high = n;
            note(PatternForm::REVERSED_INTERVAL);
            break;
        case 7: q = pick({L"??", L"?+"}); high = 1; note(q[1] == L'?' ? PatternForm::LAZY : PatternForm::POSSESSIVE); break;
        case 8: q = L"*"; high = 2; break;
        case 9: q = L"+"; low = 1; high = 2; break;
        case 10: q = L"{" + std::to_wstring(n) + L",}"; low = n; high = n + 1; note(PatternForm::RANGED_INTERVAL); break;
        case 11:
            q = L"{" + std::to_wstring(n) + (chance(1, 2) ? L"" : L"," + std::to_wstring(m)) + L"}+";
            low = n;
            high = 2 * m;
            note(PatternForm::REPEATED_INTERVAL);
            break;
        case 12: q = pick({L"*?", L"+?"}); low = q[0] == L'+'; high = 2; note(PatternForm::LAZY); break;
        default: q = pick({L"*+", L"++"}); low = q[0] == L'+'; high = 2; note(PatternForm::POSSESSIVE); break;
        }
        // A comment (or in extended mode white space) between the atom and its quantifier, or
        // inside a quantifier: the engine skips it.
        if (chance(1, 6)) {
            note(PatternForm::QUANTIFIED_COMMENT);
            const size_t at = q.size() > 1 && q[0] != L'{' && chance(1, 3) ? 1 : 0;
            q.insert(at, commentText());
        } else if (m_extended && chance(1, 3)) {
            q.insert(0, L" ");
        }
        if (part.astral)
            note(PatternForm::ASTRAL_QUANTIFIED);
        const int count = low + below(high - low + 1);
        std::wstring sample;
        for (int i = 0; i < count; ++i)
            sample += part.sample;
        part.pattern += q;
        part.sample = sample;
        part.astral = false;
        if (chance(1, 12))
            quantify(part);
    }

    std::wstring pick(std::initializer_list<const wchar_t*> items) { return items.begin()[below(static_cast<int>(items.size()))]; }

    std::mt19937& m_random;
    GeneratedPattern& m_out;
    bool m_named = false;     // groups capture by name, so numbers refer to none
    bool m_extended = false;  // white space and # comments are skipped
    bool m_ignoreCase = false;
    bool m_plain = false;     // in a look-around: no captures, references, calls, callouts or options
    bool m_bounded = false;   // in a look-behind: bounded quantifiers only
    int m_opened = 0;         // capturing groups opened so far
    std::vector<Group> m_closed;
};

} // namespace

const char* formName(PatternForm form) {
    static const char* const names[] = {
        "fixed interval",   "ranged interval",     "lazy interval",      "optional fixed interval",
        "reversed interval", "repeated interval",  "possessive",         "lazy",
        "comment",          "comment escape",      "quantifier after a comment", "callout",
        "inline option",    "extended option",     "look-ahead",         "look-behind",
        "back-reference",   "subroutine call",     "quantified character above U+FFFF", "POSIX bracket",
        "class intersection", "class negation",    "property"};
    static_assert(sizeof(names) / sizeof(names[0]) == PATTERN_FORMS, "a name for each form");
    return names[static_cast<size_t>(form)];
}

GeneratedPattern PatternGenerator::next() {
    GeneratedPattern out;
    const unsigned options = m_random() % 25;
    out.options = options == 0 ? pel::RegExOptions::IGNORE_CASE
                  : options == 1 ? pel::RegExOptions::EXTENDED
                  : options == 2 ? pel::RegExOptions::MULTILINE
                                 : 0;
    Writer writer(m_random, out);
    const Part part = writer.write();
    out.pattern = part.pattern;
    out.sample = part.sample;
    return out;
}

std::vector<std::wstring> PatternGenerator::linesFor(const GeneratedPattern& pattern, const tessel::PatternLiterals& literals) {
    const auto below = [&](size_t n) { return n == 0 ? 0 : static_cast<size_t>(m_random() % n); };
    const auto filler = [&]() -> std::wstring {
        switch (below(4)) {
        case 0: return std::wstring();
        case 1: return pattern.pieces.empty() ? std::wstring() : pattern.pieces[below(pattern.pieces.size())];
        case 2: return std::wstring(1, ASCII_CHARS[below(std::wcslen(ASCII_CHARS))]);
        default: return OTHER_CHARS[below(sizeof(OTHER_CHARS) / sizeof(OTHER_CHARS[0]))];
        }
    };
    // Whole characters only: a pair is never split.
    const auto characterAt = [&](const std::wstring& s, size_t* io_at) {
        if (*io_at > 0 && *io_at < s.size() && s[*io_at] >= 0xDC00 && s[*io_at] <= 0xDFFF)
            --*io_at;
        return *io_at + 1 < s.size() && s[*io_at] >= 0xD800 && s[*io_at] <= 0xDBFF ? size_t(2) : size_t(1);
    };
    const std::wstring& sample = pattern.sample;
    std::vector<std::wstring> lines;
    lines.push_back(sample);
    lines.push_back(filler() + sample + filler());
    if (!sample.empty()) {
        size_t at = below(sample.size());
        const size_t length = characterAt(sample, &at);
        std::wstring left = sample;
        lines.push_back(left.erase(at, length));
        std::wstring changed = sample;
        lines.push_back(changed.replace(at, length, filler()));
        std::wstring added = sample;
        lines.push_back(added.insert(at, filler()));
        // Where the match begins, another character.
        size_t first = 0;
        std::wstring begun = sample;
        lines.push_back(begun.replace(0, characterAt(sample, &first), filler()));
    }
    // What the literals ask for, each clause held once; and the same with one clause or the line
    // end left out.
    std::wstring asked;
    std::wstring nearly;
    const size_t dropped = below(literals.clauses().size() + 1);
    for (size_t i = 0; i < literals.clauses().size(); ++i) {
        const auto& clause = literals.clauses()[i];
        const std::string& s = clause[below(clause.size())];
        const std::wstring text = filler() + std::wstring(s.begin(), s.end());
        asked += text;
        if (i != dropped)
            nearly += text;
    }
    if (literals.asksLineEnd()) {
        const std::string ends = literals.lineEnds();
        asked += static_cast<wchar_t>(ends[below(ends.size())]);
        nearly += dropped == literals.clauses().size() ? filler() : std::wstring(1, static_cast<wchar_t>(ends[below(ends.size())]));
    }
    lines.push_back(asked);
    lines.push_back(nearly);
    std::wstring random;
    for (size_t i = below(6); i > 0; --i)
        random += filler();
    lines.push_back(random);
    // As the document gives them: a line feed only at the end, white space maybe before it.
    static const wchar_t* const ends[] = {L"", L"\n", L"\n", L"\n", L" \n", L"\r\n", L"\t\n", L"\u00A0"};
    for (std::wstring& line : lines) {
        line.erase(std::remove(line.begin(), line.end(), L'\n'), line.end());
        line += ends[below(sizeof(ends) / sizeof(ends[0]))];
    }
    return lines;
}

} // namespace tessel_test

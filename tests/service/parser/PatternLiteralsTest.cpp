#include "service/parser/PatternLiterals.h"

#include "pel/text/Utf8Text.h"
#include "pel/text/search/RegEx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>

using tessel::PatternLiterals;

namespace {

// What is asked for: each clause's strings joined by "|", the clauses by " & ", then "$[...]"
// with the characters a line may end in when that is asked; "" for nothing.
std::string asked(const std::wstring& pattern, uint32_t options = 0) {
    std::string joined;
    const PatternLiterals literals(pattern, options);
    for (const PatternLiterals::Clause& clause : literals.clauses()) {
        joined += joined.empty() ? "" : " & ";
        for (const std::string& s : clause)
            joined += (&s == clause.data() ? "" : "|") + s;
    }
    if (literals.asksLineEnd())
        joined += (joined.empty() ? "$[" : " $[") + literals.lineEnds() + "]";
    return joined;
}

// Two patterns of a JavaScript grammar in wide use that never match on most lines: the start of
// an arrow function's parameters, and an "async" before a generic arrow function's parameters
// that end their line.
const wchar_t* const ARROW_PARAMETERS =
    LR"js((?:(?<![$_[:alnum:]])(?:(?<=\.\.\.)|(?<!\.))\b(async))?((?<![]!)}])\s*(?=((<\s*(((const\s+)?[$_[:alp)js"
    LR"js(ha:]])|(\{([^{}]|(\{([^{}]|\{[^{}]*})*}))*})|(\(([^()]|(\(([^()]|\([^()]*\))*\)))*\))|(\[([^]\[]|(\[)js"
    LR"js(([^]\[]|\[[^]\[]*])*]))*]))([^<=>]|=[^<]|<\s*(((const\s+)?[$_[:alpha:]])|(\{([^{}]|(\{([^{}]|\{[^{}])js"
    LR"js(*})*}))*})|(\(([^()]|(\(([^()]|\([^()]*\))*\)))*\))|(\[([^]\[]|(\[([^]\[]|\[[^]\[]*])*]))*]))([^<=>])js"
    LR"js(|=[^<]|<\s*(((const\s+)?[$_[:alpha:]])|(\{([^{}]|(\{([^{}]|\{[^{}]*})*}))*})|(\(([^()]|(\(([^()]|\([)js"
    LR"js(^()]*\))*\)))*\))|(\[([^]\[]|(\[([^]\[]|\[[^]\[]*])*]))*]))([^<=>]|=[^<])*>)*>)*>\s*)?\(\s*(/\*([^*])js"
    LR"js(|(\*[^/]))*\*/\s*)*((\)\s*:)|((\.\.\.\s*)?[$_[:alpha:]][$_[:alnum:]]*\s*:)))|(<\s*[$_[:alpha:]][$_[:)js"
    LR"js(alnum:]]*\s+extends\s*[^=>])|((<\s*(((const\s+)?[$_[:alpha:]])|(\{([^{}]|(\{([^{}]|\{[^{}]*})*}))*}))js"
    LR"js(|(\(([^()]|(\(([^()]|\([^()]*\))*\)))*\))|(\[([^]\[]|(\[([^]\[]|\[[^]\[]*])*]))*]))([^<=>]|=[^<]|<\s)js"
    LR"js(*(((const\s+)?[$_[:alpha:]])|(\{([^{}]|(\{([^{}]|\{[^{}]*})*}))*})|(\(([^()]|(\(([^()]|\([^()]*\))*\)js"
    LR"js()))*\))|(\[([^]\[]|(\[([^]\[]|\[[^]\[]*])*]))*]))([^<=>]|=[^<]|<\s*(((const\s+)?[$_[:alpha:]])|(\{([)js"
    LR"js(^{}]|(\{([^{}]|\{[^{}]*})*}))*})|(\(([^()]|(\(([^()]|\([^()]*\))*\)))*\))|(\[([^]\[]|(\[([^]\[]|\[[^)js"
    LR"js(]\[]*])*]))*]))([^<=>]|=[^<])*>)*>)*>\s*)?\(\s*(/\*([^*]|(\*[^/]))*\*/\s*)*(([$_[:alpha:]]|(\{([^{}])js"
    LR"js(|(\{([^{}]|\{[^{}]*})*}))*})|(\[([^]\[]|(\[([^]\[]|\[[^]\[]*])*]))*])|(\.\.\.\s*[$_[:alpha:]]))([^"')js"
    LR"js(()`]|(\(([^()]|(\(([^()]|\([^()]*\))*\)))*\))|('([^'\\]|\\.)*')|("([^"\\]|\\.)*")|(`([^\\`]|\\.)*`)))js"
    LR"js(*)?\)(\s*:\s*([^()<>{}]|<([^<>]|<([^<>]|<[^<>]+>)+>)+>|\([^()]+\)|\{[^{}]+})+)?\s*=>))))js";
const wchar_t* const ASYNC_BEFORE_PARAMETERS_AT_LINE_END =
    LR"js((?<=[(,=]|=>|^return|[^$._[:alnum:]]return)\s*(async)?(?=\s*((((<\s*(((const\s+)?[$_[:alpha:]])|(\{()js"
    LR"js([^{}]|(\{([^{}]|\{[^{}]*})*}))*})|(\(([^()]|(\(([^()]|\([^()]*\))*\)))*\))|(\[([^]\[]|(\[([^]\[]|\[[)js"
    LR"js(^]\[]*])*]))*]))([^<=>]|=[^<]|<\s*(((const\s+)?[$_[:alpha:]])|(\{([^{}]|(\{([^{}]|\{[^{}]*})*}))*})|)js"
    LR"js((\(([^()]|(\(([^()]|\([^()]*\))*\)))*\))|(\[([^]\[]|(\[([^]\[]|\[[^]\[]*])*]))*]))([^<=>]|=[^<]|<\s*)js"
    LR"js((((const\s+)?[$_[:alpha:]])|(\{([^{}]|(\{([^{}]|\{[^{}]*})*}))*})|(\(([^()]|(\(([^()]|\([^()]*\))*\))js"
    LR"js())*\))|(\[([^]\[]|(\[([^]\[]|\[[^]\[]*])*]))*]))([^<=>]|=[^<])*>)*>)*>\s*))?\()|(<)|((<\s*(((const\s)js"
    LR"js(+)?[$_[:alpha:]])|(\{([^{}]|(\{([^{}]|\{[^{}]*})*}))*})|(\(([^()]|(\(([^()]|\([^()]*\))*\)))*\))|(\[)js"
    LR"js(([^]\[]|(\[([^]\[]|\[[^]\[]*])*]))*]))([^<=>]|=[^<]|<\s*(((const\s+)?[$_[:alpha:]])|(\{([^{}]|(\{([^)js"
    LR"js({}]|\{[^{}]*})*}))*})|(\(([^()]|(\(([^()]|\([^()]*\))*\)))*\))|(\[([^]\[]|(\[([^]\[]|\[[^]\[]*])*])))js"
    LR"js(*]))([^<=>]|=[^<]|<\s*(((const\s+)?[$_[:alpha:]])|(\{([^{}]|(\{([^{}]|\{[^{}]*})*}))*})|(\(([^()]|(\)js"
    LR"js((([^()]|\([^()]*\))*\)))*\))|(\[([^]\[]|(\[([^]\[]|\[[^]\[]*])*]))*]))([^<=>]|=[^<])*>)*>)*>\s*)))\s)js"
    LR"js(*$))js";

} // namespace

TEST(PatternLiterals, AsksForTheLongestRunOrEachBranchsRun) {
    EXPECT_EQ("module|namespace", asked(L"(?<![$_[:alnum:]])(?:\\b(export)\\s+)?\\b(namespace|module)\\s+"));
    EXPECT_EQ("prototype & .", asked(L"(?:[$_[:alpha:]][$_[:alnum:]]*)(?=\\s*\\??\\.\\s*prototype\\b(?!\\$))"));
    EXPECT_EQ("/", asked(L"(?<!\\+\\+|--)(?<=[!(+,:=>?\\[]|^await)\\s*(\\/)(?![\\/*])"));
    EXPECT_EQ("ab", asked(L"a\\bb")) << "what matches no text keeps its sides together";
    EXPECT_EQ("xa & b", asked(L"xa+b")) << "a repeated character ends its run";
    EXPECT_EQ("c", asked(L"a?b*c"));
    EXPECT_EQ("=>", asked(L"\\s*(=>)"));
    EXPECT_EQ("#include", asked(L"^\\s*#include\\b"));
    EXPECT_EQ("\n", asked(L"(?<=\\n)"));
    EXPECT_EQ("A.", asked(L"\\x41\\."));
    EXPECT_EQ("{", asked(L"x{,2}\\{")) << "an interval that lets x go";
    EXPECT_EQ("abc", asked(L"(?<name>abc)|(?:abc)"));
    EXPECT_EQ("x", asked(L"(?<!abc)x"));
    EXPECT_EQ("!=|<|==|>", asked(L"!=|<=|>=|==|[<>]")) << "a small bracket asks for each of its characters, "
                                                           "and \"<\" stands for \"<=\"";
    EXPECT_EQ("%|*|+|-|/", asked(L"[-%*+\\/]"));
    EXPECT_EQ("d & a|b|c", asked(L"[a-c]+d|abcd")) << "each branch needs \"d\" and one of a, b, c";
    EXPECT_EQ("t", asked(L"\u00E9t\u00E9")) << "characters above ASCII end runs";
    EXPECT_EQ("", asked(L"\\u0041\\012\\1")) << "codes and back-references ask for nothing";
}

TEST(PatternLiterals, AsksForNothingWhereItCannotTell) {
    for (const wchar_t* pattern : {L"a|", L"(?:if|)", L"[^ab]", L"[a-z]", L"[\\w.]", L"[[:alpha:]]", L".", L"\\w+", L"(?i)abc", L"(?i:abc)", L"(?x) abc",
                                   L"(?:abc)?", L"(?!abc)", L"\\1", L"\\p{L}", L"\\u0041", L"(abc", L"[abc", L"\\",
                                   L"\\cA"})
        EXPECT_EQ("", asked(pattern)) << std::string(pattern, pattern + std::wcslen(pattern));
    EXPECT_EQ("", asked(L"abc", pel::RegExOptions::IGNORE_CASE));
    EXPECT_EQ("", asked(L"abc", pel::RegExOptions::EXTENDED));
    std::wstring many = L"(?:w0y";
    for (int i = 1; i <= 70; ++i)
        many += L"|w" + std::to_wstring(i) + L"y";
    EXPECT_EQ("", asked(many + L")")) << "more strings than are worth looking for";
}

TEST(PatternLiterals, AsksForEachClauseOfASequenceAndForEitherOfEachPairOfBranchesClauses) {
    EXPECT_EQ("abc & def & x|y", asked(L"abc(?:x|y)def"));
    EXPECT_EQ("ab|cd & ef|gh", asked(L"(?:ab|cd)(?:ef|gh)"));
    EXPECT_EQ("a|x & a|y & b|x & b|y", asked(L"(a)b|x(y)"));
    EXPECT_EQ("ab", asked(L"ab(?:b|c)")) << "a line holding \"ab\" holds one of \"b\", \"c\"";
    EXPECT_EQ("abcd", asked(L"(?=abcd)(?:ab|cd)")) << "a line holding \"abcd\" holds \"ab\"";
    EXPECT_EQ("ab|xy & ab|cd", asked(L"(?:ab|xy)(?:ab|cd)|ab"));
    EXPECT_EQ("abc|x", asked(L"(?:abc|x)(?:ab|x)")) << "a clause implied by another is left out";
    EXPECT_EQ("d4444 & c333 & b22 & a1 & e5 & f6", asked(L"a1.b22.c333.d4444.e5.f6.g7")) << "the best few are kept";
    EXPECT_EQ("ab & c", asked(L"a(?=x|\\w)b(?=.*c)")) << "a look-ahead keeps its sides together";
    EXPECT_EQ("", asked(L"(?:ab|cd)|(?:ef|)"));
    // Its branches need "(" and ":", "<" and "extends", "(" and ")" and "=>".
    EXPECT_EQ("(|extends & (|< & :|=>|extends & )|:|extends & :|<|=> & )|:|<", asked(ARROW_PARAMETERS));
}

TEST(PatternLiterals, AsksForTheLastCharacterOfALineAPatternMustEnd) {
    EXPECT_EQ("( $[(]", asked(L"\\(\\s*$"));
    EXPECT_EQ(",|; $[,;]", asked(L"[,;][ \\t]*$"));
    EXPECT_EQ("[|{ $[[{]", asked(L"(?:\\{|\\[)\\s*+\\r?$"));
    EXPECT_EQ(") $[)]", asked(L"\\)(?=\\s*$)")) << "a look-ahead reads on from the text before it";
    EXPECT_EQ(") $[)]", asked(L"\\)\\b(?:\\s)*\\s+\\z"));
    EXPECT_EQ(") $[)]", asked(L"(?m)\\)\\s*\\Z"));
    EXPECT_EQ("; $[;}]", asked(L";\\s*(?:\\}\\s*)?$")) << "an optional part adds its ends";
    EXPECT_EQ("a|b $[ab]", asked(L"(?:a|b\\s)\\s*$"));
    EXPECT_EQ("a|b $[ab]", asked(L"a\\s*$|b$"));
    EXPECT_EQ("; $[;]", asked(L"(?=.*;\\s*$)[:;]\\s*$")) << "both ends are needed";
    EXPECT_EQ("(|< & (|,|=|return $[(<>]", asked(ASYNC_BEFORE_PARAMETERS_AT_LINE_END));
    for (const wchar_t* pattern : {L"$", L"^$", L"\\s*$", L"x?\\s*$", L"x*$", L"x.$", L"x\\w$", L"(?:x|\\s)$", L"(?:x|)$", L"[x ]$",
                                   L"\\S$", L"x\\u00A0$", L"\u00E9$", L"x$?", L"(?!x\\s*$)", L"(?<=\\s)$", L"(?:x\\s*$)?"}) {
        const std::string text = asked(pattern);
        EXPECT_EQ(std::string::npos, text.find('$')) << std::string(pattern, pattern + std::wcslen(pattern)) << ": " << text;
    }
}

TEST(PatternLiterals, ALineHoldsALineEndByItsLastCharacterThatIsNotWhiteSpace) {
    const PatternLiterals literals(L"\\(\\s*$", 0);
    for (const char* line : {"f(\n", "f(", "f(  \t\r\n", "f(\x0b\x0c\n", "f(\xC2\xA0\n", "f(\xC3\xA9\n"})
        EXPECT_TRUE(literals.heldBy(line, std::strlen(line))) << line;
    for (const char* line : {"f()\n", "f(x\r\n", "(\t\t.", "  \r\n", "", "\xC2\xA0(x"})
        EXPECT_FALSE(literals.heldBy(line, std::strlen(line))) << line;
}

TEST(PatternLiterals, ALineHoldsAStringWhereverItIsAndNotPastItsEnd) {
    std::string line(100000, 'a');
    line += "ab";
    tessel::LineBytes bytes(line.data(), line.size());
    EXPECT_TRUE(bytes.holds("aab")) << "at the very end, after many partial matches";
    EXPECT_TRUE(bytes.holds("b"));
    EXPECT_FALSE(bytes.holds("ba"));
    EXPECT_FALSE(bytes.holds("abc"));
    bytes.reset(line.data(), line.size() - 1);
    EXPECT_FALSE(bytes.holds("ab")) << "the text stops before its last byte";
    EXPECT_EQ('a', bytes.lastNonSpace());
    const std::string shortLine = "ab";
    bytes.reset(shortLine.data(), shortLine.size());
    EXPECT_TRUE(bytes.holds("ab"));
    EXPECT_FALSE(bytes.holds("abab")) << "longer than the line";
    bytes.reset(shortLine.data(), 0);
    EXPECT_FALSE(bytes.holds("a"));
    EXPECT_EQ(-1, bytes.lastNonSpace());

    // A long line holds every pair of bytes by the filter's reckoning.
    const PatternLiterals literals(L"abc(?:x|y)def", 0);
    std::string longLine;
    for (int i = 0; longLine.size() < 20000; ++i)
        longLine += static_cast<char>('a' + i % 26) + std::string(1, static_cast<char>('a' + i * 7 % 26));
    EXPECT_FALSE(literals.heldBy(longLine.data(), longLine.size()));
    EXPECT_TRUE(literals.heldBy((longLine + "abcydef").data(), longLine.size() + 7));
    std::replace(longLine.begin(), longLine.end(), 'y', 'z');
    std::replace(longLine.begin(), longLine.end(), 'x', 'z');
    EXPECT_FALSE(literals.heldBy((longLine + "abcdef").data(), longLine.size() + 6)) << "no x or y at all";
}

TEST(PatternLiterals, StaysSmallOnManyAlternationsAndDeepNesting) {
    std::wstring wide;
    for (int i = 0; i < 400; ++i) {
        const std::wstring n = std::to_wstring(i);
        wide += (i ? L"|" : L"") + (L"(?:(?:a" + n + L"|b" + n + L")(?:c" + n + L"|d" + n + L")|(?:e" + n + L"|f" + n + L"|(?:g|h)" + n + L")i)\\s*$");
    }
    for (const std::wstring& pattern : {wide, L"(?:" + wide + L")(?:" + wide + L")"}) {
        ASSERT_TRUE(pel::RegEx::create(pattern)->isCompiled());
        const PatternLiterals literals(pattern, 0);
        EXPECT_LE(literals.clauses().size(), PatternLiterals::MOST_CLAUSES);
        for (const PatternLiterals::Clause& clause : literals.clauses())
            EXPECT_LE(clause.size(), PatternLiterals::MOST_STRINGS);
    }
    std::wstring branches = L"z";
    std::wstring groups = L"z\\s*$";
    for (int i = 0; i < 300; ++i) {
        branches = L"(?:x" + std::to_wstring(i) + L"y|" + branches + L")";
        groups = L"(" + groups + L")";
    }
    ASSERT_TRUE(pel::RegEx::create(branches)->isCompiled());
    ASSERT_TRUE(pel::RegEx::create(groups)->isCompiled());
    EXPECT_EQ("", asked(branches)) << "more strings than are worth looking for";
    EXPECT_EQ("z $[z]", asked(groups));
}

// On random lines, the engine matches a pattern only on a line that holds what it asks for.
TEST(PatternLiterals, NeverLeavesOutALineTheEngineMatchesOn) {
    const wchar_t* patterns[] = {
        L"\\b(?:if|else|for)\\b", L"(?<!\\.)\\b(let|var)\\s+", L"\\s*+(?=\\()", L"(?<=\\w)\\.(?=\\w)", L"/\\*",
        L"(?:(?<=\\.\\.\\.)|(?<!\\.))(?:(async)\\s+)?(function\\b)", L"\\\\(?:x\\h{2}|.)", L"#\\s*include",
        L"(?=[a-z]+:)[a-z-]+:", L"(?>a|ab)c?=", L"x{2,}y", L"(?<=(@))(\\w+)", L"x\\Ky", L"(?m:a.b)", L"[(]\\)",
        L"(?<q>['\"])\\k<q>", L"=>|->", L"(?:a|b)(?:c|d)", L"!=|<=|>=|==|[<>]", L"[-%*+\\/]x", L"[a-c]+d",
        L"[\\]\\[]", L"[.]",
        // Several clauses.
        L"(?:a|b)c(?=.*(?:d|=>))", L"(a)b|x(y)", L"(?:abc|x)(?:ab|x)", L"(?=.*\\()(?:[:<]|extends)", L"x(?:a|b)(?:c|d|\\))",
        // Line ends.
        L"\\(\\s*$", L"[,;{]\\s*$", L"(?:=>|\\()[ \\t]*$", L"\\)(?=\\s*$)", L"x(?=\\s*(?:<|a\\(|b>\\s*)\\s*$)",
        L"(?:a|b)\\s+$", L"(?:a|b\\s)\\s*$", L"a\\s*$|b$", L"$", L"^\\s*$", L"x?\\s*$", L"(?:a|\\s)\\s*$",
        L"a\\s*(?:\\/\\/.*)?$", L";\\s*(?:\\}\\s*)?$", L"(?m)\\(\\s*$", L"(?m:\\(.)\\s*$", L"\\(\\s*\\z", L"\\(\\s*\\Z",
        L"(?:\\((?:x|y))+\\s*$", L"a(?:b|\\s*$)", L"\\( \\s*$", L"[( ]\\s*$", L"\\(\\r?$", L"(?=.*;\\s*$)[:;]\\s*$",
        L"\u00E9\\s*$", L"(?<=\\()\\s*$", ASYNC_BEFORE_PARAMETERS_AT_LINE_END};
    const wchar_t* tokens[] = {L"if", L" ", L"xxy", L"()", L"[", L"]", L"%", L"+", L"<", L"#include", L"ac=", L"else", L"(", L")", L".", L"a", L"b", L"c", L"d", L"x", L"y", L"=", L">",
                               L"-", L"/", L"*", L"#", L"include", L"let", L"var", L"function", L"async", L"...", L":",
                               L"@", L"\\", L"'", L"\"", L"\u00E9", L"\n", L"\t", L"\r", L"\u00A0", L";", L",", L"{", L"}",
                               L"=>", L"extends", L"//", L"x(", L"a(", L"xb>", L"return(", L"\u3000"};
    // A line holds no line feed but its last; as the document gives it, it may end in white space.
    const wchar_t* ends[] = {L"", L"\n", L"\r\n", L" \n", L"\t\t\r\n", L"\u00A0\n", L"\u2028", L"\f\n"};
    std::mt19937 random(7);
    for (const wchar_t* pattern : patterns) {
        const std::unique_ptr<pel::RegEx> regex = pel::RegEx::create(pattern);
        ASSERT_TRUE(regex->isCompiled()) << pattern;
        const PatternLiterals literals(pattern, regex->getOptions());
        int matched = 0;
        for (int round = 0; round < 4000; ++round) {
            std::wstring line;
            const int count = static_cast<int>(random() % 12);
            for (int i = 0; i < count; ++i)
                line += tokens[random() % (sizeof(tokens) / sizeof(tokens[0]))];
            if (literals.asksLineEnd()) {
                line.erase(std::remove(line.begin(), line.end(), L'\n'), line.end());
                line += ends[random() % (sizeof(ends) / sizeof(ends[0]))];
            }
            pel::MatchResultsRegEx results;
            regex->search(&results, line.data(), line.data() + line.size(), line.data(), line.data() + line.size());
            if (!results.found())
                continue;
            ++matched;
            const pel::Utf8Text bytes(line.data(), line.size());
            EXPECT_TRUE(literals.heldBy(bytes.data(), bytes.size())) << pattern << " on " << std::string(line.begin(), line.end());
            tessel::LineBytes held(bytes.data(), bytes.size());
            EXPECT_TRUE(literals.none() || held.holdsAnyOf(literals.leadBytes())) << pattern;
        }
        EXPECT_GT(matched, 0) << std::string(pattern, pattern + std::wcslen(pattern));
    }
}

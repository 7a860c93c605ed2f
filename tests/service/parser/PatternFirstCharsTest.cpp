#include "service/parser/PatternFirstChars.h"

#include "pel/text/Utf8Text.h"
#include "pel/text/search/RegEx.h"

#include <gtest/gtest.h>

#include <bitset>

#include <string>

using tessel::PatternFirstChars;

namespace {

// The ASCII characters (and "+" for units above ASCII) a match may begin with, "*" for any.
std::string firstOf(const std::wstring& pattern, uint32_t options = 0) {
    const PatternFirstChars first(pattern, options);
    if (first.any())
        return "*";
    std::string chars;
    for (wchar_t c = 1; c < 128; ++c) {
        const wchar_t text[2] = {c, 0};
        if (first.mayBeginAt(text, 0, false))
            chars += static_cast<char>(c);
    }
    const wchar_t above[2] = {0xE9, 0};
    if (first.mayBeginAt(above, 0, false))
        chars += '+';
    return chars;
}

} // namespace

TEST(PatternFirstChars, ReadsLiteralsClassesEscapesAndWhatOptionalPartsLetThrough) {
    EXPECT_EQ("a", firstOf(L"abc"));
    EXPECT_EQ("xyz", firstOf(L"[x-z]+"));
    EXPECT_EQ("0123456789+", firstOf(L"\\d+"));
    EXPECT_EQ("A", firstOf(L"\\x41"));
    EXPECT_EQ("A", firstOf(L"\\x{41}"));
    EXPECT_EQ("+", firstOf(L"\\x{E9}"));
    EXPECT_EQ("\t", firstOf(L"\\t"));
    EXPECT_EQ(".", firstOf(L"\\."));
    EXPECT_EQ("ab", firstOf(L"a?b"));
    EXPECT_EQ("bf", firstOf(L"(?:foo|bar)"));
    EXPECT_EQ("ei", firstOf(L"(?<![\\w$])(if|else)\\b"));
    EXPECT_EQ("{", firstOf(L"(?=\\{)"));
    EXPECT_EQ("-]a", firstOf(L"[]a-]"));
    EXPECT_EQ("$_", firstOf(L"(?<name>[_$])\\w"));
    EXPECT_EQ("abc", firstOf(L"[a-c&&ab]")) << "within the union of its sides";
    EXPECT_EQ("x{", firstOf(L"x{,2}\\{"));
    EXPECT_EQ("ab", firstOf(L"(?#note)a+?|b{1,}"));
}

TEST(PatternFirstChars, FoldsCaseAndLeavesEverythingPossibleWhereItCannotTell) {
    EXPECT_EQ("Kk+", firstOf(L"(?i)k"));
    EXPECT_EQ("Kk+", firstOf(L"k", pel::RegExOptions::IGNORE_CASE));
    const std::string folded = firstOf(L"(?i:\\x{DF})");
    EXPECT_NE(std::string::npos, folded.find('s')) << "sharp s folds to ss: " << folded;
    for (const wchar_t* pattern : {L"a*", L"\\1x", L"(?x) a", L"[^a]", L".", L"\\p{Greek}", L"\\P{L}", L"\\Kx",
                                   L"(?<=a)", L"a|", L"\\h", L"[[:^alpha:]]", L"[[:nonsense:]]", L"(?(1)a|b)", L"(a",
                                   L"[a", L"\\"})
        EXPECT_EQ("*", firstOf(pattern)) << pattern;
    EXPECT_EQ("*", firstOf(L"a", pel::RegExOptions::EXTENDED));
}

// Named classes, in brackets and as properties, as the engine's Unicode encodings read them.
TEST(PatternFirstChars, ReadsNamedClasses) {
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    EXPECT_EQ(letters + "+", firstOf(L"[[:alpha:]]"));
    EXPECT_EQ(letters + "+", firstOf(L"\\p{L}"));
    EXPECT_EQ("$" + letters.substr(0, 26) + "_" + letters.substr(26) + "+", firstOf(L"[$_[:alpha:]][$_[:alnum:]]*"));
    EXPECT_EQ("0123456789" + letters.substr(0, 26) + "_" + letters.substr(26) + "+", firstOf(L"[[:word:]]"));
    EXPECT_EQ(letters.substr(0, 26) + "+", firstOf(L"\\p{upper}[$_\\d[:upper:]]*"));
    EXPECT_EQ(letters.substr(0, 26) + "+", firstOf(L"\\p{Lu}"));
    EXPECT_EQ(letters + "+", firstOf(L"(?i)[[:lower:]]")) << "either case";
    EXPECT_EQ("\t\n\v\f\r +", firstOf(L"[[:space:]]"));
    EXPECT_EQ("0123456789ABCDEFabcdef+", firstOf(L"[[:xdigit:]]"));
}

TEST(PatternFirstChars, APatternAnchoredAtTheLineStartBeginsOnlyThereOrWhereTheAnchorHolds) {
    const PatternFirstChars first(L"(?:\\G|^)(?=(?:[^\"\\\\]|\\\\.)+$)", 0);
    EXPECT_FALSE(first.any());
    const wchar_t* text = L"ab\ncd";
    EXPECT_TRUE(first.mayBeginAt(text, 0, false));
    EXPECT_FALSE(first.mayBeginAt(text, 1, false));
    EXPECT_TRUE(first.mayBeginAt(text, 1, true));
    EXPECT_TRUE(first.mayBeginAt(text, 3, false));
    EXPECT_TRUE(PatternFirstChars(L"\\G?b", 0).mayBeginAt(text, 1, false)) << "an optional anchor restricts nothing";
    EXPECT_TRUE(PatternFirstChars(L"^|b", 0).any());
}

// Wherever the engine matches a pattern, its first characters allow it.
TEST(PatternFirstChars, NeverRulesOutAPlaceTheEngineMatchesAt) {
    const wchar_t* patterns[] = {
        L"\\b(?:if|else|for)\\b", L"(?<!\\.)\\b(let|var)\\s+", L"[_$a-zA-Z][_$\\w]*", L"\\s*+(?=\\()",
        L"(?i)(?:px|em|%)\\b", L"(?:\\G|^)\\s*(\\w+)", L"/\\*", L"(?<=\\w)\\.(?=\\w)", L"-?\\d+(?:\\.\\d+)?",
        L"(?:(?<=\\.\\.\\.)|(?<!\\.))(?:(async)\\s+)?(function\\b)", L"['\"]", L"\\\\(?:x\\h{2}|.)", L"#\\s*include",
        L"[\\x{80}-\\x{10FFFF}]+", L"(?i:\\x{DF})", L"\\x{212A}elvin", L"(?=[a-z]+:)[a-z-]+", L"(?>a|ab)c?",
        L"[$_[:alpha:]][$_[:alnum:]]*", L"\\p{upper}[$_\\d[:upper:]]*", L"(?i)[[:upper:]]+", L"[[:punct:]]",
        L"[[:space:]]+\\w", L"\\p{Alpha}\\p{Lower}", L"[[:digit:]]+", L"[[:word:]]+", L"[[:graph:]]"};
    const std::wstring text = L"if (x) { let y = a.b; } else for(;;) foo(1.5em) function \"s\" 'q' \\x41 \\n "
                              L"#include <a.h> async function f() \u00E9t\u00E9 STRASSE stra\u00DFe \u212Aelvin "
                              L"-3.25 PX 12% ...function color:red; /* c */ \u00DF\n";
    for (const wchar_t* pattern : patterns) {
        const std::unique_ptr<pel::RegEx> regex = pel::RegEx::create(pattern);
        ASSERT_TRUE(regex->isCompiled()) << pattern;
        const PatternFirstChars first(pattern, regex->getOptions());
        EXPECT_FALSE(first.any()) << pattern;
        int matches = 0;
        for (size_t at = 0; at < text.size(); ++at) {
            pel::MatchResultsRegEx results;
            regex->match(&results, text.data(), text.data() + text.size(), text.data() + at,
                         pel::RegExOptions::NO_START_ANCHOR);
            if (!results.found())
                continue;
            ++matches;
            EXPECT_TRUE(first.mayBeginAt(text.data(), static_cast<int>(at), false)) << pattern << " at " << at;
        }
        EXPECT_GT(matches, 0) << pattern;
    }
}

// At the first byte of each character of a line's UTF-8 form, the answer is the one at its unit.
TEST(PatternFirstChars, AnswersAlikeOnTheUtf8FormOfALine) {
    const std::wstring text = L"a\u00E9 \u3042\xD83D\xDE00\xD800\nK\u212Ax";
    const pel::Utf8Text bytes(text.data(), text.size());
    std::bitset<256> held;
    for (size_t i = 0; i < bytes.size(); ++i)
        held.set(static_cast<unsigned char>(bytes.data()[i]));
    for (const wchar_t* pattern : {L"a", L"\\x{E9}", L"[\\x{3042}-\\x{3044}]", L"^\\w", L"(?i)k", L"\\s", L"(?:\\G|^)x", L"z",
                                   L"[\\x{4E00}-\\x{4E10}]", L"(?:\\G|^)b"}) {
        const PatternFirstChars first(pattern, 0);
        bool anywhere = false;
        for (size_t at = 0; at < bytes.size(); at += pel::Utf8Text::sequenceLength(static_cast<unsigned char>(bytes.data()[at])))
            for (bool anchor : {false, true}) {
                EXPECT_EQ(first.mayBeginAt(text.data(), static_cast<int>(bytes.unitOffset(at)), anchor),
                          first.mayBeginAt(bytes.data(), static_cast<int>(at), anchor))
                    << pattern << " at byte " << at;
                anywhere = anywhere || first.mayBeginAt(bytes.data(), static_cast<int>(at), anchor);
            }
        // The line's byte values alone never rule out a line some place of it may begin a match on.
        EXPECT_TRUE(!anywhere || first.mayBeginOnLine(held)) << pattern;
    }
    EXPECT_FALSE(PatternFirstChars(L"z", 0).mayBeginOnLine(held));
    EXPECT_FALSE(PatternFirstChars(L"[#@]x", 0).mayBeginOnLine(held));
    EXPECT_TRUE(PatternFirstChars(L"\\x{4E00}", 0).mayBeginOnLine(held)) << "any character above ASCII may be there";
}

#include "service/parser/PatternLiterals.h"

#include "pel/text/Utf8Text.h"
#include "pel/text/search/RegEx.h"

#include <gtest/gtest.h>

#include <bitset>
#include <cwchar>
#include <random>
#include <string>

using tessel::PatternLiterals;

namespace {

// The strings asked for, joined by "|"; "" for none.
std::string asked(const std::wstring& pattern, uint32_t options = 0) {
    std::string joined;
    const PatternLiterals literals(pattern, options);
    for (const std::string& s : literals.strings())
        joined += (joined.empty() ? "" : "|") + s;
    return joined;
}

} // namespace

TEST(PatternLiterals, AsksForTheLongestRunOrEachBranchsRun) {
    EXPECT_EQ("namespace|module", asked(L"(?<![$_[:alnum:]])(?:\\b(export)\\s+)?\\b(namespace|module)\\s+"));
    EXPECT_EQ("prototype", asked(L"(?:[$_[:alpha:]][$_[:alnum:]]*)(?=\\s*\\??\\.\\s*prototype\\b(?!\\$))"));
    EXPECT_EQ("/", asked(L"(?<!\\+\\+|--)(?<=[!(+,:=>?\\[]|^await)\\s*(\\/)(?![\\/*])"));
    EXPECT_EQ("ab", asked(L"a\\bb")) << "what matches no text keeps its sides together";
    EXPECT_EQ("xa", asked(L"xa+b")) << "a repeated character ends its run";
    EXPECT_EQ("c", asked(L"a?b*c"));
    EXPECT_EQ("=>", asked(L"\\s*(=>)"));
    EXPECT_EQ("#include", asked(L"^\\s*#include\\b"));
    EXPECT_EQ("\n", asked(L"(?<=\\n)"));
    EXPECT_EQ("A.", asked(L"\\x41\\."));
    EXPECT_EQ("{", asked(L"x{,2}\\{")) << "an interval that lets x go";
    EXPECT_EQ("abc", asked(L"(?<name>abc)|(?:abc)"));
    EXPECT_EQ("x", asked(L"(?<!abc)x"));
    EXPECT_EQ("!=|<=|>=|==|<|>", asked(L"!=|<=|>=|==|[<>]")) << "a small bracket asks for each of its characters";
    EXPECT_EQ("-|%|*|+|/", asked(L"[-%*+\\/]"));
    EXPECT_EQ("d|abcd", asked(L"[a-c]+d|abcd")) << "one string rules out more lines than one of three";
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
    std::wstring many = L"(?:w0";
    for (int i = 1; i <= 70; ++i)
        many += L"|w" + std::to_wstring(i);
    EXPECT_EQ("", asked(many + L")")) << "more strings than are worth looking for";
}

// On random lines, the engine matches a pattern only on a line that holds what it asks for.
TEST(PatternLiterals, NeverLeavesOutALineTheEngineMatchesOn) {
    const wchar_t* patterns[] = {
        L"\\b(?:if|else|for)\\b", L"(?<!\\.)\\b(let|var)\\s+", L"\\s*+(?=\\()", L"(?<=\\w)\\.(?=\\w)", L"/\\*",
        L"(?:(?<=\\.\\.\\.)|(?<!\\.))(?:(async)\\s+)?(function\\b)", L"\\\\(?:x\\h{2}|.)", L"#\\s*include",
        L"(?=[a-z]+:)[a-z-]+:", L"(?>a|ab)c?=", L"x{2,}y", L"(?<=(@))(\\w+)", L"x\\Ky", L"(?m:a.b)", L"[(]\\)",
        L"(?<q>['\"])\\k<q>", L"=>|->", L"(?:a|b)(?:c|d)", L"!=|<=|>=|==|[<>]", L"[-%*+\\/]x", L"[a-c]+d",
        L"[\\]\\[]", L"[.]"};
    const wchar_t* tokens[] = {L"if", L" ", L"xxy", L"()", L"[", L"]", L"%", L"+", L"<", L"#include", L"ac=", L"else", L"(", L")", L".", L"a", L"b", L"c", L"d", L"x", L"y", L"=", L">",
                               L"-", L"/", L"*", L"#", L"include", L"let", L"var", L"function", L"async", L"...", L":",
                               L"@", L"\\", L"'", L"\"", L"\u00E9", L"\n"};
    std::mt19937 random(7);
    for (const wchar_t* pattern : patterns) {
        const std::unique_ptr<pel::RegEx> regex = pel::RegEx::create(pattern);
        ASSERT_TRUE(regex->isCompiled()) << pattern;
        const PatternLiterals literals(pattern, regex->getOptions());
        int matched = 0;
        for (int round = 0; round < 3000; ++round) {
            std::wstring line;
            const int count = static_cast<int>(random() % 12);
            for (int i = 0; i < count; ++i)
                line += tokens[random() % (sizeof(tokens) / sizeof(tokens[0]))];
            pel::MatchResultsRegEx results;
            regex->search(&results, line.data(), line.data() + line.size(), line.data(), line.data() + line.size());
            if (!results.found())
                continue;
            ++matched;
            const pel::Utf8Text bytes(line.data(), line.size());
            std::bitset<256> held;
            for (size_t i = 0; i < bytes.size(); ++i)
                held.set(static_cast<unsigned char>(bytes.data()[i]));
            EXPECT_TRUE(literals.heldBy(bytes.data(), bytes.size())) << pattern << " on " << std::string(line.begin(), line.end());
            EXPECT_TRUE(literals.heldBy(bytes.data(), bytes.size(), &held)) << pattern;
        }
        EXPECT_GT(matched, 0) << std::string(pattern, pattern + std::wcslen(pattern));
    }
}

#include "pel/base/Exception.h"
#include "pel/text/Inflector.h"
#include "pel/text/TransliterationTable.h"

#include <gtest/gtest.h>

#include <string>

using namespace pel;

namespace {

std::wstring symbol(const std::wstring& text) {
    std::wstring result = L"stale";
    Inflector::toSymbol(text, &result);
    return result;
}

std::wstring inflected(const std::wstring& text, int caseFormat, wchar_t separator) {
    std::wstring result = L"stale";
    Inflector::inflect(text.c_str(), text.length(), caseFormat, separator, &result);
    return result;
}

std::wstring transliterated(std::wstring text) {
    EXPECT_TRUE(Inflector::transliterate(&text));
    return text;
}

std::wstring fileName(const std::wstring& title) {
    std::wstring result = L"stale";
    Inflector::toFileName(title, &result);
    return result;
}

std::wstring single(wchar_t c) {
    return transliterated(std::wstring(1, c));
}

} // namespace

TEST(Inflector, SymbolsSplitAtClassChanges) {
    EXPECT_EQ(L"hello_world", symbol(L"Hello World"));
    EXPECT_EQ(L"camel_case_text", symbol(L"camelCaseText"));
    EXPECT_EQ(L"xmlparser", symbol(L"XMLParser"));
    EXPECT_EQ(L"a_b", symbol(L"  a--b  "));
    EXPECT_EQ(L"v_2_beta", symbol(L"v2Beta"));
    EXPECT_EQ(L"version_2_beta", symbol(L"version2Beta"));
    EXPECT_EQ(L"a_b_c", symbol(L"a.b,\tc"));
    EXPECT_EQ(L"", symbol(L""));
    EXPECT_EQ(L"", symbol(L" -_ "));
    EXPECT_EQ(L"\x00e9t\x00e9_caf\x00e9", symbol(L"\x00c9t\x00e9 caf\x00e9")); // letters of any script
}

TEST(Inflector, CaseFormatsAndSeparators) {
    EXPECT_EQ(L"helloWorld", inflected(L"hello world", Inflector::CASE_CAMEL, 0));
    EXPECT_EQ(L"helloWorldAgain", inflected(L"Hello_WORLD again", Inflector::CASE_CAMEL, 0));
    EXPECT_EQ(L"Hello-World", inflected(L"hello world", Inflector::CASE_CAPITALIZE, L'-'));
    EXPECT_EQ(L"HELLO_WORLD", inflected(L"hello world", Inflector::CASE_UPPER, L'_'));
    EXPECT_EQ(L"hello world", inflected(L"hello world", Inflector::CASE_KEEP, L' '));
    EXPECT_EQ(L"camel-Case", inflected(L"camelCase", Inflector::CASE_KEEP, L'-'));
    EXPECT_EQ(L"a_+_b", inflected(L"a+b", Inflector::CASE_KEEP, L'_'));
    // Only the first length characters count.
    std::wstring out;
    Inflector::inflect(L"one two three", 7, Inflector::CASE_UPPER, L'.', &out);
    EXPECT_EQ(L"ONE.TWO", out);
}

TEST(Inflector, BadArguments) {
    std::wstring out;
    try {
        Inflector::inflect(L"x", 1, 5, L'_', &out);
        FAIL() << "case format 5 was accepted";
    } catch (const AssertionViolationException& e) {
        EXPECT_EQ(0u, e.message.find(L"0 && \"Unknown case format.\"")) << e.message;
    }
    EXPECT_THROW(Inflector::inflect(L"x", 1, -1, L'_', &out), AssertionViolationException);
    EXPECT_THROW(Inflector::inflect(nullptr, 0, 1, L'_', &out), NullPointerException);
    EXPECT_THROW(Inflector::inflect(L"x", 1, 1, L'_', nullptr), NullPointerException);
    EXPECT_THROW(Inflector::toLower(nullptr), NullPointerException);
    EXPECT_THROW(Inflector::transliterate(nullptr), NullPointerException);
}

TEST(Inflector, SourceMayBeTheOutput) {
    std::wstring text = L"Hello World";
    Inflector::toSymbol(text, &text);
    EXPECT_EQ(L"hello_world", text);
}

TEST(Inflector, WholeStringCase) {
    std::wstring text = L"hELLO";
    EXPECT_TRUE(Inflector::capitalize(&text));
    EXPECT_EQ(L"Hello", text);
    text.clear();
    EXPECT_TRUE(Inflector::capitalize(&text));
    EXPECT_EQ(L"", text);
    text = L"x";
    Inflector::capitalize(&text);
    EXPECT_EQ(L"X", text);
    text = L"Mixed Case \x00c9";
    EXPECT_TRUE(Inflector::toLower(&text));
    EXPECT_EQ(L"mixed case \x00e9", text);
    EXPECT_TRUE(Inflector::toUpper(&text));
    EXPECT_EQ(L"MIXED CASE \x00c9", text);
    text.clear();
    EXPECT_TRUE(Inflector::toUpper(&text));
}

TEST(Inflector, Filters) {
    std::wstring text = L"a-b_c d!e\x00e9" L"9/";
    EXPECT_TRUE(Inflector::filterCharacters(&text, Inflector::isSymbolCharacter));
    EXPECT_EQ(L"a-b_c de9", text);
    text = L"a-b_c d!\x00e9" L"9";
    Inflector::filterCharacters(&text, Inflector::isWordCharacter);
    EXPECT_EQ(L"ab_cd\x00e9" L"9", text);
}

TEST(Inflector, Transliteration) {
    EXPECT_EQ(L"Creme brulee (c) 2013", transliterated(L"Cr\x00e8me br\x00fbl\x00e9" L"e \x00a9 2013"));
    EXPECT_EQ(L"1/2", transliterated(L"\x00bd"));
    EXPECT_EQ(L"ab", transliterated(L"a\x4e2d" L"b"));
    EXPECT_EQ(L"EUR5", transliterated(L"\x20ac" L"5"));
    EXPECT_EQ(L"Shhuka", transliterated(L"\x0429\x0443\x043a\x0430"));
    EXPECT_EQ(L"Moskva", transliterated(L"\x041c\x043e\x0441\x043a\x0432\x0430"));
    // DEL, C1 controls and surrogates, paired or not, vanish; ASCII controls stay.
    EXPECT_EQ(L"a\tb", transliterated(L"a\x007f\x0085\tb\xd83d\xde00\xdc00"));
    // Stand-ins are not transliterated again.
    EXPECT_EQ(L"\x2014", single(0x02C9));
    EXPECT_EQ(L"\x00b0", single(0x02DA));
    EXPECT_EQ(L"\x00b7\x00b7", transliterated(L"\x2219\x22c5"));
}

TEST(Inflector, TableShape) {
    using namespace transliteration;
    EXPECT_EQ(1782, ENTRY_COUNT);
    EXPECT_EQ(0x00A0, ENTRIES[0].key);
    EXPECT_EQ(0xFF5A, ENTRIES[ENTRY_COUNT - 1].key);
    int nonAscii = 0;
    for (int i = 0; i < ENTRY_COUNT; ++i) {
        if (i > 0)
            ASSERT_LT(ENTRIES[i - 1].key, ENTRIES[i].key) << i;
        ASSERT_NE(nullptr, ENTRIES[i].text);
        EXPECT_EQ(ENTRIES[i].text, Inflector::transliteration(ENTRIES[i].key));
        for (const wchar_t* c = ENTRIES[i].text; *c; ++c) {
            if (*c > 126)
                ++nonAscii;
        }
    }
    EXPECT_EQ(4, nonAscii);
    EXPECT_EQ(nullptr, Inflector::transliteration(0x00A4)); // currency sign: between the ranges
    EXPECT_EQ(nullptr, Inflector::transliteration(0x042C)); // capital soft sign
    EXPECT_EQ(nullptr, Inflector::transliteration(L'a'));
}

TEST(Inflector, TableRows) {
    struct Row {
        wchar_t c;
        const wchar_t* text;
    };
    const Row rows[] = {
        // Decompositions, letter names, ligatures.
        {0x00C5, L"A"}, {0x1E00, L"A"}, {0xFB01, L"fi"}, {0xFF21, L"A"}, {0xFF5A, L"z"},
        {0x01C5, L"Dz"}, {0x2474, L"(1)"}, {0x2488, L"1."}, {0x2100, L"a/c"}, {0x1EA0, L"A"},
        {0x0110, L"D"}, {0x0142, L"l"}, {0x0180, L"b"}, {0x2C60, L"L"}, {0x01FE, L"O"},
        {0x00C6, L"A"}, {0x00DE, L"Th"}, {0x00DF, L"ss"}, {0x0132, L"Ij"}, {0x0149, L"'n"},
        {0x01BB, L"-2-"}, {0x1D15, L"OU"}, {0x1E9E, L"SS"}, {0xA76A, L"&"}, {0xFB05, L"st"},
        // Box drawing.
        {0x2500, L"-"}, {0x2550, L"="}, {0x2551, L"|"}, {0x2571, L"/"}, {0x2572, L"\\"},
        {0x2573, L"X"}, {0x253C, L"+"}, {0x256D, L"+"}, {0x257F, L"|"},
        // Question marks and removed characters.
        {0x00BF, L"?"}, {0x01F7, L"?"}, {0x2426, L"?"}, {0xA75D, L"?"}, {0x0184, L""},
        {0x200B, L""}, {0x202E, L""}, {0xA778, L""},
        // Modifiers, Cyrillic, punctuation.
        {0x0363, L"^a"}, {0x1DD4, L"^ae"}, {0x1DDB, L"^G"}, {0x2C7C, L"^J"}, {0x02DD, L"\""},
        {0x0401, L"Yo"}, {0x0426, L"Cz"}, {0x042A, L"A`"}, {0x044A, L"``"}, {0x044C, L"`"},
        {0x044B, L"y`"}, {0x0455, L"z`"}, {0x0490, L"G`"}, {0x0475, L"yh"},
        {0x2014, L"--"}, {0x201E, L"\""}, {0x202A, L"' "}, {0x2030, L" 0/00"}, {0x2037, L"```"},
        {0x204A, L"7"}, {0x2071, L"^I"}, {0x208E, L"_)"}, {0x2094, L"^e"},
        // Letterlike, mathematics, pictures, symbols.
        {0x2103, L"`C"}, {0x2122, L"[TM]"}, {0x2153, L" 1/3"}, {0x215F, L" 1/"}, {0x216B, L"XII"},
        {0x217F, L"m"}, {0x2194, L"<->"}, {0x221E, L"inf"}, {0x22A9, L"||-"}, {0x2400, L"NUL"},
        {0x2421, L"DEL"}, {0x2424, L"NL"}, {0x2473, L"(20)"}, {0x24B6, L"(A)"}, {0x24EA, L"(0)"},
        {0x263B, L"(-:"}, {0x2701, L"%<"}, {0x2721, L"*"}, {0x2727, L"+"}, {0x274B, L"*"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.text, single(row.c)) << std::hex << static_cast<int>(row.c);
}

TEST(Inflector, FileNames) {
    EXPECT_EQ(L"creme_brulee", fileName(L"Cr\x00e8me Br\x00fbl\x00e9" L"e!"));
    EXPECT_EQ(L"c_source_files", fileName(L"C++ Source Files"));
    EXPECT_EQ(L"shhuka_2", fileName(L"\x0429\x0443\x043a\x0430 #2"));
    EXPECT_EQ(L"my_item", fileName(L"myItem"));
    std::wstring out = L"stale";
    EXPECT_FALSE(Inflector::toFileName(L"\x65e5\x672c", &out));
    EXPECT_EQ(L"", out);
    EXPECT_FALSE(Inflector::toFileName(L"  ?! ", &out));
    EXPECT_EQ(L"", out);
    EXPECT_THROW(Inflector::toFileName(L"x", nullptr), NullPointerException);
}

#include "pel/base/Exception.h"
#include "pel/text/Inflector.h"
#include "pel/text/TransliterationTable.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <string>

using namespace pel;

namespace {

struct TextCase {
    const wchar_t* text;
    const wchar_t* expected;
};

std::wstring symbol(const std::wstring& text) {
    std::wstring result = L"stale";
    Inflector::toSymbol(text, &result);
    return result;
}

std::wstring transliterated(std::wstring text) {
    EXPECT_TRUE(Inflector::transliterate(&text));
    return text;
}

// The text after a whole-string change, which must report success.
std::wstring changed(bool (*change)(std::wstring*), std::wstring text) {
    EXPECT_TRUE(change(&text));
    return text;
}

} // namespace

TEST(Inflector, SymbolsSplitAtClassChanges) {
    const TextCase rows[] = {
        {L"Hello World", L"hello_world"}, {L"camelCaseText", L"camel_case_text"}, {L"XMLParser", L"xmlparser"},
        {L"  a--b  ", L"a_b"},            {L"v2Beta", L"v_2_beta"},               {L"version2Beta", L"version_2_beta"},
        {L"a.b,\tc", L"a_b_c"},           {L"", L""},                             {L" -_ ", L""},
        {L"\x00c9t\x00e9 caf\x00e9", L"\x00e9t\x00e9_caf\x00e9"}, // letters of any script
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, symbol(row.text)) << row.text;
    std::wstring text = L"Hello World";
    Inflector::toSymbol(text, &text); // the source may be the output
    EXPECT_EQ(L"hello_world", text);
}

TEST(Inflector, CaseFormatsAndSeparators) {
    const struct {
        const wchar_t* text;
        int format;
        wchar_t separator;
        const wchar_t* expected;
    } rows[] = {
        {L"hello world", Inflector::CASE_CAMEL, 0, L"helloWorld"},
        {L"Hello_WORLD again", Inflector::CASE_CAMEL, 0, L"helloWorldAgain"},
        {L"hello world", Inflector::CASE_CAPITALIZE, L'-', L"Hello-World"},
        {L"hello world", Inflector::CASE_UPPER, L'_', L"HELLO_WORLD"},
        {L"hello world", Inflector::CASE_KEEP, L' ', L"hello world"},
        {L"camelCase", Inflector::CASE_KEEP, L'-', L"camel-Case"}, {L"a+b", Inflector::CASE_KEEP, L'_', L"a_+_b"},
    };
    for (const auto& row : rows) {
        std::wstring out = L"stale";
        Inflector::inflect(row.text, std::wcslen(row.text), row.format, row.separator, &out);
        EXPECT_EQ(row.expected, out) << row.text << " " << row.format;
    }
    // Only the first length characters count.
    std::wstring out;
    Inflector::inflect(L"one two three", 7, Inflector::CASE_UPPER, L'.', &out);
    EXPECT_EQ(L"ONE.TWO", out);
}

TEST(Inflector, BadArguments) {
    std::wstring out;
    const std::wstring refused =
        tessel_test::thrown<AssertionViolationException>([&] { Inflector::inflect(L"x", 1, 5, L'_', &out); });
    EXPECT_EQ(0u, refused.find(L"0 && \"Unknown case format.\"")) << refused;
    EXPECT_THROW(Inflector::inflect(L"x", 1, -1, L'_', &out), AssertionViolationException);
}

TEST(Inflector, WholeStringsAndFilters) {
    EXPECT_EQ(L"Hello", changed(Inflector::capitalize, L"hELLO"));
    EXPECT_EQ(L"X", changed(Inflector::capitalize, L"x"));
    EXPECT_EQ(L"", changed(Inflector::capitalize, L""));
    EXPECT_EQ(L"mixed case \x00e9", changed(Inflector::toLower, L"Mixed Case \x00c9"));
    EXPECT_EQ(L"MIXED CASE \x00c9", changed(Inflector::toUpper, L"mixed case \x00e9"));
    EXPECT_EQ(L"", changed(Inflector::toUpper, L""));

    std::wstring text = L"a-b_c d!e\x00e9" L"9/";
    EXPECT_TRUE(Inflector::filterCharacters(&text, Inflector::isSymbolCharacter));
    EXPECT_EQ(L"a-b_c de9", text);
    text = L"a-b_c d!\x00e9" L"9";
    Inflector::filterCharacters(&text, Inflector::isWordCharacter);
    EXPECT_EQ(L"ab_cd\x00e9" L"9", text);
}

TEST(Inflector, Transliteration) {
    const TextCase rows[] = {
        {L"Cr\x00e8me br\x00fbl\x00e9" L"e \x00a9 2013", L"Creme brulee (c) 2013"},
        {L"\x00bd", L"1/2"},
        {L"a\x4e2d" L"b", L"ab"},
        {L"\x20ac" L"5", L"EUR5"},
        {L"\x0429\x0443\x043a\x0430", L"Shhuka"},
        {L"\x041c\x043e\x0441\x043a\x0432\x0430", L"Moskva"},
        // DEL, C1 controls and surrogates, paired or not, vanish; ASCII controls stay.
        {L"a\x007f\x0085\tb\xd83d\xde00\xdc00", L"a\tb"},
        // Stand-ins are not transliterated again.
        {L"\x02c9\x02da", L"\x2014\x00b0"},
        {L"\x2219\x22c5", L"\x00b7\x00b7"},
        // Rows of each kind: decompositions, letter names, ligatures.
        {L"\x00c5\x1e00\xfb01\xff21\xff5a\x01c5\x2474\x2488\x2100\x1ea0\x0110\x0142\x0180", L"AAfiAzDz(1)1.a/cADlb"},
        {L"\x2c60\x01fe\x00c6\x00de\x00df\x0132\x0149\x01bb\x1d15\x1e9e\xa76a\xfb05", L"LOAThssIj'n-2-OUSS&st"},
        // Box drawing.
        {L"\x2500\x2550\x2551\x2571\x2572\x2573\x253c\x256d\x257f", L"-=|/\\X++|"},
        // Question marks and removed characters.
        {L"\x00bf\x01f7\x2426\xa75d\x0184\x200b\x202e\xa778", L"????"},
        // Modifiers, Cyrillic, punctuation.
        {L"\x0363\x1dd4\x1ddb\x2c7c\x02dd\x0401\x0426\x042a\x044a\x044c\x044b\x0455", L"^a^ae^G^J\"YoCzA````y`z`"},
        {L"\x0490\x0475\x2014\x201e\x202a\x2030\x2037\x204a\x2071\x208e\x2094", L"G`yh--\"'  0/00```7^I_)^e"},
        // Letterlike, mathematics, pictures, symbols.
        {L"\x2103\x2122\x2153\x215f\x216b\x217f\x2194\x221e\x22a9\x2400\x2421", L"`C[TM] 1/3 1/XIIm<->inf||-NULDEL"},
        {L"\x2424\x2473\x24b6\x24ea\x263b\x2701\x2721\x2727\x274b", L"NL(20)(A)(0)(-:%<*+*"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, transliterated(row.text)) << row.expected;
}

TEST(Inflector, TableShape) {
    using namespace transliteration;
    EXPECT_EQ(1782, ENTRY_COUNT);
    EXPECT_EQ(0x00A0, ENTRIES[0].key);
    EXPECT_EQ(0xFF5A, ENTRIES[ENTRY_COUNT - 1].key);
    int nonAscii = 0;
    for (int i = 0; i < ENTRY_COUNT; ++i) {
        ASSERT_TRUE(i == 0 || ENTRIES[i - 1].key < ENTRIES[i].key) << i;
        ASSERT_NE(nullptr, ENTRIES[i].text);
        EXPECT_EQ(ENTRIES[i].text, Inflector::transliteration(ENTRIES[i].key));
        for (const wchar_t* c = ENTRIES[i].text; *c; ++c)
            nonAscii += *c > 126;
    }
    EXPECT_EQ(4, nonAscii);
    EXPECT_EQ(nullptr, Inflector::transliteration(0x00A4)); // currency sign: between the ranges
    EXPECT_EQ(nullptr, Inflector::transliteration(0x042C)); // capital soft sign
    EXPECT_EQ(nullptr, Inflector::transliteration(L'a'));
}

TEST(Inflector, FileNames) {
    const TextCase rows[] = {
        {L"Cr\x00e8me Br\x00fbl\x00e9" L"e!", L"creme_brulee"}, {L"C++ Source Files", L"c_source_files"},
        {L"\x0429\x0443\x043a\x0430 #2", L"shhuka_2"},         {L"myItem", L"my_item"},
        {L"\x65e5\x672c", L""},                               {L"  ?! ", L""}, // nothing usable left
    };
    for (const auto& row : rows) {
        std::wstring out = L"stale";
        EXPECT_EQ(*row.expected != 0, Inflector::toFileName(row.text, &out)) << row.expected;
        EXPECT_EQ(row.expected, out);
    }
}

#include "service/base/ValueNodeParser.h"
#include "service/base/ValueNodeSupport.h"
#include "support/TextDamage.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace tessel;
using tessel_test::describe;

namespace {

std::wstring at(const pel::TextPosition& p) { return std::to_wstring(p.line) + L":" + std::to_wstring(p.column); }

// The tree parsed into an Int 7 (which a text without a value leaves), or "!message @from-to".
std::wstring parsed(const std::wstring& text) {
    ValueNode node;
    node.setInt(7);
    try {
        ValueNodeParser().parse(text.c_str(), node);
        return describe(node);
    } catch (const pel::ParserException& e) {
        return L"!" + e.message + L" @" + at(e.start) + L"-" + at(e.end);
    }
}

} // namespace

TEST(ValueNodeParser, ReadsValuesAndReportsErrorsExactly) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        // Containers, keys and trailing text.
        {L"{ a : 1 b : 'x' }", L"{a:i1 b:'x'}"},
        {L"{ a : 1, b : 2 }", L"!Unexpected <UNKNOWN_TOKEN>, expecting symbol (not quoted string) or number. @0:7-0:8"},
        {L"{ 'a' : 1 }", L"!Unexpected single-quoted string, expecting symbol (not quoted string) or number. @0:2-0:5"},
        {L"{\"a\":1}", L"!Unexpected double-quoted string, expecting symbol (not quoted string) or number. @0:1-0:4"},
        {L"{{", L"!Unexpected dictionary begin '{', expecting symbol (not quoted string) or number. @0:1-0:2"},
        {L"{a(", L"!Unexpected array begin '[', expecting dictionary key separator (:). @0:2-0:3"},
        {L"{/a/i:1}", L"!Unexpected regular expression, expecting symbol (not quoted string) or number. @0:1-0:5"},
        {L"[1 2 3)", L"[i1 i2 i3]"},
        {L"(1 [] {})", L"[i1 [] {}]"},
        {L"{ a : 1 } }", L"{a:i1}"},
        {L"[1] @#!", L"[i1]"},
        {L"{ a : 1 a : [2] }", L"{a:[i2]}"},
        {L"{ 10 : x -1.5e3 : y -- : z }", L"{--:'z' -1.5e3:'y' 10:'x'}"},
        {L"[true false null --x _y a.b-c]", L"[true false null '--x' '_y' 'a.b-c']"},
        {L"// only a comment", L"i7"},
        {L"  /* a */ \r\n\t", L"i7"},
        {L"", L"i7"},
        {L": 1", L"i7"},
        {L"/* a */ [1 // b\n 2 /* c */ ]", L"[i1 i2]"},
        {L"]", L"!Unexpected array end ']'. @0:0-0:1"},
        {L"}", L"!Unexpected dictionary end '}'. @0:0-0:1"},
        {L"{ a : }", L"!Unexpected dictionary end '}', expecting value. @0:6-0:7"},
        {L"{ a 1 }", L"!Unexpected number, expecting dictionary key separator (:). @0:4-0:5"},
        {L"{ a : 1", L"!Unexpected end of stream, expecting symbol (not quoted string) or number. @0:7-0:7"},
        {L"[1 :]", L"!Unexpected dictionary key separator (:), expecting value or array end ']'. @0:3-0:4"},
        {L"[1 }", L"!Unexpected dictionary end '}', expecting value or array end ']'. @0:3-0:4"},
        {L"@", L"!Unexpected unknown token. @0:0-0:1"},
        {L"[1 +2]", L"!Unexpected unknown token. @0:3-0:4"},
        // Numbers.
        {L"4294967289", L"u4294967289"},
        {L"4294967290", L"d4294967290"},
        {L"2147483647", L"i2147483647"},
        {L"2147483648", L"u2147483648"},
        {L"-2147483648", L"d-2147483648"},
        {L"-2147483639", L"i-2147483639"},
        {L"-5", L"i-5"},
        {L"0042", L"i42"},
        {L"-", L"i0"},
        {L"1.5e3", L"d1500"},
        {L"1e+5", L"d100000"},
        {L"[1E+020 -2.5e-005]", L"[d1e+020 d-2.5e-005]"},
        {L"1.2.3", L"d1.2"},
        {L"5-", L"d5"},
        {L".5", L"d0.5"},
        {L"1e999", L"dinf"},
        {L"[.]", L"!Sequence is not a number @0:1-0:2"},
        {L"-.e5", L"!Sequence is not a number @0:0-0:4"},
        // Strings and regular expressions.
        {L"'it''s'", L"'it's'"},
        {L"''''", L"'''"},
        {L"\"a\\tb\\qc\"", L"'a\tb\\qc'"},
        {L"\"\\\"\\/\\\\\\b\\f\\n\\rx\"", L"'\"/\\\b\f\nx'"},
        {L"\"\\u00e9\\u00C9\"", L"'\u00e9\u00c9'"},
        {L"\"a\\u0000b\"", L"'a'"},
        {L"\"\\u00g9\"", L"!Incorrect unicode escape sequence. Not a hexadecimal number. @0:1-0:7"},
        {L"\"ab\\u12\"", L"!Incorrect unicode escape sequence. Format of uXXXX expected. @0:3-0:7"},
        {L"/ab\\/c/gi", L"/ab/c/gi"},
        {L"[/a\\d\\\\/ /x/-1]", L"[/a\\d\\\\/ /x/-1]"},
        // Unterminated texts, from their opening character to the end.
        {L"{ a : \"abc\\\"", L"!Unexpectedly terminated double-quoted string. @0:6-0:12"},
        {L"[1\n 'ab\ncd", L"!Unexpectedly terminated single-quoted string. @1:1-2:2"},
        {L"[1 /* x */ /* y", L"!Unexpectedly terminated comment. @0:11-0:15"},
        {L"[1 /a\\/", L"!Unexpectedly terminated regular expression. @0:3-0:7"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(expected, parsed(text)) << text;
}

TEST(ValueNodeParser, NumberTextsThatAreNoNumbersFail) {
    ValueNode node;
    const std::wstring bad = L"12a";
    EXPECT_STREQ(L"Sequence is not a number.", ValueNodeParser::convertNumber(bad.data(), bad.data() + 3, node));
    const std::wstring dot = L".";
    EXPECT_STREQ(L"Sequence is not a number", ValueNodeParser::convertNumber(dot.data(), dot.data() + 1, node));
    EXPECT_EQ(ValueNode::Null, node.kind());
}

TEST(ValueNodeParser, NestingIsBounded) {
    const size_t limit = ValueNodeParser::MAX_DEPTH;
    EXPECT_EQ(std::wstring(limit, L'[') + std::wstring(limit, L']'),
              parsed(std::wstring(limit, L'[') + std::wstring(limit, L']')));
    EXPECT_EQ(L"!Nesting too deep. @0:512-0:513", parsed(std::wstring(limit, L'[') + L"{"));
    EXPECT_EQ(L"!Nesting too deep. @0:512-0:513", parsed(std::wstring(100000, L'[')));
    std::wstring dictionaries;
    for (size_t i = 0; i <= limit; ++i)
        dictionaries += L"{a:";
    EXPECT_EQ(L"!Nesting too deep. @0:1536-0:1537", parsed(dictionaries));
}

// Random damage to sample files ends in a tree or a ParserException, never in anything else.
TEST(ValueNodeParser, DamagedTextEndsInATreeOrAParserException) {
    const std::wstring samples[] = {
        L"{\n\tversion : '1 0 1 0'\n\tapp : { windows : { main : { left : 10 top : -20 state : 1 } }\n"
        L"\t\tfont : 'Consolas' size : 10.5 recent : [ 'c:\\\\a.txt' \"d:\\u00e9\\n\" ] } }",
        L"/* project */ { name : 'Tessel' folders : ( { path : /src\\/x/i filter : -2.5e+3 } ) open : true }",
    };
    const std::wstring alphabet = L"{}[]()'\"/\\*:,-+.eE09azu_ \n\t@\x00e9";
    std::mt19937 random(23);
    for (int round = 0; round < 100000; ++round) {
        std::wstring text = samples[round % 2];
        tessel_test::damageText(text, alphabet, random);
        ValueNode node;
        try {
            ValueNodeParser().parse(text.c_str(), node);
        } catch (const pel::ParserException& e) {
            ASSERT_TRUE(e.start.offset <= e.end.offset && e.end.offset <= text.size()) << text;
        }
    }
}

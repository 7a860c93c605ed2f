#include "JasmineTestSupport.h"

#include "pel/base/Assert.h"

using namespace pel;
using namespace tessel_test;

namespace {

TextPosition at(uint32_t line, uint32_t column, uint32_t offset) { return TextPosition{line, column, offset}; }

// Lexes both ways, checks that they agree and returns the tokens.
std::vector<LexedToken> lex(const std::wstring& text) {
    std::vector<LexedToken> direct = lexAll(text, false);
    std::vector<LexedToken> read = lexAll(text, true);
    EXPECT_EQ(direct.size(), read.size());
    for (size_t i = 0; i < direct.size() && i < read.size(); ++i) {
        EXPECT_EQ(direct[i].kind, read[i].kind);
        EXPECT_EQ(direct[i].text, read[i].text);
        EXPECT_EQ(direct[i].begin, read[i].begin);
        EXPECT_EQ(direct[i].end, read[i].end);
    }
    return direct;
}

// The kind of a text that must lex as exactly one token.
uint32_t singleKind(const std::wstring& text) {
    std::vector<LexedToken> tokens = lex(text);
    EXPECT_EQ(2u, tokens.size()) << "text: " << testing::PrintToString(text);
    EXPECT_EQ(text, tokens[0].text);
    return tokens[0].kind;
}

} // namespace

TEST(JasmineLexer, EmptyTextAndALoneSlashEndTheStream) {
    std::vector<LexedToken> tokens = lex(L"");
    ASSERT_EQ(1u, tokens.size());
    EXPECT_EQ(JasmineToken::KIND_EOS, tokens[0].kind);
    EXPECT_EQ(at(0, 0, 0), tokens[0].begin);
    EXPECT_EQ(at(0, 0, 0), tokens[0].end);

    tokens = lex(L"/");
    ASSERT_EQ(1u, tokens.size());
    EXPECT_EQ(JasmineToken::KIND_EOS, tokens[0].kind);
    EXPECT_EQ(at(0, 1, 1), tokens[0].begin);
    EXPECT_EQ(at(0, 1, 1), tokens[0].end);

    // The end repeats, with fresh indexes.
    JasmineLexer lexer(L"", 0);
    JasmineToken token;
    lexer.nextToken(&token);
    lexer.nextToken(&token);
    EXPECT_EQ(JasmineToken::KIND_EOS, token.kind);
    EXPECT_EQ(1u, token.index);
    EXPECT_THROW(lexer.nextToken(nullptr), NullPointerException);
}

TEST(JasmineLexer, NumbersAndWords) {
    for (const wchar_t* symbol : {L"-", L"1.", L"1e", L"12abc", L"1.2.3", L".5", L"-x", L"--5", L"1e+", L"a_b-c.d",
                                  L"nullx", L"True", L"NULL", L"falsey"})
        EXPECT_EQ(JasmineToken::KIND_SYMBOL, singleKind(symbol)) << symbol;
    for (const wchar_t* number : {L"-12", L"1.5e-3", L"0", L"1E+5", L"007", L"-0.0", L"99999999999"})
        EXPECT_EQ(JasmineToken::KIND_NUMBER, singleKind(number)) << number;
    EXPECT_EQ(JasmineToken::KIND_NULL, singleKind(L"null"));
    EXPECT_EQ(JasmineToken::KIND_TRUE, singleKind(L"true"));
    EXPECT_EQ(JasmineToken::KIND_FALSE, singleKind(L"false"));

    // A number ends where a character that is not part of a word follows.
    std::vector<LexedToken> tokens = lex(L"12,-3]");
    ASSERT_EQ(5u, tokens.size());
    EXPECT_EQ(L"12", tokens[0].text);
    EXPECT_EQ(JasmineToken::KIND_COMMA, tokens[1].kind);
    EXPECT_EQ(L"-3", tokens[2].text);
    EXPECT_EQ(JasmineToken::KIND_NUMBER, tokens[2].kind);
    EXPECT_EQ(JasmineToken::KIND_BRACKET_CLOSE, tokens[3].kind);
}

TEST(JasmineLexer, InvalidCharactersOutsideQuotes) {
    JasmineSyntaxException e = lexError(L"+1");
    EXPECT_EQ(L"Invalid token `+`.", e.message);
    EXPECT_EQ(at(0, 0, 0), e.start);
    EXPECT_EQ(at(0, 1, 1), e.end);

    e = lexError(L"[1,\n  \u00e9]");
    EXPECT_EQ(L"Invalid token `\u00e9`.", e.message);
    EXPECT_EQ(at(1, 2, 6), e.start);
    EXPECT_EQ(at(1, 3, 7), e.end);
    EXPECT_STREQ(L"JasmineSyntaxException", e.name());
    EXPECT_EQ(L"JasmineSyntaxException: Invalid token `\u00e9`. at `1:2` - `1:3`", e.displayText());
}

TEST(JasmineLexer, Strings) {
    EXPECT_EQ(JasmineToken::KIND_SINGLE_QUOTED, singleKind(L"'it''s'"));
    EXPECT_EQ(JasmineToken::KIND_SINGLE_QUOTED, singleKind(L"'a\\'b'"));
    EXPECT_EQ(JasmineToken::KIND_SINGLE_QUOTED, singleKind(L"'\\q\n'"));
    EXPECT_EQ(JasmineToken::KIND_DOUBLE_QUOTED, singleKind(L"\"\\\"\\/\\\\\\b\\f\\n\\r\\t\\v\\u00e9\\xAf\""));
    EXPECT_EQ(JasmineToken::KIND_DOUBLE_QUOTED, singleKind(L"\"two\nlines\""));

    JasmineSyntaxException e = lexError(L"x \"abc");
    EXPECT_EQ(L"Unexpectedly terminated double-quoted string.", e.message);
    EXPECT_EQ(at(0, 2, 2), e.start);
    EXPECT_EQ(at(0, 2, 2), e.end);
    EXPECT_EQ(L"Unexpectedly terminated double-quoted string.", lexError(L"\"abc\\").message);
    e = lexError(L" 'abc''");
    EXPECT_EQ(L"Unexpectedly terminated single-quoted string.", e.message);
    EXPECT_EQ(at(0, 1, 1), e.start);
    EXPECT_EQ(L"Unexpectedly terminated single-quoted string.", lexError(L"'abc\\'").message);
}

TEST(JasmineLexer, EscapeErrorsCoverTheEscape) {
    JasmineSyntaxException e = lexError(L"\"\\u41");
    EXPECT_EQ(L"Too short escape sequence `\\uHHHH` in double-quoted string.", e.message);
    EXPECT_EQ(at(0, 1, 1), e.start);
    EXPECT_EQ(at(0, 5, 5), e.end);

    e = lexError(L"\"\\u41G\"");
    EXPECT_EQ(L"Invalid character in escape sequence `\\uHHHH` in double-quoted string.", e.message);
    EXPECT_EQ(at(0, 1, 1), e.start);
    EXPECT_EQ(at(0, 5, 5), e.end);

    e = lexError(L"\"ab\\x4");
    EXPECT_EQ(L"Too short escape sequence `\\xHH` in double-quoted string.", e.message);
    EXPECT_EQ(at(0, 3, 3), e.start);
    EXPECT_EQ(at(0, 6, 6), e.end);

    e = lexError(L"\"\\xZ1\"");
    EXPECT_EQ(L"Invalid character in escape sequence `\\xHH` in double-quoted string.", e.message);
    EXPECT_EQ(at(0, 3, 3), e.end);

    e = lexError(L"\"\\q\"");
    EXPECT_EQ(L"Invalid escape sequence `\\q` in double-quoted string.", e.message);
    EXPECT_EQ(at(0, 1, 1), e.start);
    EXPECT_EQ(at(0, 3, 3), e.end);
}

TEST(JasmineLexer, RegularExpressionsAndComments) {
    EXPECT_EQ(JasmineToken::KIND_REGEXP, singleKind(L"/a\\/b/gi"));
    EXPECT_EQ(JasmineToken::KIND_REGEXP, singleKind(L"/a\nb/"));
    EXPECT_EQ(JasmineToken::KIND_LINE_COMMENT, singleKind(L"// to the end"));
    EXPECT_EQ(JasmineToken::KIND_BLOCK_COMMENT, singleKind(L"/* a\n * b **/"));
    EXPECT_EQ(JasmineToken::KIND_BLOCK_COMMENT, singleKind(L"/**/"));

    std::vector<LexedToken> tokens = lex(L"x // c\r\ny/*z*/1");
    ASSERT_EQ(8u, tokens.size());
    EXPECT_EQ(JasmineToken::KIND_LINE_COMMENT, tokens[2].kind);
    EXPECT_EQ(L"// c", tokens[2].text);
    EXPECT_EQ(at(0, 2, 2), tokens[2].begin);
    EXPECT_EQ(L"\r\n", tokens[3].text);
    EXPECT_EQ(at(1, 0, 8), tokens[4].begin);
    EXPECT_EQ(JasmineToken::KIND_BLOCK_COMMENT, tokens[5].kind);
    EXPECT_EQ(at(1, 1, 9), tokens[5].begin);
    EXPECT_EQ(at(1, 6, 14), tokens[5].end);

    JasmineSyntaxException e = lexError(L"  /abc");
    EXPECT_EQ(L"Unexpectedly terminated regular expression.", e.message);
    EXPECT_EQ(at(0, 2, 2), e.start);
    EXPECT_EQ(at(0, 2, 2), e.end);
    EXPECT_EQ(L"Unexpectedly terminated regular expression.", lexError(L"/abc\\/").message);
    e = lexError(L"1 /* x *");
    EXPECT_EQ(L"Unexpectedly terminated block comment.", e.message);
    EXPECT_EQ(at(0, 2, 2), e.start);
}

TEST(JasmineLexer, LineEndsAndIndexes) {
    std::vector<LexedToken> tokens = lex(L"a\r\nb");
    ASSERT_EQ(4u, tokens.size());
    EXPECT_EQ(at(1, 0, 3), tokens[2].begin);
    EXPECT_EQ(at(1, 1, 4), tokens[2].end);
    for (size_t i = 0; i < tokens.size(); ++i)
        EXPECT_EQ(i, tokens[i].index);

    // A lone CR ends a line too; it is counted when the next character arrives.
    tokens = lex(L"a\rb\nc\r\rd");
    ASSERT_EQ(8u, tokens.size());
    EXPECT_EQ(at(0, 2, 2), tokens[2].begin);
    EXPECT_EQ(at(1, 1, 3), tokens[2].end);
    EXPECT_EQ(at(2, 0, 4), tokens[4].begin);
    EXPECT_EQ(at(4, 1, 8), tokens[6].end); // CR CR ends two lines
}

TEST(JasmineLexer, PunctuationAndWhitespace) {
    std::vector<LexedToken> tokens = lex(L"{a:[1, true]}\t");
    std::vector<uint32_t> kinds;
    for (const LexedToken& token : tokens)
        kinds.push_back(token.kind);
    EXPECT_EQ((std::vector<uint32_t>{1, 7, 14, 3, 8, 13, 17, 10, 4, 2, 17, 18}), kinds);
    EXPECT_EQ(at(0, 3, 3), tokens[3].begin);
    EXPECT_EQ(at(0, 4, 4), tokens[3].end);
}

TEST(JasmineLexer, ANulWhereATokenBeginsEndsTheText) {
    std::wstring text(L"a\0b", 3);
    std::vector<LexedToken> tokens = lex(text);
    ASSERT_EQ(2u, tokens.size());
    EXPECT_EQ(at(0, 1, 1), tokens[1].begin);

    WideStringTextReader reader(text);
    JasmineLexer lexer(&reader);
    JasmineToken token;
    for (int i = 0; i < 4; ++i)
        lexer.nextToken(&token);
    EXPECT_EQ(JasmineToken::KIND_EOS, token.kind);
    EXPECT_EQ(L'\0', reader.read()); // read no further than the NUL

    // Inside whitespace a NUL is just more whitespace.
    tokens = lex(std::wstring(L" \0 x", 4));
    ASSERT_EQ(3u, tokens.size());
    EXPECT_EQ(3u, tokens[0].text.size());
    EXPECT_EQ(L"x", tokens[1].text);
}

TEST(JasmineToken, KindNames) {
    EXPECT_STREQ(L"reg-exp", JasmineToken::kindName(JasmineToken::KIND_REGEXP));
    EXPECT_STREQ(L"block comment (/* .. */)", JasmineToken::kindName(16));
    EXPECT_STREQ(L"eos", JasmineToken::kindName(18));
    EXPECT_STREQ(L"", JasmineToken::kindName(19));
}

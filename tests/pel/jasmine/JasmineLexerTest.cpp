#include "JasmineTestSupport.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineTokenStreams.h"
#include "support/Thrown.h"

using namespace pel;
using namespace tessel_test;

// Kinds: 1 { 2 } 3 [ 4 ] 5 "string" 6 'string' 7 word 8 number 9 /regexp/ 10 true 11 false
// 12 null 13 , 14 : 15 line comment 16 block comment 17 whitespace 18 end.

TEST(JasmineLexer, TextsOfOneToken) {
    using K = JasmineToken;
    const std::pair<uint32_t, std::vector<const wchar_t*>> groups[] = {
        {K::KIND_SYMBOL, {L"-", L"1.", L"1e", L"12abc", L"1.2.3", L".5", L"-x", L"--5", L"1e+", L"a_b-c.d", L"nullx",
                          L"True", L"NULL", L"falsey"}},
        {K::KIND_NUMBER, {L"-12", L"1.5e-3", L"0", L"1E+5", L"007", L"-0.0", L"99999999999"}},
        {K::KIND_NULL, {L"null"}}, {K::KIND_TRUE, {L"true"}}, {K::KIND_FALSE, {L"false"}},
        {K::KIND_SINGLE_QUOTED, {L"'it''s'", L"'a\\'b'", L"'\\q\n'"}},
        {K::KIND_DOUBLE_QUOTED, {L"\"\\\"\\/\\\\\\b\\f\\n\\r\\t\\v\\u00e9\\xAf\"", L"\"two\nlines\""}},
        {K::KIND_REGEXP, {L"/a\\/b/gi", L"/a\nb/"}},
        {K::KIND_LINE_COMMENT, {L"// to the end"}},
        {K::KIND_BLOCK_COMMENT, {L"/* a\n * b **/", L"/**/"}},
    };
    for (const auto& group : groups) {
        for (const wchar_t* text : group.second) {
            const std::wstring line = tokens(text);
            EXPECT_EQ(std::to_wstring(group.first) + L':' + escaped(text) + L"@0:0:0 18:@",
                      line.substr(0, line.rfind(L'@') + 1)); // the whole text, then the end
        }
    }
}

TEST(JasmineLexer, SequencesAndPositions) {
    const std::pair<std::wstring, const wchar_t*> cases[] = {
        {L"", L"18:@0:0:0"},
        {L"/", L"18:@0:1:1"}, // a lone slash at the end is dropped
        {L"12,-3]", L"8:12@0:0:0 13:,@0:2:2 8:-3@0:3:3 4:]@0:5:5 18:@0:6:6"},
        {L"{a:[1, true]}\t", L"1:{@0:0:0 7:a@0:1:1 14::@0:2:2 3:[@0:3:3 8:1@0:4:4 13:,@0:5:5 17: @0:6:6 "
                             L"10:true@0:7:7 4:]@0:11:11 2:}@0:12:12 17:\\t@0:13:13 18:@0:14:14"},
        {L"x // c\r\ny/*z*/1",
         L"7:x@0:0:0 17: @0:1:1 15:// c@0:2:2 17:\\r\\n@0:6:6 7:y@1:0:8 16:/*z*/@1:1:9 8:1@1:6:14 18:@1:7:15"},
        {L"a\r\nb", L"7:a@0:0:0 17:\\r\\n@0:1:1 7:b@1:0:3 18:@1:1:4"},
        // A lone CR ends a line too; it is counted when the next character arrives.
        {L"a\rb\nc\r\rd",
         L"7:a@0:0:0 17:\\r@0:1:1 7:b@0:2:2 17:\\n@1:1:3 7:c@2:0:4 17:\\r\\r@2:1:5 7:d@3:1:7 18:@4:1:8"},
        // A NUL where a token begins ends the text; inside whitespace it is whitespace.
        {std::wstring(L"a\0b", 3), L"7:a@0:0:0 18:@0:1:1"},
        {std::wstring(L" \0 x", 4), L"17: \\0 @0:0:0 7:x@0:3:3 18:@0:4:4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, tokens(c.first));
}

TEST(JasmineLexer, TheEndRepeatsWithFreshIndexes) {
    const std::wstring text(L"a\0b", 3);
    WideStringTextReader reader(text);
    JasmineLexer throughReader(&reader), direct(L"", 0);
    JasmineToken token;
    std::wstring seen;
    for (JasmineLexer* lexer : {&throughReader, &throughReader, &throughReader, &direct, &direct}) {
        lexer->nextToken(&token);
        seen += std::to_wstring(token.kind) + L'#' + std::to_wstring(token.index) + L' ';
    }
    EXPECT_EQ(L"7#0 18#1 18#2 18#0 18#1 ", seen);
    EXPECT_EQ(L'\0', reader.read()); // read no further than the NUL
    EXPECT_STREQ(L"block comment (/* .. */)", JasmineToken::kindName(JasmineToken::KIND_BLOCK_COMMENT));
    EXPECT_STREQ(L"", JasmineToken::kindName(19));
}

TEST(TTokenStore, ReproducesRangesAndCopies) {
    std::wstring text = L"[";
    for (int i = 0; i < 5000; ++i) // across many record blocks and text blocks
        text += L"  " + std::to_wstring(i) + L", 'long enough text to fill the blocks'\n";
    text += L"]";
    auto original = std::make_unique<Stored>(text);
    TTokenStore<JasmineToken>& store = original->store;
    EXPECT_EQ(text, original->all());
    EXPECT_EQ(JasmineToken::KIND_EOS, store.at(store.size() - 1).kind);
    for (xindex i = 0; i < store.size(); ++i) {
        EXPECT_EQ(i, store.at(i).index);
        EXPECT_EQ(L'\0', store.at(i).text[store.at(i).length()]);
    }
    std::wstring out = L">";
    EXPECT_EQ(3u, store.appendText(1, 3, out));
    EXPECT_EQ(2u, store.appendText(3, 2, out)); // nothing when first > last
    EXPECT_EQ(L">  0,", out);
    EXPECT_EQ(L"i", thrown<IndexOutOfBoundsException>([&] { store.at(store.size()); }));
    EXPECT_THROW(store.appendText(0, store.size(), out), IndexOutOfBoundsException);

    // A copy owns its texts: it outlives the original.
    TTokenStore<JasmineToken> copy(store), assigned;
    original.reset();
    assigned = copy;
    for (const TTokenStore<JasmineToken>* s : {&copy, &assigned}) {
        out.clear();
        s->appendText(0, s->size() - 1, out);
        EXPECT_EQ(text, out);
    }
    // Reading into a store empties it first.
    WideStringTextReader reader(L"[]");
    Owned value(JasmineReaderHelper::readToStore(&reader, &assigned));
    EXPECT_EQ(3u, assigned.size());
}

// A text taken into a store at once holds the tokens a reader gives, pointing into one copy of
// the text; tokens added afterwards go into blocks of their own.
TEST(TTokenStore, AWholeTextTakenAtOnceHoldsTheSameTokens) {
    std::vector<std::wstring> texts = jasmineSamples();
    texts.push_back(std::wstring(L"{a: 'b'}") + L'\0' + L" after the end");
    std::wstring big = L"[";
    for (int i = 0; i < 3000; ++i) // beyond a block of records, and beyond the lexed tokens' kept room
        big += L"  " + std::to_wstring(i) + L", 'text'\n";
    texts.push_back(big + L"]");
    for (const std::wstring& text : texts) {
        const Stored read(text);
        TTokenStore<JasmineToken> whole;
        // A text that fails in the parser or in the lexer leaves nothing behind for the next.
        EXPECT_ANY_THROW(Owned(JasmineReaderHelper::readToStore(text.size() % 2 ? L"{a: " : L"{a: 'b", &whole)));
        Owned value(JasmineReaderHelper::readToStore(text, &whole));
        ASSERT_EQ(read.store.size(), whole.size());
        for (xindex i = 0; i < whole.size(); ++i) {
            const JasmineToken &a = read.store.at(i), &b = whole.at(i);
            EXPECT_TRUE(a.kind == b.kind && a.index == b.index && at(a.begin) == at(b.begin) &&
                        at(a.end) == at(b.end) && std::wstring(a.text, a.length()) == std::wstring(b.text, b.length()))
                << i;
        }
        EXPECT_EQ(spans(*read.value), spans(*value));
    }

    TTokenStore<JasmineToken> store;
    const std::wstring text = L"[1, 2]";
    Owned value(JasmineReaderHelper::readToStore(text, &store));
    for (int i = 0; i < 100; ++i)
        store.addToken(store.at(1));
    JasmineToken outside = store.at(0);
    outside.text = L"[";
    EXPECT_THROW(store.assign(text.c_str(), text.size(), &outside, 1), InvalidArgumentException);
    EXPECT_EQ(107u, store.size());
    const TTokenStore<JasmineToken> copy(store);
    store.clear();
    std::wstring out;
    copy.appendText(0, copy.size() - 1, out);
    EXPECT_EQ(text + std::wstring(100, L'1'), out);
}

// Every read runs through the two streams; what no read shows is pinned here.
TEST(JasmineTokenStreams, TriviaOnRequestAndNoCurrentTokenBeforeTheFirst) {
    Stored document(L" a");
    JasmineStoreTokenStream stored(&document.store);
    EXPECT_THROW(stored.current(), AssertionViolationException);
    EXPECT_EQ(JasmineToken::KIND_WHITESPACE, stored.next(false).kind);
    EXPECT_EQ(JasmineToken::KIND_SYMBOL, stored.next(true).kind);
}

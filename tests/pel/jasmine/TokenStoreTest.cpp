#include "JasmineSamples.h"
#include "JasmineTestSupport.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/jasmine/JasmineTokenStreams.h"
#include "pel/value/Value.h"

#include <memory>

using namespace pel;
using namespace tessel_test;

namespace {

std::wstring allText(const TTokenStore<JasmineToken>& store) {
    std::wstring text;
    store.appendText(0, store.size() - 1, text);
    return text;
}

void fill(const std::wstring& text, TTokenStore<JasmineToken>& store) {
    WideStringTextReader reader(text);
    std::unique_ptr<Value> value(JasmineReaderHelper::readToStore(&reader, &store));
}

} // namespace

TEST(TTokenStore, TextsReproduceTheInput) {
    for (const std::wstring& sample : jasmineSamples()) {
        TTokenStore<JasmineToken> store;
        fill(sample, store);
        EXPECT_EQ(sample, allText(store));
        EXPECT_EQ(JasmineToken::KIND_EOS, store.at(store.size() - 1).kind);
        for (xindex i = 0; i < store.size(); ++i) {
            EXPECT_EQ(i, store.at(i).index);
            EXPECT_EQ(L'\0', store.at(i).text[store.at(i).length()]);
        }
    }
}

TEST(TTokenStore, IndexRangesAndCopies) {
    TTokenStore<JasmineToken> store;
    fill(L"{a: [1, 2] /* c */}", store);
    std::wstring out = L">";
    EXPECT_EQ(5u, store.appendText(4, 5, out));
    EXPECT_EQ(L">[1", out);
    EXPECT_EQ(2u, store.appendText(3, 2, out)); // nothing when first > last
    EXPECT_EQ(L">[1", out);

    try {
        store.at(store.size());
        FAIL();
    } catch (const IndexOutOfBoundsException& e) {
        EXPECT_EQ(L"i", e.message);
    }
    EXPECT_THROW(store.appendText(0, store.size(), out), IndexOutOfBoundsException);

    // A copy owns its texts: it outlives the original.
    std::unique_ptr<TTokenStore<JasmineToken>> original(new TTokenStore<JasmineToken>());
    fill(L"['a' \"b\" // c\n]", *original);
    TTokenStore<JasmineToken> copy(*original);
    const std::wstring expected = allText(*original);
    original.reset();
    EXPECT_EQ(expected, allText(copy));
    store = copy;
    EXPECT_EQ(expected, allText(store));
    EXPECT_EQ(copy.size(), store.size());
}

TEST(TTokenStore, ManyTokensAcrossBlocks) {
    std::wstring text = L"[";
    for (int i = 0; i < 5000; ++i)
        text += L"  " + std::to_wstring(i) + L", 'long enough text to fill the blocks'\n";
    text += L"]";
    TTokenStore<JasmineToken> store;
    fill(text, store);
    EXPECT_EQ(text, allText(store));
    // Filling again starts over.
    fill(L"[]", store);
    EXPECT_EQ(3u, store.size());
    EXPECT_EQ(L"[]", allText(store));
}

TEST(JasmineTokenStreams, SkipTriviaAndCurrent) {
    TTokenStore<JasmineToken> store;
    fill(L" a /*c*/ b", store);
    JasmineStoreTokenStream stream(&store);
    EXPECT_THROW(stream.current(), AssertionViolationException);
    EXPECT_EQ(L"a", std::wstring(stream.next(true).text, 1));
    EXPECT_EQ(JasmineToken::KIND_WHITESPACE, stream.next(false).kind);
    JasmineToken& b = stream.next(true);
    EXPECT_EQ(5u, b.index);
    EXPECT_EQ(&b, &stream.current());
    EXPECT_EQ(JasmineToken::KIND_EOS, stream.next(true).kind);

    JasmineLexer lexer(L" a /*c*/ b", 10);
    JasmineLexerTokenStream direct(&lexer);
    EXPECT_EQ(1u, direct.next(true).index);
    EXPECT_EQ(5u, direct.next(true).index);
    EXPECT_EQ(5u, direct.current().index);
}

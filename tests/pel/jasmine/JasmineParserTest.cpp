#include "JasmineSamples.h"
#include "JasmineTestSupport.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineParser.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/jasmine/JasmineTokenStreams.h"
#include "pel/stream/StreamTextReader.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"
#include "pel/value/ScalarValue.h"
#include "pel/value/StringValue.h"

#include <memory>
#include <sstream>

using namespace pel;
using namespace tessel_test;

namespace {

using Owned = std::unique_ptr<Value>;

TextPosition at(uint32_t line, uint32_t column, uint32_t offset) { return TextPosition{line, column, offset}; }

// Reads text in all three ways; they must agree.
Owned parse(const std::wstring& text) {
    Owned direct(JasmineReaderHelper::read(text));
    WideStringTextReader reader(text);
    Owned read(JasmineReaderHelper::read(&reader));
    WideStringTextReader storeReader(text);
    TTokenStore<JasmineToken> store;
    Owned stored(JasmineReaderHelper::readToStore(&storeReader, &store));
    EXPECT_TRUE(direct->equals(*read));
    EXPECT_TRUE(direct->equals(*stored));
    EXPECT_EQ(direct->range.outerEnd, stored->range.outerEnd);
    return direct;
}

JasmineSyntaxException parseError(const std::wstring& text) {
    JasmineSyntaxException errors[2] = {{L"", {}, {}}, {L"", {}, {}}};
    try {
        Owned value(JasmineReaderHelper::read(text));
        ADD_FAILURE() << "no error";
    } catch (const JasmineSyntaxException& e) {
        errors[0] = e;
    }
    try {
        WideStringTextReader reader(text);
        TTokenStore<JasmineToken> store;
        Owned value(JasmineReaderHelper::readToStore(&reader, &store));
        ADD_FAILURE() << "no error";
    } catch (const JasmineSyntaxException& e) {
        errors[1] = e;
    }
    EXPECT_EQ(errors[0].message, errors[1].message);
    EXPECT_EQ(errors[0].start, errors[1].start);
    EXPECT_EQ(errors[0].end, errors[1].end);
    return errors[0];
}

const DictionaryValue& asDictionary(const Owned& value) {
    EXPECT_EQ(Value::TYPE_DICTIONARY, value->type);
    return static_cast<const DictionaryValue&>(*value);
}

std::wstring text(const Value* value) {
    std::wstring s;
    EXPECT_TRUE(value && value->getString(&s));
    return s;
}

} // namespace

TEST(JasmineParser, CommasAreOptionalAndJsonIsJasmine) {
    Owned relaxed = parse(L"{a:1 b:2}");
    Owned trailing = parse(L"{a:1, b:2,}");
    Owned json = parse(L"{\"a\":1,\"b\":2}");
    EXPECT_TRUE(relaxed->equals(*trailing));
    EXPECT_TRUE(relaxed->equals(*json));
    EXPECT_EQ(2u, asDictionary(relaxed).size());

    Owned list = parse(L"[1,2,]");
    EXPECT_EQ(2u, static_cast<ListValue&>(*list).size());
    EXPECT_TRUE(list->equals(*parse(L"[1 2]")));
    EXPECT_TRUE(parse(L"{}")->equals(*parse(L"{ /* nothing */ }")));
}

TEST(JasmineParser, Keys) {
    Owned numbered = parse(L"{1: x}");
    const Value* x = asDictionary(numbered).find(L"1");
    ASSERT_NE(nullptr, x);
    EXPECT_EQ(L"x", text(x));
    EXPECT_EQ(StringValue::STYLE_SYMBOL, static_cast<const StringValue*>(x)->style);

    Owned quoted = parse(L"{'null': 1, \"true\": 2, 'a\\'b': 3, \"\\u0041\": 4, -1.5: 5}");
    for (const wchar_t* key : {L"null", L"true", L"a'b", L"A", L"-1.5"})
        EXPECT_TRUE(asDictionary(quoted).hasKey(key)) << key;

    JasmineSyntaxException e = parseError(L"{null: 1}");
    EXPECT_EQ(L"Expected `string`, `number` or a `symbol` but `null` found.", e.message);
    EXPECT_EQ(at(0, 1, 1), e.start);
    EXPECT_EQ(at(0, 5, 5), e.end);
    EXPECT_EQ(L"Expected `string`, `number` or a `symbol` but `comma (,)` found.", parseError(L"{,a:1}").message);
    EXPECT_EQ(L"Expected `string`, `number` or a `symbol` but `reg-exp` found.", parseError(L"{/a/:1}").message);

    e = parseError(L"{a 1}");
    EXPECT_EQ(L"Expected `colon (:)` but `number` found.", e.message);
    EXPECT_EQ(at(0, 3, 3), e.start);
    EXPECT_EQ(at(0, 4, 4), e.end);
}

TEST(JasmineParser, RepeatedKeysKeepTheFirstPlaceAndTheLastToken) {
    WideStringTextReader reader(L"{a:1, b:0, a:2}");
    TTokenStore<JasmineToken> store;
    Owned value(JasmineReaderHelper::readToStore(&reader, &store));
    const DictionaryValue& d = asDictionary(value);
    ASSERT_EQ(2u, d.size());
    int32_t i = 0;
    EXPECT_TRUE(d.getInteger(L"a", &i));
    EXPECT_EQ(2, i);
    const DictionaryMember& first = *d.insertionOrderBegin();
    EXPECT_EQ(L"a", first.key());
    EXPECT_EQ(11u, first.keyToken()); // the second a
    EXPECT_EQ(L"a", std::wstring(store.at(11).text, store.at(11).length()));
    EXPECT_EQ(at(0, 11, 11), first.value()->range.keyBegin);
}

TEST(JasmineParser, ErrorsAtTheEnd) {
    EXPECT_EQ(L"Expected value token but `eos` found.", parseError(L"").message);
    EXPECT_EQ(L"Expected value token but `eos` found.", parseError(L"  // only a comment").message);
    JasmineSyntaxException e = parseError(L"[1");
    EXPECT_EQ(L"Expected value token but `eos` found.", e.message);
    EXPECT_EQ(at(0, 2, 2), e.start);
    e = parseError(L"{a:1");
    EXPECT_EQ(L"Unexpectedly terminated while reading dictionary key.", e.message);
    EXPECT_EQ(at(0, 4, 4), e.start);
    EXPECT_EQ(L"Expected value token but `eos` found.", parseError(L"{a:").message);
    EXPECT_EQ(L"Expected `colon (:)` but `eos` found.", parseError(L"{a").message);
    EXPECT_EQ(L"Expected value token but `comma (,)` found.", parseError(L"[1,,2]").message);
    EXPECT_EQ(L"Expected value token but `comma (,)` found.", parseError(L"[,1]").message);
    EXPECT_EQ(L"Expected value token but `}` found.", parseError(L"[1}").message);
    EXPECT_EQ(L"Expected value token but `colon (:)` found.", parseError(L"{a::1}").message);
    EXPECT_EQ(L"Unexpectedly terminated double-quoted string.", parseError(L"[\"x]").message);
}

TEST(JasmineParser, Numbers) {
    int32_t i = 0;
    double d = 0;
    EXPECT_TRUE(parse(L"12")->getInteger(&i));
    EXPECT_EQ(12, i);
    EXPECT_TRUE(parse(L"-2147483648")->getInteger(&i));
    EXPECT_EQ(INT32_MIN, i);
    EXPECT_TRUE(parse(L"12.0")->getDouble(&d));
    EXPECT_EQ(12.0, d);
    EXPECT_TRUE(parse(L"1e3")->getDouble(&d));
    EXPECT_EQ(1000.0, d);
    EXPECT_TRUE(parse(L"4294967296")->getDouble(&d));
    EXPECT_EQ(4294967296.0, d);
    EXPECT_TRUE(parse(L"2147483648")->getDouble(&d));
    EXPECT_TRUE(parse(L"-0")->getInteger(&i));
    EXPECT_EQ(0, i);

    JasmineSyntaxException e = parseError(L"[1, 1e999]");
    EXPECT_EQ(L"Invalid token `number`.", e.message);
    EXPECT_EQ(at(0, 4, 4), e.start);
    EXPECT_EQ(at(0, 9, 9), e.end);
    // Underflow to zero is not a number either.
    EXPECT_EQ(L"Invalid token `number`.", parseError(L"1e-400").message);
}

TEST(JasmineParser, StringDecoding) {
    EXPECT_EQ(L"AA", text(parse(L"\"\\u0041\\x41\"").get()));
    EXPECT_EQ(L"\"/\\\b\f\n\r\t\v\u00e9\u00ff", text(parse(L"\"\\\"\\/\\\\\\b\\f\\n\\r\\t\\v\\u00E9\\xfF\"").get()));
    // Surrogate halves are kept as they come, even alone.
    EXPECT_EQ(std::wstring(L"\xD83D\xDE00\xDC00"), text(parse(L"\"\\uD83D\\uDE00\\uDC00\"").get()));
    EXPECT_EQ(L"\\u0041", text(parse(L"'\\u0041'").get()));
    EXPECT_EQ(L"it's", text(parse(L"'it''s'").get()));
    EXPECT_EQ(L"a'b", text(parse(L"'a\\'b'").get()));
    EXPECT_EQ(L"a\\nb", text(parse(L"'a\\nb'").get()));
    EXPECT_EQ(L"", text(parse(L"''").get()));

    Owned single = parse(L"'x'");
    EXPECT_EQ(StringValue::STYLE_SINGLE_QUOTED, static_cast<StringValue&>(*single).style);
    Owned doubled = parse(L"\"x\"");
    EXPECT_EQ(StringValue::STYLE_DOUBLE_QUOTED, static_cast<StringValue&>(*doubled).style);
}

TEST(JasmineParser, RegularExpressionsKeepTheirEscapes) {
    Owned value = parse(L"/a\\/b/i");
    ASSERT_EQ(Value::TYPE_REGEXP, value->type);
    const RegExpValue& regExp = static_cast<RegExpValue&>(*value);
    EXPECT_EQ(L"a\\/b", regExp.pattern);
    EXPECT_EQ(L"i", regExp.options);
    EXPECT_EQ(at(0, 1, 1), regExp.range.innerBegin);
    EXPECT_EQ(at(0, 5, 5), regExp.range.innerEnd); // before the closing slash
    EXPECT_EQ(at(0, 7, 7), regExp.range.outerEnd);

    Owned plain = parse(L"/\\\\/");
    EXPECT_EQ(L"\\\\", static_cast<RegExpValue&>(*plain).pattern);
    EXPECT_EQ(L"", static_cast<RegExpValue&>(*plain).options);
}

TEST(JasmineParser, OnlyTheFirstValueIsRead) {
    int32_t i = 0;
    EXPECT_TRUE(parse(L"1 2")->getInteger(&i));
    EXPECT_EQ(1, i);
    EXPECT_TRUE(Owned(JasmineReaderHelper::read(L"1}"))->getInteger(&i));
    Owned list(JasmineReaderHelper::read(L"[true] +++ \"unterminated"));
    EXPECT_EQ(Value::TYPE_LIST, list->type);

    // The reader is left right after the value.
    WideStringTextReader reader(L"[1] rest");
    Owned value(JasmineReaderHelper::read(&reader));
    EXPECT_EQ(L' ', reader.read());
}

TEST(JasmineParser, SourceRanges) {
    const std::wstring source = L"// head\n{\n\tkey: 'v',\n\tlist: [1 null]\n}";
    WideStringTextReader reader(source);
    TTokenStore<JasmineToken> store;
    Owned value(JasmineReaderHelper::readToStore(&reader, &store));
    const DictionaryValue& d = asDictionary(value);

    EXPECT_EQ(1, d.range.hasRange);
    EXPECT_EQ(JasmineToken::KIND_BRACE_OPEN, store.at(d.range.beginToken).kind);
    EXPECT_EQ(JasmineToken::KIND_BRACE_CLOSE, store.at(d.range.endToken).kind);
    EXPECT_EQ(d.range.endToken + 2, store.size()); // then only the end of stream
    EXPECT_EQ(at(1, 0, 8), d.range.outerBegin);
    EXPECT_EQ(at(1, 1, 9), d.range.innerBegin);
    EXPECT_EQ(at(4, 1, 38), d.range.outerEnd);
    EXPECT_EQ(at(4, 0, 37), d.range.innerEnd);

    for (const DictionaryMember& member : d.members()) {
        const JasmineToken& key = store.at(member.keyToken());
        EXPECT_EQ(member.key(), std::wstring(key.text, key.length()));
        EXPECT_EQ(key.begin, member.value()->range.keyBegin);
        EXPECT_EQ(key.end, member.value()->range.keyEnd);
    }

    const Value* v = d.find(L"key");
    EXPECT_EQ(at(2, 6, 16), v->range.outerBegin);
    EXPECT_EQ(at(2, 7, 17), v->range.innerBegin);
    EXPECT_EQ(at(2, 8, 18), v->range.innerEnd);
    EXPECT_EQ(at(2, 9, 19), v->range.outerEnd);
    EXPECT_EQ(v->range.beginToken, v->range.endToken);

    const ListValue* list = d.findList(L"list");
    std::wstring listText;
    store.appendText(list->range.beginToken, list->range.endToken, listText);
    EXPECT_EQ(L"[1 null]", listText);
    const Value* null = list->get(1);
    EXPECT_EQ(Value::TYPE_NULL, null->type);
    EXPECT_EQ(null->range.outerBegin, null->range.innerBegin);
    EXPECT_EQ(null->range.outerEnd, null->range.innerEnd);
    EXPECT_EQ(at(0, 0, 0), null->range.keyBegin); // list elements have no key
}

TEST(JasmineParser, NumberKeysBecomeSymbolsInTheStore) {
    WideStringTextReader reader(L"{7: x}");
    TTokenStore<JasmineToken> store;
    Owned value(JasmineReaderHelper::readToStore(&reader, &store));
    EXPECT_EQ(JasmineToken::KIND_SYMBOL, store.at(1).kind);
}

TEST(JasmineParser, NestingIsBounded) {
    const int limit = JasmineParser::MAX_DEPTH;
    Owned deepest = parse(std::wstring(limit, L'[') + std::wstring(limit, L']'));
    EXPECT_EQ(Value::TYPE_LIST, deepest->type);

    JasmineSyntaxException e = parseError(std::wstring(limit + 1, L'[') + std::wstring(limit + 1, L']'));
    EXPECT_EQ(L"Nesting deeper than 512 levels.", e.message);
    EXPECT_EQ(at(0, limit, limit), e.start);
    EXPECT_EQ(at(0, limit + 1, limit + 1), e.end);

    std::wstring mixed;
    for (int i = 0; i <= limit; ++i)
        mixed += i % 2 ? L"[" : L"{a:";
    EXPECT_EQ(L"Nesting deeper than 512 levels.", parseError(mixed).message);

    e = parseError(std::wstring(100000, L'['));
    EXPECT_EQ(L"Nesting deeper than 512 levels.", e.message);
}

TEST(JasmineReaderHelper, ReadsAFileThroughTheStreamReader) {
    // UTF-8 with a byte-order mark, as a bundle file on disk may be.
    std::istringstream bytes("\xEF\xBB\xBF{name: 'caf\xC3\xA9', list: [1 2] // end\n}");
    StreamTextReader reader(bytes, nullptr);
    TTokenStore<JasmineToken> store;
    Owned value(JasmineReaderHelper::readToStore(&reader, &store));
    Owned expected(JasmineReaderHelper::read(std::wstring(L"{name: 'caf\u00e9' list: [1, 2]}")));
    EXPECT_TRUE(value->equals(*expected));
    std::wstring all;
    store.appendText(0, store.size() - 1, all);
    EXPECT_EQ(L"{name: 'caf\u00e9', list: [1 2] // end\n}", all);
}

TEST(JasmineReaderHelper, ChecksItsArguments) {
    TTokenStore<JasmineToken> store;
    WideStringTextReader reader(L"1");
    EXPECT_THROW(JasmineReaderHelper::read(static_cast<TextReader*>(nullptr)), NullPointerException);
    EXPECT_THROW(JasmineReaderHelper::readToStore(nullptr, &store), NullPointerException);
    EXPECT_THROW(JasmineReaderHelper::readToStore(&reader, nullptr), NullPointerException);
}

TEST(JasmineReaderHelper, ReadsTheSamples) {
    for (const std::wstring& sample : jasmineSamples()) {
        Owned value = parse(sample);
        EXPECT_EQ(Value::TYPE_DICTIONARY, value->type);
    }
    Owned preferences = parse(jasmineSamples()[2]);
    const AbstractDictionaryValue* settings = asDictionary(preferences).findDictionary(L"settings");
    ASSERT_NE(nullptr, settings);
    std::wstring s;
    EXPECT_TRUE(settings->getString(L"x", &s));
    EXPECT_EQ(L"A\u00ff", s);
    EXPECT_TRUE(settings->getString(L"increaseIndentPattern", &s));
    EXPECT_EQ(L"^.*\\{[^}\"']*$", s);
    EXPECT_TRUE(asDictionary(preferences).hasKey(L"-2"));
}

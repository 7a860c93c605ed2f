#include "JasmineTestSupport.h"

#include "pel/jasmine/JasmineFormatter.h"

#include <limits>
#include <tuple>

using namespace pel;
using namespace tessel_test;

TEST(JasmineWriter, LayoutOfParsedDocuments) {
    const wchar_t* const cases[][3] = { // text, Jasmine, JSON
        {L"{a:1 b:[1 2] c:'it''s'}", L"{\n\ta: 1\n\tb:\n\t[\n\t\t1\n\t\t\n\t\t2\n\t\t\n\t]\n\tc: 'it''s'\n}",
         L"{\"a\":1,\"b\":[1,2],\"c\":\"it's\"}"},
        {L"{}", L"{\n}", L"{}"},
        {L"{d: {e: {}}}", L"{\n\td:\n\t{\n\t\te:\n\t\t{\n\t\t}\n\t}\n}", L"{\"d\":{\"e\":{}}}"},
        {L"{'a b': x, a.b-c_1: y}", L"{\n\t\"a b\": x\n\ta.b-c_1: y\n}", L"{\"a b\":\"x\",\"a.b-c_1\":\"y\"}"},
        // Keywords and the empty key are quoted; keys that lex as numbers read back as keys.
        {L"{'null':1 \"true\":2 '':3 1:4 -2.5e3:5}",
         L"{\n\t\"null\": 1\n\t\"true\": 2\n\t\"\": 3\n\t1: 4\n\t-2.5e3: 5\n}",
         L"{\"null\":1,\"true\":2,\"\":3,\"1\":4,\"-2.5e3\":5}"},
        {L"[\"\\t<\u00e9/>\\u0001\\\"\\\\\\b\\f\\r\\n\" null true -7]",
         L"[\n\t\"\\t\\u003C\u00e9/\\u003E\\u0001\\\"\\\\\\b\\f\\r\\n\"\n\t\n\tnull\n\t\n\ttrue\n\t\n\t-7\n\t\n]",
         L"[\"\\t\\u003C\u00e9/\\u003E\\u0001\\\"\\\\\\b\\f\\r\\n\",null,true,-7]"},
        {L"[1.0 1e6 0.25 -0.5 -0.0 1e-7 5e-324]",
         L"[\n\t1.0\n\t\n\t1e+06\n\t\n\t0.25\n\t\n\t-0.5\n\t\n\t-0.0\n\t\n\t1e-07\n\t\n\t5e-324\n\t\n]",
         L"[1.0,1e+06,0.25,-0.5,-0.0,1e-07,5e-324]"},
        // Regular expressions are written back as they were read.
        {L"[/a\\/b/i /[\\/]\\\\/ /\"/]",
         L"[\n\t/a\\/b/i\n\t\n\t/[\\/]\\\\/\n\t\n\t/\"/\n\t\n]", L"[/a\\/b/i,/[\\/]\\\\/,/\"/]"},
    };
    for (const auto& c : cases) {
        Owned value(JasmineReaderHelper::read(c[0]));
        EXPECT_EQ(c[1], jasmine(*value)) << c[0];
        EXPECT_EQ(c[2], json(*value)) << c[0];
    }
}

TEST(JasmineWriter, ValuesMadeInCode) {
    const std::tuple<Value*, const wchar_t*, const wchar_t*> cases[] = { // value, Jasmine, JSON
        {new StringValue(L"a/b", StringValue::STYLE_SYMBOL), L"\"a/b\"", L"\"a/b\""},
        {new StringValue(L"", StringValue::STYLE_SYMBOL), L"\"\"", L"\"\""},
        {new StringValue(L"false", StringValue::STYLE_SYMBOL), L"\"false\"", L"\"false\""},
        {new StringValue(L"007", StringValue::STYLE_SYMBOL), L"\"007\"", L"\"007\""},
        {new StringValue(L"1.", StringValue::STYLE_SYMBOL), L"1.", L"\"1.\""},
        {new StringValue(L"a\\", StringValue::STYLE_SINGLE_QUOTED), L"\"a\\\\\"", L"\"a\\\\\""},
        {new StringValue(L"a\\\\'b", StringValue::STYLE_SINGLE_QUOTED), L"'a\\\\''b'", L"\"a\\\\\\\\'b\""},
        {RegExpValue::create(L"a/b", L"i"), L"/a\\/b/i", L"/a\\/b/i"},
        {RegExpValue::create(L"", L""), L"/(?:)/", L"/(?:)/"},
        {RegExpValue::create(L"*a", L""), L"/\\*a/", L"/\\*a/"},
        {RegExpValue::create(L"a\\", L""), L"/a\\\\/", L"/a\\\\/"},
        {new ScalarValue(std::numeric_limits<double>::infinity()), L"null", L"null"},
        {new ScalarValue(std::numeric_limits<double>::quiet_NaN()), L"null", L"null"},
    };
    for (const auto& [made, jasmineText, jsonText] : cases) {
        Owned value(made);
        EXPECT_EQ(jasmineText, jasmine(*value));
        EXPECT_EQ(jsonText, json(*value));
    }
}

TEST(JasmineWriter, AppendsReusesItsFormatterAndKeepsTheTextWhenWritingFails) {
    auto formatter = std::make_shared<JasmineFormatter>();
    Owned value(JasmineReaderHelper::read(L"{a: [1 {b: 2}]}"));
    std::wstring text = L"// x\n";
    JasmineWriterHelper::write(value.get(), &text, formatter);
    JasmineWriterHelper::write(value.get(), &text, formatter);
    JasmineWriterHelper::appendJasmine(value.get(), &text);
    EXPECT_EQ(L"// x\n" + jasmine(*value) + jasmine(*value) + jasmine(*value), text);

    ListValue* list = ListValue::create();
    list->append(new StringValue(L"x", 3)); // a style no writer knows
    Owned bad(list);
    text = L"kept";
    EXPECT_THROW(JasmineWriterHelper::write(bad.get(), &text, formatter), IllegalStateException);
    EXPECT_EQ(L"kept", text);
    EXPECT_EQ(0, formatter->indent);
}

// Parse, write, parse: the same tree, for the reader's samples and for random trees.
TEST(JasmineWriter, RoundTrips) {
    std::vector<Owned> values;
    for (const std::wstring& sample : jasmineSamples())
        values.emplace_back(JasmineReaderHelper::read(sample));
    RandomDocuments random(11);
    for (int i = 0; i < 400; ++i)
        values.emplace_back(random.value(0));
    for (const Owned& value : values) {
        for (const std::wstring& text : {jasmine(*value), json(*value)})
            EXPECT_TRUE(value->equals(*Owned(JasmineReaderHelper::read(text)))) << text;
    }
}

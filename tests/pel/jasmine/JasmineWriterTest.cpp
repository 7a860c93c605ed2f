#include "JasmineSamples.h"
#include "RandomDocuments.h"

#include "pel/jasmine/JasmineFormatter.h"
#include "pel/jasmine/JasmineQuoting.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/jasmine/JasmineWriterHelper.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

using namespace pel;
using namespace tessel_test;

namespace {

using Owned = std::unique_ptr<Value>;

// Both helpers replace what the string held.
std::wstring jasmine(const Value& value) {
    std::wstring text = L"old";
    JasmineWriterHelper::toJasmine(&value, &text);
    return text;
}

std::wstring json(const Value& value) {
    std::wstring text = L"old";
    JasmineWriterHelper::toJson(&value, &text);
    return text;
}

} // namespace

TEST(JasmineWriter, LayoutOfParsedDocuments) {
    struct Case {
        const wchar_t* text;
        const wchar_t* jasmine;
        const wchar_t* json;
    } cases[] = {
        {L"{a:1 b:[1 2] c:'it''s'}", L"{\n\ta: 1\n\tb:\n\t[\n\t\t1\n\t\t\n\t\t2\n\t\t\n\t]\n\tc: 'it''s'\n}",
         L"{\"a\":1,\"b\":[1,2],\"c\":\"it's\"}"},
        {L"{}", L"{\n}", L"{}"},
        {L"{d: {e: {}}}", L"{\n\td:\n\t{\n\t\te:\n\t\t{\n\t\t}\n\t}\n}", L"{\"d\":{\"e\":{}}}"},
        {L"{'a b': x, a.b-c_1: y}", L"{\n\t\"a b\": x\n\ta.b-c_1: y\n}", L"{\"a b\":\"x\",\"a.b-c_1\":\"y\"}"},
        // Keywords and the empty key are quoted; keys that lex as numbers read back as keys.
        {L"{'null':1 \"true\":2 '':3 1:4 -2.5e3:5}", L"{\n\t\"null\": 1\n\t\"true\": 2\n\t\"\": 3\n\t1: 4\n\t-2.5e3: 5\n}",
         L"{\"null\":1,\"true\":2,\"\":3,\"1\":4,\"-2.5e3\":5}"},
        {L"[\"\\t<\u00e9/>\\u0001\\\"\\\\\\b\\f\\r\\n\" null true -7]",
         L"[\n\t\"\\t\\u003C\u00e9/\\u003E\\u0001\\\"\\\\\\b\\f\\r\\n\"\n\t\n\tnull\n\t\n\ttrue\n\t\n\t-7\n\t\n]",
         L"[\"\\t\\u003C\u00e9/\\u003E\\u0001\\\"\\\\\\b\\f\\r\\n\",null,true,-7]"},
        {L"[1.0 1e6 0.25 -0.5 -0.0 1e-7 5e-324]", L"[\n\t1.0\n\t\n\t1e+06\n\t\n\t0.25\n\t\n\t-0.5\n\t\n\t-0.0\n\t\n\t1e-07\n\t\n\t5e-324\n\t\n]",
         L"[1.0,1e+06,0.25,-0.5,-0.0,1e-07,5e-324]"},
        // Regular expressions are written back as they were read.
        {L"[/a\\/b/i /[\\/]\\\\/ /\"/]", L"[\n\t/a\\/b/i\n\t\n\t/[\\/]\\\\/\n\t\n\t/\"/\n\t\n]", L"[/a\\/b/i,/[\\/]\\\\/,/\"/]"},
    };
    for (const Case& c : cases) {
        Owned value(JasmineReaderHelper::read(c.text));
        EXPECT_EQ(jasmine(*value), c.jasmine) << c.text;
        EXPECT_EQ(json(*value), c.json) << c.text;
    }
}

TEST(JasmineWriter, ValuesMadeInCode) {
    struct Case {
        Value* value;
        const wchar_t* jasmine;
        const wchar_t* json;
    } cases[] = {
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
    for (const Case& c : cases) {
        Owned value(c.value);
        EXPECT_EQ(jasmine(*value), c.jasmine);
        EXPECT_EQ(json(*value), c.json);
    }
    Owned badStyle(new StringValue(L"x", 3));
    std::wstring text = L"kept";
    EXPECT_THROW(JasmineWriterHelper::appendJasmine(badStyle.get(), &text), IllegalStateException);
    EXPECT_EQ(text, L"kept");
    EXPECT_THROW(JasmineWriterHelper::write(badStyle.get(), &text, nullptr), NullPointerException);
}

TEST(JasmineWriter, WebServiceRequest) {
    DictionaryValue request;
    request.setValue(L"id", StringValue::create(L"6F9619FF-8B86-D011-B42D-00C04FC964FF"));
    request.setValue(L"version", StringValue::create(L"3.5"));
    request.setValue(L"number", new ScalarValue(int32_t{1042}));
    request.setValue(L"branch", StringValue::create(L"stable"));
    EXPECT_EQ(json(request), L"{\"id\":\"6F9619FF-8B86-D011-B42D-00C04FC964FF\",\"version\":\"3.5\",\"number\":1042,"
                             L"\"branch\":\"stable\"}");
}

TEST(JasmineWriter, FormatterIsReusableAndAppends) {
    auto formatter = std::make_shared<JasmineFormatter>();
    Owned value(JasmineReaderHelper::read(L"{a: [1 {b: 2}]}"));
    std::wstring text = L"// x\n";
    JasmineWriterHelper::write(value.get(), &text, formatter);
    JasmineWriterHelper::write(value.get(), &text, formatter);
    JasmineWriterHelper::appendJasmine(value.get(), &text);
    EXPECT_EQ(text, L"// x\n" + jasmine(*value) + jasmine(*value) + jasmine(*value));
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
        const std::wstring texts[] = {jasmine(*value), json(*value)};
        for (const std::wstring& text : texts) {
            Owned again(JasmineReaderHelper::read(text));
            EXPECT_TRUE(value->equals(*again)) << text;
        }
    }
}

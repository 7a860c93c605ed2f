#include "pel/base/Assert.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"
#include "pel/value/ScalarValue.h"
#include "pel/value/StringValue.h"
#include "pel/value/ValueExceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace pel;

namespace {
using Owned = std::unique_ptr<Value>;
} // namespace

TEST(Value, GettersAreStrictlyTyped) {
    ScalarValue integer(int32_t(7));
    StringValue text(L"7");
    double d = -1;
    int32_t i = -1;
    bool b = false;
    std::wstring s = L"unchanged";
    // No conversions, and a failed getter leaves its out-parameter alone.
    EXPECT_FALSE(integer.getDouble(&d));
    EXPECT_FALSE(ScalarValue(2.5).getInteger(&i));
    EXPECT_FALSE(text.getInteger(&i));
    EXPECT_FALSE(integer.getString(&s));
    EXPECT_FALSE(integer.getBool(&b));
    EXPECT_EQ(-1, d);
    EXPECT_EQ(-1, i);
    EXPECT_EQ(L"unchanged", s);

    EXPECT_TRUE(integer.getInteger(&i) && i == 7);
    EXPECT_TRUE(ScalarValue(true).getBool(&b) && b);
    EXPECT_TRUE(text.getString(&s) && s == L"7");
    EXPECT_THROW(integer.getInteger(nullptr), NullPointerException);
    EXPECT_THROW(text.getString(nullptr), NullPointerException);
}

TEST(Value, TypeNamesAndFactories) {
    EXPECT_STREQ(L"Real", Value::typeName(Value::TYPE_DOUBLE));
    EXPECT_STREQ(L"Dictionary", Value::typeName(7));
    EXPECT_STREQ(L"Null", Value::typeName(8));

    std::unique_ptr<StringValue> cut(StringValue::create(L"abcdef", 3));
    EXPECT_EQ(L"abc", cut->text);
    EXPECT_EQ(StringValue::STYLE_DOUBLE_QUOTED, cut->style);
    EXPECT_EQ(L"abcdef", std::unique_ptr<StringValue>(StringValue::create(L"abcdef", -1))->text);
    EXPECT_THROW(StringValue::create(nullptr, 0), NullPointerException);
}

TEST(Value, EqualityComparesKindAndContentOnly) {
    EXPECT_FALSE(StringValue(L"1").equals(ScalarValue(int32_t(1))));
    EXPECT_FALSE(ScalarValue(1.0).equals(ScalarValue(int32_t(1))));
    EXPECT_FALSE(ScalarValue(int32_t(1)).equals(ScalarValue(true)));
    EXPECT_TRUE(ScalarValue(false).equals(ScalarValue(false)));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(ScalarValue(nan).equals(ScalarValue(nan)));
    EXPECT_TRUE(StringValue(L"a", StringValue::STYLE_SYMBOL).equals(StringValue(L"a", StringValue::STYLE_SINGLE_QUOTED)));
    EXPECT_TRUE(RegExpValue(L"a+", L"i").equals(RegExpValue(L"a+", L"i")));
    EXPECT_FALSE(RegExpValue(L"a+", L"i").equals(RegExpValue(L"a+", L"")));
    EXPECT_FALSE(RegExpValue(L"a", L"").equals(StringValue(L"a")));

    Owned null(Value::create());
    Owned otherNull(Value::create());
    otherNull->range.hasRange = 1;
    otherNull->range.beginToken = 9;
    EXPECT_TRUE(null->equals(*otherNull)); // ranges never take part
    EXPECT_FALSE(null->equals(StringValue(L"null")));

    ListValue empty, alsoEmpty, one;
    one.append(new ScalarValue(int32_t(1)));
    EXPECT_TRUE(empty.equals(alsoEmpty));
    EXPECT_FALSE(empty.equals(one));
    EXPECT_FALSE(one.equals(empty));
}

TEST(Value, CloneCopiesContentAndRange) {
    ListValue list;
    list.append(new ScalarValue(int32_t(1)));
    list.append(new StringValue(L"x", StringValue::STYLE_SINGLE_QUOTED));
    list.append(new RegExpValue(L"a\\/b", L"gi"));
    list.append(Value::create());
    list.append(new ScalarValue(0.25));
    list.append(new ScalarValue(false));
    list.range.hasRange = 1;
    list.range.beginToken = 3;
    list.range.endToken = 11;
    list.range.innerEnd = TextPosition{1, 2, 3};
    list.get(1)->range.keyBegin = TextPosition{4, 5, 6};

    Owned copy(list.clone());
    ASSERT_EQ(Value::TYPE_LIST, copy->type);
    EXPECT_TRUE(copy->equals(list));
    const ListValue& cloned = static_cast<const ListValue&>(*copy);
    EXPECT_EQ(11u, cloned.range.endToken);
    EXPECT_EQ(3u, cloned.range.innerEnd.offset);
    EXPECT_EQ(6u, cloned.get(1)->range.keyBegin.offset);
    EXPECT_EQ(StringValue::STYLE_SINGLE_QUOTED, static_cast<const StringValue*>(cloned.get(1))->style);
    EXPECT_NE(list.get(0), cloned.get(0)); // deep
}

TEST(ListValue, AppendAndDictionaryLookup) {
    ListValue list;
    EXPECT_THROW(list.append(nullptr), AssertionViolationException);
    list.append(new StringValue(L"a"));
    list.append(new DictionaryValue());
    EXPECT_EQ(2u, list.size());
    EXPECT_EQ(list.get(1), list.getDictionary(1));

    try {
        list.getDictionary(2);
        FAIL();
    } catch (const ListIndexNotFoundValueException& e) {
        EXPECT_EQ(&list, e.list);
        EXPECT_EQ(2u, e.index);
        EXPECT_STREQ(L"ValueException", e.name());
        EXPECT_EQ(L"", e.message);
    }
    try {
        list.getDictionary(0);
        FAIL();
    } catch (const InvalidTypeInListValueException& e) {
        EXPECT_EQ(list.get(0), e.value);
        EXPECT_EQ(Value::TYPE_DICTIONARY, e.expectedType);
        EXPECT_EQ(0u, e.index);
        std::unique_ptr<Exception> copy(e.clone());
        EXPECT_NE(nullptr, dynamic_cast<InvalidTypeInListValueException*>(copy.get()));
        EXPECT_STREQ(L"ValueException", copy->name());
    }
}

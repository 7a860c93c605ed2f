#include "service/base/ConfigSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>

using namespace tessel;
using tessel_test::describe;

namespace {

constexpr uint32_t SET = ConfigValue::DECLARED | ConfigValue::HAS_VALUE | ConfigValue::CHANGED;

std::wstring described(const ConfigValue& value) { return describe(&value); }

} // namespace

TEST(ConfigValue, ReadsEveryTypeAsBooleanAndInteger) {
    const struct {
        ConfigValue value;
        bool b;
        int32_t i;
        uint32_t u;
    } rows[] = {
        {ConfigValue::fromString(L"true"), true, 0, 0},
        {ConfigValue::fromString(L"False"), false, 0, 0},
        {ConfigValue::fromString(L"1"), true, 1, 1},
        {ConfigValue::fromString(L"yes"), true, 0, 0}, // 'y' is odd
        {ConfigValue::fromString(L""), false, 0, 0},
        {ConfigValue::fromString(L"-12px"), true, -12, 4294967284u},
        {ConfigValue::fromInt(-5), true, -5, 4294967291u},
        {ConfigValue::fromBool(true), true, 1, 1},
        {ConfigValue::fromFloat(2.5f), true, 3, 3},
        {ConfigValue::fromFloat(-2.5f), true, -3, 0},
        {ConfigValue::fromFloat(1e20f), true, INT_MAX, UINT_MAX},
        {ConfigValue::fromList({ConfigValue::fromInt(1)}), false, 0, 0},
        {ConfigValue::fromValueNode(tessel_test::parse(L"{a:1}")), false, 0, 0},
        {ConfigValue(ConfigValue::STRING), false, 0, 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.b, row.value.getBool()) << described(row.value);
        EXPECT_EQ(row.i, row.value.getInt()) << described(row.value);
        EXPECT_EQ(row.u, row.value.getUInt()) << described(row.value);
    }
    // Texts, numbers, lists and trees answer only as their own type.
    const ConfigValue number = ConfigValue::fromFloat(1.5f), text = ConfigValue::fromString(L"x");
    EXPECT_EQ(1.5f, number.getFloat().value());
    EXPECT_EQ(nullptr, number.getString());
    EXPECT_STREQ(L"x", text.getString());
    EXPECT_FALSE(text.getFloat().has_value());
    EXPECT_EQ(nullptr, text.getList());
    EXPECT_EQ(nullptr, text.getValueTree());
    EXPECT_EQ(nullptr, ConfigValue(ConfigValue::STRING).getString()); // no value, no text
    EXPECT_TRUE(ConfigValue(ConfigValue::LIST).getList()->empty());
    EXPECT_EQ(ValueNode::Null, ConfigValue(ConfigValue::VALUE_TREE).getValueTree()->kind());
}

TEST(ConfigValue, SettersConvertToTheValuesType) {
    using Set = std::function<void(ConfigValue&)>;
    const ConfigValue tree = ConfigValue::fromValueNode(tessel_test::parse(L"{a:1}"));
    const struct {
        ConfigValue start;
        Set set;
        const wchar_t* expected;
    } rows[] = {
        {ConfigValue(), [](ConfigValue& v) { v.setInt(-5); }, L"INT i-5"},
        {ConfigValue(), [](ConfigValue& v) { v.setString(L"a"); }, L"STRING 'a'"},
        {ConfigValue(), [](ConfigValue& v) { v.setFloat(2.5f); }, L"FLOAT d2.5"},
        {ConfigValue(), [](ConfigValue& v) { v.setList({ConfigValue::fromInt(1), ConfigValue()}); }, L"LIST [i1 null]"},
        {ConfigValue(), [&](ConfigValue& v) { v.setValueTree(*tree.getValueTree()); }, L"TREE {a:i1}"},
        {ConfigValue::fromInt(5), [](ConfigValue& v) { v.setString(L"12"); }, L"INT i12"},
        {ConfigValue::fromInt(5), [](ConfigValue& v) { v.setString(L"zz"); }, L"INT i5"},
        {ConfigValue::fromInt(5), [](ConfigValue& v) { v.setFloat(-2.7f); }, L"INT i-2"},
        {ConfigValue::fromInt(5), [](ConfigValue& v) { v.setUInt(UINT_MAX); }, L"INT i-1"},
        {ConfigValue::fromUInt(5), [](ConfigValue& v) { v.setFloat(2.5f); }, L"UINT u3"},
        {ConfigValue::fromUInt(5), [](ConfigValue& v) { v.setFloat(-1.0f); }, L"UINT u0"},
        {ConfigValue::fromBool(true), [](ConfigValue& v) { v.setInt(0); }, L"BOOL false"},
        {ConfigValue::fromBool(false), [](ConfigValue& v) { v.setString(L"yes"); }, L"BOOL true"},
        {ConfigValue::fromBool(true), [](ConfigValue& v) { v.setFloat(0); }, L"BOOL true"},
        {ConfigValue::fromString(L"a"), [](ConfigValue& v) { v.setInt(-5); }, L"STRING '-5'"},
        {ConfigValue::fromString(L"a"), [](ConfigValue& v) { v.setUInt(UINT_MAX); }, L"STRING '4294967295'"},
        {ConfigValue::fromString(L"a"), [](ConfigValue& v) { v.setBool(true); }, L"STRING '1'"},
        {ConfigValue::fromString(L"a"), [](ConfigValue& v) { v.setFloat(1.5f); }, L"STRING 'a'"},
        {ConfigValue::fromFloat(1), [](ConfigValue& v) { v.setUInt(UINT_MAX); }, L"FLOAT d4294967296"},
        {ConfigValue::fromFloat(1), [](ConfigValue& v) { v.setString(L"2.25"); }, L"FLOAT d2.25"},
        {ConfigValue::fromFloat(1), [](ConfigValue& v) { v.setString(L"x"); }, L"FLOAT d1"},
        {ConfigValue::fromFloat(1), [](ConfigValue& v) { v.setFloat(0.1f); }, L"FLOAT d0.1"}, // as it was set
        {ConfigValue::fromList({}), [](ConfigValue& v) { v.setInt(1); }, L"LIST []"},
        {ConfigValue::fromInt(1), [](ConfigValue& v) { v.setList({ConfigValue::fromInt(2)}); }, L"INT i1"},
        {tree, [](ConfigValue& v) { v.setString(L"x"); }, L"TREE {a:i1}"},
        {tree, [](ConfigValue& v) { v.setValueTree(v.getValueTree()->getKey(L"a")); }, L"TREE i1"},
        {ConfigValue::fromInt(1), [](ConfigValue& v) { v.assign(ConfigValue::fromString(L"12")); }, L"INT i12"},
    };
    for (const auto& row : rows) {
        ConfigValue value = row.start;
        value.clearChanged();
        row.set(value);
        EXPECT_EQ(row.expected, described(value));
        // Changed only where the value is another one now.
        const bool changed = described(row.start) != row.expected;
        EXPECT_EQ(changed ? SET : SET & ~ConfigValue::CHANGED, value.getFlags() & ~ConfigValue::TYPE_MASK)
            << row.expected;
    }
    ConfigValue kept = ConfigValue::fromInt(1);
    kept.clearChanged();
    kept.assign(ConfigValue(ConfigValue::STRING)); // nothing to assign
    EXPECT_EQ(L"INT i1", described(kept));
    EXPECT_FALSE(kept.isChanged());
}

// A setter that stores the value already there changes nothing, whatever the type and however
// it is given: the same number as text, the same list or tree made anew, a NaN again; another
// value, a minus zero or one more element, does.
TEST(ConfigValue, StoringTheValueAlreadyThereChangesNothing) {
    using Set = std::function<void(ConfigValue&)>;
    const ValueNode tree = tessel_test::parse(L"{a:1 b:[x {c:'\u00e9\U0001F468\u200D\U0001F469'}]}");
    const ConfigValue::List list = {ConfigValue::fromString(L"\u05D0\u0301"), ConfigValue::fromList({ConfigValue::fromInt(1)})};
    const float nan = std::nanf("");
    const struct {
        ConfigValue start;
        Set same;
        Set other;
    } rows[] = {
        {ConfigValue::fromInt(-5), [](ConfigValue& v) { v.setInt(-5); }, [](ConfigValue& v) { v.setInt(5); }},
        {ConfigValue::fromInt(12), [](ConfigValue& v) { v.setString(L"12"); }, [](ConfigValue& v) { v.setString(L"13"); }},
        {ConfigValue::fromUInt(7), [](ConfigValue& v) { v.setFloat(7.2f); }, [](ConfigValue& v) { v.setFloat(7.6f); }},
        {ConfigValue::fromBool(true), [](ConfigValue& v) { v.setString(L"t"); }, [](ConfigValue& v) { v.setInt(0); }},
        {ConfigValue::fromString(L"\U0001F600 a"), [](ConfigValue& v) { v.setString(L"\U0001F600 a"); },
         [](ConfigValue& v) { v.setString(L"\U0001F600 b"); }},
        {ConfigValue::fromString(L"3"), [](ConfigValue& v) { v.setInt(3); }, [](ConfigValue& v) { v.setBool(true); }},
        {ConfigValue::fromFloat(0.1f), [](ConfigValue& v) { v.setString(L"0.1"); }, [](ConfigValue& v) { v.setFloat(0.2f); }},
        {ConfigValue::fromFloat(0.0f), [](ConfigValue& v) { v.setFloat(0.0f); }, [](ConfigValue& v) { v.setFloat(-0.0f); }},
        {ConfigValue::fromFloat(nan), [&](ConfigValue& v) { v.setFloat(nan); }, [](ConfigValue& v) { v.setFloat(1); }},
        {ConfigValue::fromList(list), [&](ConfigValue& v) { v.setList(ConfigValue::List(list)); },
         [&](ConfigValue& v) {
             ConfigValue::List longer = list;
             longer.push_back(ConfigValue());
             v.setList(longer);
         }},
        {ConfigValue::fromValueNode(tree), [&](ConfigValue& v) { v.setValueTree(ValueNode(tree)); },
         [](ConfigValue& v) { v.setValueTree(tessel_test::parse(L"{a:1}")); }},
    };
    for (const auto& row : rows) {
        ConfigValue value = row.start;
        value.clearChanged();
        row.same(value);
        EXPECT_FALSE(value.isChanged()) << described(row.start);
        EXPECT_TRUE(value.equals(row.start)) << described(row.start);
        row.other(value);
        EXPECT_TRUE(value.isChanged()) << described(row.start);
        EXPECT_FALSE(value.equals(row.start)) << described(row.start);
    }
    // A value that had none yet is changed by any setter, its default's value too.
    ConfigValue fresh(ConfigValue::INT);
    fresh.setInt(0);
    EXPECT_TRUE(fresh.isChanged());
}

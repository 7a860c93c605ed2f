#include "service/base/ValueNodeSupport.h"

#include "pel/base/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace tessel;
using tessel_test::make;
using tessel_test::parse;

TEST(ValueNode, GettersFollowTheKindTable) {
    struct Row {
        const char* what;
        ValueNode node;
        int32_t asInt;
        uint32_t asUInt;
        double asDouble;
        std::wstring asString;
        bool asBool;
    };
    // Defaults: -1, 7, -1.5, "def", and the flag each row names last is read with default true.
    const Row rows[] = {
        {"Null", ValueNode(), -1, 7, -1.5, L"def", true},
        {"Int 0", make([](ValueNode& n) { n.setInt(0); }), 0, 0, 0.0, L"def", true},
        {"Int 5", make([](ValueNode& n) { n.setInt(5); }), 5, 5, 5.0, L"def", false},
        {"UInt max", make([](ValueNode& n) { n.setUInt(4294967295u); }), -1, 4294967295u, 4294967295.0, L"def", false},
        {"Double 2.9", make([](ValueNode& n) { n.setDouble(2.9); }), 2, 2, 2.9, L"def", false},
        {"Double -2.9", make([](ValueNode& n) { n.setDouble(-2.9); }), -2, 0xFFFFFFFE, -2.9, L"def", false},
        {"Double 2^32+5", make([](ValueNode& n) { n.setDouble(4294967301.0); }), 5, 5, 4294967301.0, L"def", false},
        {"Bool true", make([](ValueNode& n) { n.setBool(true); }), 0, 0, 0.0, L"true", true},
        {"String empty", make([](ValueNode& n) { n.setString(L""); }), -1, 7, -1.5, L"", true},
        {"String none", ValueNode(ValueNode::String), -1, 7, -1.5, L"def", true},
        {"Symbol s", make([](ValueNode& n) { n.setSymbol(L"s"); }), -1, 7, -1.5, L"s", false},
        {"RegExp none", ValueNode(ValueNode::RegExp), -1, 7, -1.5, L"def", false},
        {"RegExp empty", ValueNode(RegExSource{}), -1, 7, -1.5, L"", true},
        {"RegExp ab", ValueNode(RegExSource{L"ab", L"i"}), -1, 7, -1.5, L"ab", false},
        {"List", parse(L"[1]"), -1, 7, -1.5, L"def", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.asInt, row.node.getInt(-1)) << row.what;
        EXPECT_EQ(row.asUInt, row.node.getUInt(7)) << row.what;
        EXPECT_EQ(row.asDouble, row.node.getDouble(-1.5)) << row.what;
        EXPECT_EQ(row.asString, row.node.getString(L"def")) << row.what;
        EXPECT_EQ(row.asBool, row.node.getBool(true)) << row.what;
    }
    ValueNode nan;
    nan.setDouble(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(0, nan.getInt(-1));
    EXPECT_FALSE(ValueNode().getBool(false));
}

TEST(ValueNode, EqualityByKind) {
    const ValueNode nan = make([](ValueNode& n) { n.setDouble(std::nan("")); });
    const std::tuple<const char*, ValueNode, ValueNode, bool> pairs[] = {
        {"dictionaries in any order", parse(L"{a:1 b:[2 x]}"), parse(L"{b:[2 x] a:1}"), true},
        {"dictionaries of other sizes", parse(L"{a:1}"), parse(L"{a:1 b:2}"), false},
        {"dictionaries with another value", parse(L"{a:1}"), parse(L"{a:2}"), false},
        {"lists in order", parse(L"[1 2]"), parse(L"[2 1]"), false},
        {"Int and UInt", parse(L"1"), make([](ValueNode& n) { n.setUInt(1); }), false},
        {"String and Symbol", parse(L"'a'"), make([](ValueNode& n) { n.setSymbol(L"a"); }), false},
        {"two Strings without text", ValueNode(ValueNode::String), ValueNode(ValueNode::String), false},
        {"two Nulls", ValueNode(), ValueNode(), true},
        {"NaN", nan, nan, false},
        {"two absent RegExps", ValueNode(ValueNode::RegExp), ValueNode(ValueNode::RegExp), true},
        {"one absent RegExp", ValueNode(ValueNode::RegExp), ValueNode(RegExSource{}), false},
        {"RegExp options", parse(L"/a/i"), parse(L"/a/"), false},
        {"same RegExps", parse(L"/a/i"), parse(L"/a/i"), true},
    };
    for (const auto& [what, a, b, equal] : pairs) {
        EXPECT_EQ(equal, a.equals(b)) << what;
        EXPECT_EQ(equal, b.equals(a)) << what;
    }
}

TEST(ValueNode, DictionaryAndListAccess) {
    const ValueNode list = parse(L"[1]");
    const ValueNode number = parse(L"5");
    const ValueNode dictionary = parse(L"{a:1 version:'1 0 1 0'}");
    for (const ValueNode* node : {&list, &number, &dictionary})
        EXPECT_EQ(&ValueNode::null(), &node->getKey(L"x")); // whose getters give their defaults
    EXPECT_EQ(1, dictionary.getKey(L"a").getInt(0));
    EXPECT_STREQ(L"1 0 1 0", dictionary.findVersion()->getString(nullptr));
    EXPECT_EQ(nullptr, list.findVersion());

    ValueNode node;
    ValueNode& first = node.getOrAddKey(L"a");
    EXPECT_EQ(ValueNode::Dictionary, node.kind());
    EXPECT_EQ(&first, &node.getOrAddKey(std::wstring(L"a")));
    EXPECT_EQ(1u, node.dictionaryBegin().size());
    for (int i = 0; i < 1000; ++i) // entries stay where they are while the dictionary grows
        node.getOrAddKey(std::to_wstring(i)).setInt(i);
    EXPECT_EQ(&first, &node.getKey(L"a"));
    node.getOrAddKey(L"version");
    node.removeVersion();
    EXPECT_EQ(nullptr, node.findVersion());

    ValueNode scalar = parse(L"5");
    EXPECT_THROW(scalar.getOrAddKey(L"a"), pel::AssertionViolationException);
    EXPECT_EQ(nullptr, scalar.addListItem());
    EXPECT_TRUE(scalar.dictionaryBegin().empty() && scalar.listBegin().empty());
    EXPECT_EQ(5, scalar.getInt(0));
    ValueNode items(ValueNode::List);
    items.addListItem()->setInt(1);
    items.addListItem()->setString(L"b");
    EXPECT_TRUE(items.equals(parse(L"[1 b]")));
}

TEST(ValueNode, CopiesAreDeepAndIndependent) {
    const ValueNode source = parse(L"{list:[1 [2 'two'] /r/i] text:'t' map:{k:v}}");
    ValueNode copy;
    copy.assign(source);
    ASSERT_TRUE(copy.equals(source));
    copy.getOrAddKey(L"list").addListItem()->setInt(3);
    copy.getOrAddKey(L"map").getOrAddKey(L"k").setString(L"changed");
    copy.getOrAddKey(L"text").clear();
    EXPECT_TRUE(source.equals(parse(L"{list:[1 [2 'two'] /r/i] text:'t' map:{k:v}}")));

    ValueNode self = source;
    self.assign(ValueNode(self));
    EXPECT_TRUE(self.equals(source));
    self = self; // a node assigned to itself stays as it was
    EXPECT_TRUE(self.equals(source));
    // A part of the tree taking the place of the whole.
    self.assign(self.getKey(L"map"));
    EXPECT_TRUE(self.equals(parse(L"{k:v}")));
    self = std::move(self.getOrAddKey(L"k"));
    EXPECT_STREQ(L"v", self.text());

    ValueNode cleared = source;
    cleared.clear();
    EXPECT_EQ(ValueNode::Null, cleared.kind());
    EXPECT_TRUE(cleared.equals(ValueNode()));
}

TEST(ValueNode, TextsEndAtTheirFirstNul) {
    ValueNode node;
    node.setString(L"ab\0cd", 5);
    EXPECT_STREQ(L"ab", node.text());
    node.setString(node.text() + 1); // from inside its own text
    EXPECT_STREQ(L"b", node.text());
}

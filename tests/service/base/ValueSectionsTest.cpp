#include "service/base/ValueNodeParser.h"
#include "service/base/ValueNodeSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace tessel;
using tessel_test::describe;
using tessel_test::parse;

namespace {

// The sections as the tree parse makes of the same text: each section a dictionary again.
std::wstring asTree(const ValueSections& sections) {
    if (!sections.dictionary)
        return L"no dictionary";
    ValueNode root(ValueNode::Dictionary);
    std::wstring order;
    for (const ValueSections::Entry& entry : sections.root) {
        const std::wstring key(entry.key, entry.keyLength);
        order += key + L" ";
        ValueNode& value = root.getOrAddKey(key);
        if (!entry.section) {
            value = entry.value;
            continue;
        }
        value = ValueNode(ValueNode::Dictionary);
        for (uint32_t i = entry.first; i < entry.first + entry.count; ++i) {
            const ValueSections::Entry& item = sections.entries[i];
            order += std::wstring(item.key, item.keyLength) + L" ";
            value.getOrAddKey(std::wstring(item.key, item.keyLength)) = item.value;
        }
    }
    return order + describe(root);
}

std::wstring manyKeys(const wchar_t* value) {
    std::wstring text;
    for (int i = 0; i < 12; ++i)
        text += L"k" + std::to_wstring(i) + L" : " + value + L" ";
    return text;
}

} // namespace

// A file of settings read without its two outer levels holds what the tree would, each key in
// the place it first came with the value it last had.
TEST(ValueSections, HoldWhatTheTreeHolds) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"{ version : '1' a : { x : 1 y : [2 {z:3}] } b : { } }", L"version a x y b {a:{x:i1 y:[i2 {z:i3}]} b:{} version:'1'}"},
        {L"{ a : { x : 1 x : 2 y : 3 x : 4 } }", L"a x y {a:{x:i4 y:i3}}"},
        {L"{ a : { x : 1 } b : 2 a : { y : 2 } }", L"a y b {a:{y:i2} b:i2}"},
        {L"{ a : { x : 1 } a : 5 }", L"a {a:i5}"},
        {L"{ a : 5 a : { x : 1 } }", L"a x {a:{x:i1}}"},
        {L"{ a : { " + manyKeys(L"1") + L"k3 : 9 k11 : [] } }",
         L"a k0 k1 k2 k3 k4 k5 k6 k7 k8 k9 k10 k11 "
         L"{a:{k0:i1 k10:i1 k11:[] k1:i1 k2:i1 k3:i9 k4:i1 k5:i1 k6:i1 k7:i1 k8:i1 k9:i1}}"},
        {L"[ { a : 1 } ]", L"no dictionary"},
        {L"5", L"no dictionary"},
        {L"// nothing", L"no dictionary"},
    };
    for (const auto& [text, expected] : cases) {
        ValueSections sections;
        ValueNodeParser().parseSections(text.c_str(), sections);
        EXPECT_EQ(expected, asTree(sections)) << text;
        if (sections.dictionary) {
            EXPECT_EQ(describe(parse(text)), expected.substr(expected.find(L'{'))) << text;
        }
    }
    ValueSections sections;
    ValueNodeParser parser;
    parser.parseSections(L"{ a : { x : 1 } }", sections);
    EXPECT_THROW(parser.parseSections(L"{ a : { x : 1 } b : { y : }", sections), pel::ParserException);
    EXPECT_TRUE(sections.root.empty() && sections.entries.empty() && !sections.dictionary);
}

// What a tree holds after an error: each container with what came before it, an entry whose
// value failed as null unless its key had a value before.
TEST(ValueSections, ATreeCutByAnErrorKeepsWhatCameBefore) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"{ a : 1 a : \"\\u00g9\" }", L"{a:i1}"},
        {L"{ a : 1 b : \"\\u00g9\" }", L"{a:i1 b:null}"},
        {L"{ a : 1 a : [ 2 { b : 3 c : [ 4 .", L"{a:[i2 {b:i3 c:[i4 null]}]}"},
        {L"[ 1 { a : { b : [ 2 ] } } [ @", L"[i1 {a:{b:[i2]}} []]"},
        {L"[ 1 [ 2 ] 3 -.e ]", L"[i1 [i2] i3 null]"},
    };
    for (const auto& [text, expected] : cases) {
        ValueNode node;
        EXPECT_THROW(ValueNodeParser().parse(text, node), pel::ParserException) << text;
        EXPECT_EQ(expected, describe(node)) << text;
    }
}

// Large dictionaries are searched through an index, which removals and later additions keep
// true; copies and comparisons see only the entries that are there.
TEST(ValueSections, LargeDictionariesFindTheirEntriesAfterRemovals) {
    ValueNode node = parse(L"{ version : 0 " + manyKeys(L"1") + L"}");
    node.removeVersion();
    EXPECT_EQ(nullptr, node.findVersion());
    for (int i = 12; i < 40; ++i)
        node.getOrAddKey(L"k" + std::to_wstring(i)).setInt(i);
    node.getOrAddKey(L"version").setInt(2);
    ValueNode copy(node);
    EXPECT_TRUE(copy.equals(node));
    EXPECT_EQ(41u, copy.dictionaryBegin().size());
    size_t seen = 0;
    for (const ValueNode::Entry& entry : node.dictionaryBegin())
        seen += &node.getKey(entry.first) == &entry.second ? 1 : 0;
    EXPECT_EQ(41u, seen);
    EXPECT_EQ(2, copy.findVersion()->getInt(0));
    EXPECT_EQ(39, copy.getKey(L"k39").getInt(0));
    copy.removeVersion();
    EXPECT_FALSE(copy.equals(node));
}

#include "service/bundles/grammar/GrammarFileTypes.h"

#include "service/base/ConfigValue.h"
#include "service/base/ValueNode.h"

#include <gtest/gtest.h>

using namespace tessel;

TEST(GrammarFileTypes, TheLongestExtensionWinsAndTheUsersComeFirst) {
    GrammarFileTypes types;
    types.addGrammar(L"text.html", {L"html", L"htm"});
    types.addGrammar(L"text.blade", {L"blade.html", L"html"}); // html is taken
    types.addGrammar(L"source.make", {L"makefile"});
    types.addGrammar(L"source.php", {L"php"});
    const struct {
        const wchar_t* file;
        const wchar_t* grammar;
    } rows[] = {
        {L"view.blade.html", L"text.blade"}, {L"index.html", L"text.html"},   {L"C:\\a\\INDEX.HTM", L"text.html"},
        {L"Makefile", L"source.make"},       {L"src/makefile", L"source.make"}, {L"XMakefile", L""},
        {L"indexphp", L""},                  {L"index.php", L"source.php"},   {L"", L""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.grammar, types.findGrammarName(row.file)) << row.file;
    std::vector<std::wstring> extensions;
    types.getFileTypes(L"text.blade", extensions);
    EXPECT_EQ(std::vector<std::wstring>{L"blade.html"}, extensions);

    // A choice made on "Index.PHP" applies to every file of the extension, whatever its case.
    types.setUserFileType(L"html", L"text.third");
    types.setUserFileType(L"PHP", L"text.third");
    types.setUserFileType(L"", L"text.none");
    EXPECT_EQ(L"text.third", types.findGrammarName(L"index.html"));
    EXPECT_EQ(L"text.blade", types.findGrammarName(L"view.blade.html"));
    EXPECT_EQ(L"text.third", types.findGrammarName(L"Index.PHP"));
    types.setUserFileType(L"html", L"text.html");
    EXPECT_EQ(2u, types.getUserRecords().size());
    types.removeGrammar(L"text.html");
    EXPECT_EQ(L"", types.findGrammarName(L"a.htm"));
    EXPECT_EQ(L"text.html", types.findGrammarName(L"a.html")); // the user's record stays
}

TEST(GrammarFileTypes, UserChoicesGoThroughTheSetting) {
    GrammarFileTypes types;
    types.setUserFileType(L"inc", L"source.php");
    types.setUserFileType(L"tpl", L"text.html");
    types.setUserFileType(L"phtml", L"source.php");
    ConfigValue setting(ConfigValue::LIST);
    types.saveUserFileTypes(setting);
    ASSERT_EQ(2u, setting.getList()->size());
    const ValueNode& first = *setting.getList()->at(0).getValueTree();
    EXPECT_STREQ(L"source.php", first.getKey(L"grammar_name").text());
    EXPECT_EQ(2u, first.getKey(L"extensions").listBegin().size());

    // Read back, with elements that do not fit skipped and extensions lower-cased.
    ConfigValue::List list = *setting.getList();
    ValueNode odd(ValueNode::Dictionary);
    odd.getOrAddKey(L"grammar_name").setString(L"text.x");
    odd.getOrAddKey(L"extensions") = ValueNode(ValueNode::List);
    odd.getOrAddKey(L"extensions").addListItem()->setString(L"XY");
    odd.getOrAddKey(L"extensions").addListItem()->setString(L"");
    list.push_back(ConfigValue::fromValueNode(odd));
    list.push_back(ConfigValue::fromString(L"stray"));
    ValueNode nameless(ValueNode::Dictionary);
    nameless.getOrAddKey(L"extensions") = ValueNode(ValueNode::List);
    list.push_back(ConfigValue::fromValueNode(nameless));
    GrammarFileTypes loaded;
    loaded.loadUserFileTypes(ConfigValue::fromList(list));
    ASSERT_EQ(4u, loaded.getUserRecords().size());
    EXPECT_EQ(L"phtml", loaded.getUserRecords()[1].extension);
    EXPECT_EQ(L"xy", loaded.getUserRecords()[3].extension);
    EXPECT_EQ(L"text.x", loaded.findGrammarName(L"a.Xy"));
}

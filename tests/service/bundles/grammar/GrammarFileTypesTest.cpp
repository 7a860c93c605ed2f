#include "service/bundles/grammar/GrammarFileTypes.h"

#include "service/base/ConfigValue.h"
#include "service/base/ValueNode.h"

#include <gtest/gtest.h>

using namespace tessel;

TEST(GrammarFileTypes, TheLongestExtensionWinsTheUsersFirstAndTheSettingKeepsTheirs) {
    GrammarFileTypes types;
    types.addGrammar(L"text.html", {L"html", L"htm"});
    types.addGrammar(L"text.blade", {L"blade.html", L"html"}); // html is taken
    types.addGrammar(L"source.make", {L"makefile"});
    types.addGrammar(L"source.php", {L"php"});
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        {L"view.blade.html", L"text.blade"}, {L"index.html", L"text.html"},    {L"C:\\a\\INDEX.HTM", L"text.html"},
        {L"Makefile", L"source.make"},       {L"src/makefile", L"source.make"}, {L"XMakefile", L""},
        {L"indexphp", L""},                  {L"index.php", L"source.php"},    {L"", L""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.second, types.findGrammarName(row.first)) << row.first;

    // A choice made on "Index.PHP" applies to every file of the extension, whatever its case.
    types.setUserFileType(L"html", L"text.third");
    types.setUserFileType(L"PHP", L"text.third");
    types.setUserFileType(L"", L"text.none");
    types.setUserFileType(L"tpl", L"text.html");
    EXPECT_EQ(L"text.third", types.findGrammarName(L"index.html"));
    EXPECT_EQ(L"text.blade", types.findGrammarName(L"view.blade.html"));
    EXPECT_EQ(L"text.third", types.findGrammarName(L"Index.PHP"));
    types.removeGrammar(L"text.third");
    EXPECT_EQ(L"text.third", types.findGrammarName(L"a.html")) << "the user's records stay";

    // Saved one element per grammar, and read back with elements that do not fit skipped.
    ConfigValue setting(ConfigValue::LIST);
    types.saveUserFileTypes(setting);
    ConfigValue::List list = *setting.getList();
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(2u, list[0].getValueTree()->getKey(L"extensions").listBegin().size());
    ValueNode odd(ValueNode::Dictionary);
    odd.getOrAddKey(L"grammar_name").setString(L"text.x");
    odd.getOrAddKey(L"extensions") = ValueNode(ValueNode::List);
    odd.getOrAddKey(L"extensions").addListItem()->setString(L"XY");
    odd.getOrAddKey(L"extensions").addListItem()->setString(L"");
    list.push_back(ConfigValue::fromValueNode(odd));
    list.push_back(ConfigValue::fromString(L"stray"));
    GrammarFileTypes loaded;
    loaded.loadUserFileTypes(ConfigValue::fromList(list));
    ASSERT_EQ(4u, loaded.getUserRecords().size());
    EXPECT_EQ(L"php", loaded.getUserRecords()[1].extension);
    EXPECT_EQ(L"text.x", loaded.findGrammarName(L"a.Xy")) << "lower-cased when loaded";
}

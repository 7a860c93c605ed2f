#include "service/base/ConfigSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

using namespace tessel;
using tessel_test::configLines;
using tessel_test::describe;

namespace {

std::string file(const std::string& sections) { return "{ version : '1 0 1 12e4b4c8' " + sections + " }"; }

} // namespace

class ConfigLoading : public tessel_test::ConfigFiles {
protected:
    ConfigLoading() { declare(config); }
    void declare(Config& target) {
        space = target.addNameSpace(at(L"a.tsConfig").c_str(), false);
        target.declareValueWithDefault(space, L"app.text", ConfigValue::fromString(L"default"));
        target.declareValueWithDefault(space, L"app.number", ConfigValue::fromFloat(1.5f));
        target.declareValueWithDefault(space, L"app.flag", ConfigValue::fromBool(true));
        target.declareValueWithDefault(space, L"app.count", ConfigValue::fromInt(3));
        target.declareValueWithDefault(space, L"app.list", ConfigValue::fromList({ConfigValue::fromInt(1)}));
        target.declareValueWithDefault(space, L"app.tree", ConfigValue::fromValueNode(tessel_test::parse(L"{a:1}")));
    }
    std::wstring value(const wchar_t* identifier) const { return describe(config.findValue(identifier)); }

    Config config{nullptr};
    ConfigNameSpace* space = nullptr;
};

TEST_F(ConfigLoading, DeclaredTextNumberListAndTreeKeepTheirTypes) {
    const struct {
        const char* entry;
        const wchar_t* identifier;
        const wchar_t* expected;
        const wchar_t* holds; // what the user is told the entry holds, when told
        const wchar_t* told;  // and the rest of what the user is told, after its file
    } rows[] = {
        {"text : 12", L"app.text", L"STRING '12'", nullptr, nullptr},
        {"text : true", L"app.text", L"STRING '1'", nullptr, nullptr},
        {"text : [1 2]", L"app.text", L"STRING 'default'", L"[ 1 2 ]", L", which is not a text: Tessel uses 'default'."},
        {"text : 1.5", L"app.text", L"STRING 'default'", L"1.5", L", which is not a text: Tessel uses 'default'."},
        {"text : null", L"app.text", L"STRING 'default'", nullptr, nullptr},
        {"text : /x/", L"app.text", L"STRING 'default'", L"/x/", L", which is not a text: Tessel uses 'default'."},
        {"number : 2", L"app.number", L"FLOAT d2", nullptr, nullptr},
        {"number : 'wide'", L"app.number", L"FLOAT d1.5", L"'wide'", L", which is not a number: Tessel uses 1.5."},
        {"list : 5", L"app.list", L"LIST [i1]", L"5", L", which is not a list: Tessel uses [ 1 ]."},
        {"list : [ 'a' [ 2.5 ] null ]", L"app.list", L"LIST ['a' [d2.5] null]", nullptr, nullptr},
        {"tree : 5", L"app.tree", L"TREE i5", nullptr, nullptr},
        // Integers and booleans are typed by the file; a declared integer takes back a whole
        // number that the parser read as a Double.
        {"flag : 1", L"app.flag", L"INT i1", nullptr, nullptr},
        {"count : 4294967295", L"app.count", L"FLOAT d4294967296", nullptr, nullptr},
        {"count : -2147483648", L"app.count", L"INT i-2147483648", nullptr, nullptr},
        {"fresh : 2.5", L"app.fresh", L"FLOAT d2.5", nullptr, nullptr},
        {"fresh : null", L"app.fresh", L"none", nullptr, nullptr},
    };
    for (const auto& row : rows) {
        Config fresh(nullptr);
        declare(fresh);
        folder.write(L"a.tsConfig", file(std::string("app : { ") + row.entry + " }"));
        tessel_test::LogCapture capture;
        EXPECT_TRUE(fresh.loadAll()) << row.entry;
        EXPECT_EQ(row.expected, describe(fresh.findValue(row.identifier))) << row.entry;
        // What is not taken is named with the file's value and the one used instead, once.
        const std::wstring line = row.told ? L"2 Settings: `" + std::wstring(row.identifier) + L"` is " + row.holds +
                                                 L" in `" + full(L"a.tsConfig") + L"`" + row.told + L"\n"
                                           : std::wstring();
        EXPECT_EQ(row.told ? std::vector<std::wstring>{line} : std::vector<std::wstring>(), configLines(capture))
            << row.entry;
        EXPECT_EQ(row.told ? 1u : 0u, fresh.takeProblems().size()) << row.entry;
        // Nothing read is a change of this run: a save writes none of it.
        if (const ConfigValue* taken = fresh.findValue(row.identifier))
            EXPECT_FALSE(taken->isChanged()) << row.entry;
    }
}

TEST_F(ConfigLoading, RejectedFilesKeepEveryDefaultAndDamagedEntriesAreSkipped) {
    // Each reason is told once in a run: the second file without a version says nothing new.
    const std::pair<std::string, std::wstring> rows[] = {
        {"{ version : '1 2' app : { count : 9 } }", L"its version '1 2' is not one Tessel reads"},
        {"{ version : 7 app : { count : 9 } }", L"its version 7 is not one Tessel reads"},
        {"{ app : { count : 9 } }", L"it names no version (the format of older versions)"},
        {"[ 1 2 ]", L""},
        {"{ version : '1 0 1 0'\n  app : { count : 9, text : 'x' } }",
         L"a syntax error at line 2, column 20: Unexpected <UNKNOWN_TOKEN>, expecting symbol (not quoted string) or "
         L"number"},
    };
    for (const auto& [text, why] : rows) {
        folder.write(L"a.tsConfig", text);
        tessel_test::LogCapture capture;
        EXPECT_FALSE(config.loadAll()) << text;
        const std::vector<std::wstring> told{L"2 Settings: `" + full(L"a.tsConfig") + L"` cannot be read: " + why +
                                             L". Its settings keep their defaults, and the file stays as it is.\n"};
        EXPECT_EQ(why.empty() ? std::vector<std::wstring>() : told, configLines(capture));
        EXPECT_FALSE(space->hasChanges()) << text;
        EXPECT_EQ(L"INT i3", value(L"app.count"));
    }
    // Nothing changed: nothing is written over the damaged file.
    EXPECT_TRUE(config.saveAll());
    EXPECT_EQ(rows[4].first, folder.read(L"a.tsConfig"));
    folder.write(L"a.tsConfig", "{ version : '9 9 9 ff' app : { " + std::string(300, 'k') +
                                    " : 1 count : 7 } other : 5 empty : { } }");
    tessel_test::LogCapture capture;
    EXPECT_TRUE(config.loadAll());
    EXPECT_EQ(L"INT i7", value(L"app.count"));
    std::vector<std::wstring> lines = configLines(capture);
    std::sort(lines.begin(), lines.end()); // sections come in the dictionary's order
    EXPECT_EQ((std::vector<std::wstring>{L"2 Config: section 'other' in 'cfg:a.tsConfig' is no dictionary, skipped\n",
                                         L"3 Config: Name space 'empty' not found\n",
                                         L"3 Config: Value identifier is too long\n"}),
              lines);
}

TEST_F(ConfigLoading, AValueTypedByTheFileTakesTheTypeDeclaredLater) {
    folder.write(L"a.tsConfig", file("late : { number : 2 text : 12 list : 3 }"));
    EXPECT_TRUE(config.loadAll());
    EXPECT_EQ(L"INT i2", value(L"late.number"));
    tessel_test::LogCapture capture;
    ConfigValue* number = config.declareValueWithDefault(space, L"late.number", ConfigValue::fromFloat(0.5f));
    ConfigValue* text = config.declareValue(space, L"late.text", ConfigValue::STRING);
    ConfigValue* list = config.declareValueWithDefault(space, L"late.list", ConfigValue::fromList({}));
    EXPECT_EQ(L"FLOAT d2", describe(number));
    EXPECT_EQ(L"STRING '12'", describe(text));
    EXPECT_EQ(L"LIST []", describe(list));
    // The default a refused value keeps is no change either.
    EXPECT_FALSE(number->isChanged() || text->isChanged() || list->isChanged());
    EXPECT_EQ(std::vector<std::wstring>{L"2 Settings: `late.list` is 3 in `" + full(L"a.tsConfig") +
                                        L"`, which is not a list: Tessel uses [ ].\n"},
              configLines(capture));
}

class ConfigSaving : public tessel_test::ConfigFiles {
protected:
    // Two writable name spaces and a read-only one, each with every type.
    static void declare(Config& config) {
        for (const wchar_t* name : {L"a", L"b", L"r"}) {
            ConfigNameSpace* space = config.addNameSpace(at(std::wstring(name) + L".tsConfig").c_str(), *name == L'r');
            const auto add = [&](const wchar_t* key, const ConfigValue& value) {
                config.declareValueWithDefault(space, (std::wstring(name) + L"." + key).c_str(), value);
            };
            add(L"colour", ConfigValue::fromUInt(0xFFFFFFFF));
            add(L"near", ConfigValue::fromUInt(4294967290u));
            add(L"least", ConfigValue::fromInt(INT_MIN));
            add(L"scale", ConfigValue::fromFloat(2.0f));
            add(L"tenth", ConfigValue::fromFloat(0.1f));
            add(L"on", ConfigValue::fromBool(false));
            add(L"name", ConfigValue::fromString(L"it's"));
            add(L"list", ConfigValue::fromList({ConfigValue::fromString(L"x"), ConfigValue::fromList({ConfigValue::fromInt(1)})}));
            add(L"tree", ConfigValue::fromValueNode(tessel_test::parse(L"{w:{left:1}}")));
            config.declareValue(space, (std::wstring(name) + L".unset").c_str(), ConfigValue::STRING);
        }
    }
    static std::vector<std::wstring> values(const Config& config, const std::wstring& path) {
        std::vector<std::wstring> described;
        for (const ConfigValue* value : config.findNameSpace(path.c_str())->getValues())
            described.push_back(value->getIdentifier() + L" " + describe(value));
        return described;
    }
};

TEST_F(ConfigSaving, FirstSaveWritesWhatChangedAndValuesSurviveTheRoundTrip) {
    Config config(nullptr);
    declare(config);
    EXPECT_FALSE(config.loadAll()); // no files yet
    // Defaults are no change: nothing to write.
    EXPECT_TRUE(config.saveAll());
    EXPECT_TRUE(folder.read(L"a.tsConfig").empty());
    EXPECT_EQ(ConfigFileContent::ABSENT, config.findNameSpace(at(L"a.tsConfig").c_str())->getFileContent().state);
    // Every value changed and set back, in both writable name spaces and the read-only one.
    for (const wchar_t* name : {L"a", L"b", L"r"})
        for (ConfigValue* value : config.findNameSpace(at(std::wstring(name) + L".tsConfig").c_str())->getValues()) {
            if (!value->hasValue())
                continue;
            const ConfigValue same = *value;
            value->setList({ConfigValue::fromInt(99)});
            value->setValueTree(tessel_test::parse(L"{z:1}"));
            value->setString(L"99");
            value->setBool(!value->getBool());
            value->assign(same);
            EXPECT_TRUE(value->isChanged()) << value->getIdentifier();
        }
    EXPECT_TRUE(config.saveAll());
    EXPECT_EQ(std::string("\xFF\xFE\x0A\x00", 4), folder.read(L"a.tsConfig").substr(0, 4));
    for (const wchar_t* line : {L"\n\tversion : '1 0 1 12e4b4c8'\n", L"\t\ttenth : 0.1\n", L"\t\tscale : 2\n"})
        EXPECT_NE(std::wstring::npos, text(L"a.tsConfig").find(line)) << line;
    EXPECT_EQ(std::wstring::npos, text(L"a.tsConfig").find(L"unset"));
    EXPECT_TRUE(folder.read(L"r.tsConfig").empty()); // read-only: never written
    EXPECT_EQ(ConfigFileContent::BYTES, config.findNameSpace(at(L"a.tsConfig").c_str())->getFileContent().state);

    Config reloaded(nullptr);
    declare(reloaded);
    EXPECT_FALSE(reloaded.loadAll()); // r is still missing
    for (const std::wstring& path : {at(L"a.tsConfig"), at(L"b.tsConfig")}) {
        EXPECT_EQ(values(config, path), values(reloaded, path));
        EXPECT_FALSE(reloaded.findNameSpace(path.c_str())->hasChanges());
    }
    EXPECT_EQ(L"UINT u4294967295", describe(reloaded.findValue(L"a.colour")));
    EXPECT_EQ(L"FLOAT d2", describe(reloaded.findValue(L"a.scale")));
}

TEST_F(ConfigSaving, ADamagedFileStaysUntilAChangeIsSavedAndThenSurvivesAsABackup) {
    const std::string damaged = "{ version : '1 0 1 0' a : { name : 'mine', } }";
    folder.write(L"a.tsConfig", damaged);
    folder.write(L"b.tsConfig", file("b : { name : 'loaded' }"));
    Config config(nullptr);
    declare(config);
    EXPECT_FALSE(config.loadAll());
    EXPECT_EQ(L"STRING 'it's'", describe(config.findValue(L"a.name")));
    EXPECT_EQ(L"STRING 'loaded'", describe(config.findValue(L"b.name")));
    config.takeProblems();

    // Nothing changed: the damaged file stays as it is.
    EXPECT_TRUE(config.saveAll());
    EXPECT_EQ(damaged, folder.read(L"a.tsConfig"));
    config.findValue(L"a.name")->setString(L"later");
    disk.writeLimit = 4; // the copy fails: the damaged file stays
    std::vector<Config::SaveFailure> failures;
    EXPECT_FALSE(config.saveAll(&failures));
    ASSERT_EQ(1u, failures.size());
    EXPECT_EQ(Config::SaveFailure::BACK_UP, failures[0].step);
    EXPECT_EQ(at(L"a.tsConfig"), failures[0].path);
    EXPECT_EQ(damaged, folder.read(L"a.tsConfig"));
    disk.writeLimit = SIZE_MAX;
    EXPECT_TRUE(config.saveAll());
    EXPECT_EQ(damaged, folder.read(L"a.tsConfig.bak"));
    EXPECT_NE(std::wstring::npos, text(L"a.tsConfig").find(L"name : 'later'"));
    EXPECT_EQ(std::wstring::npos, text(L"a.tsConfig").find(L"scale")); // what was not changed stays out
    EXPECT_EQ(std::vector<std::wstring>{L"`" + full(L"a.tsConfig") +
                                        L"` cannot be read: a syntax error at line 1, column 42: Unexpected "
                                        L"<UNKNOWN_TOKEN>, expecting symbol (not quoted string) or number. It is kept "
                                        L"as `" + full(L"a.tsConfig") +
                                        L".bak`, and the settings changed in Tessel are written in its place."},
              config.takeProblems());
    config.findValue(L"a.name")->setString(L"again");
    EXPECT_TRUE(config.saveAll());
    EXPECT_EQ(damaged, folder.read(L"a.tsConfig.bak")); // the file read since was no damaged one
}

// A small schema over a folder of hand-written files: a change to one value rewrites only its
// file, which reads back equal; a save that fails leaves the file and is tried again.
TEST_F(ConfigSaving, DriverChangesOneValueAndOnlyItsFileChanges) {
    const std::pair<std::wstring, std::string> files[] = {
        {L"session.tsConfig", "// the last session\n{\n\tversion : '1 0 1 12e4b4c8'\n\tapp : { opened : [ 'a' 'b' ] last : 2 }\n}\n"},
        {L"preferences.tsConfig", file("app.editor.font : { name : 'Consolas' size : 10.5 } app.editor : { wrap : true }")},
        {L"web.tsConfig", file("web : { user : 'me' window : { left : 1 top : 2 } }")},
    };
    for (const auto& [name, text] : files)
        folder.write(name, text);
    const auto schema = [](Config& config) {
        ConfigNameSpace* session = config.addNameSpace(at(L"session.tsConfig").c_str(), false);
        config.declareValue(session, L"app.opened", ConfigValue::LIST);
        config.declareValueWithDefault(session, L"app.last", ConfigValue::fromInt(0));
        ConfigNameSpace* preferences = config.addNameSpace(at(L"preferences.tsConfig").c_str(), false);
        config.declareValueWithDefault(preferences, L"app.editor.font.name", ConfigValue::fromString(L"Courier"));
        config.declareValueWithDefault(preferences, L"app.editor.font.size", ConfigValue::fromFloat(9));
        config.declareValueWithDefault(preferences, L"app.editor.wrap", ConfigValue::fromBool(false));
        ConfigNameSpace* web = config.addNameSpace(at(L"web.tsConfig").c_str(), false);
        config.declareValue(web, L"web.user", ConfigValue::STRING);
        config.declareValue(web, L"web.window", ConfigValue::VALUE_TREE);
    };
    Config config(nullptr);
    schema(config);
    ASSERT_TRUE(config.loadAll());
    const uint64_t written = writeTime(L"web.tsConfig");
    EXPECT_TRUE(config.saveAll()); // nothing changed: nothing written
    config.findValue(L"app.editor.font.size")->setFloat(12.25f);
    disk.writeLimit = 10;
    tessel_test::LogCapture capture;
    EXPECT_FALSE(config.saveAll());
    EXPECT_EQ(std::vector<std::wstring>{L"3 Config: 'cfg:preferences.tsConfig' was not saved: it could not be written "
                                        L"(Disk full.)\n"},
              configLines(capture));
    EXPECT_EQ(files[1].second, folder.read(files[1].first));
    EXPECT_TRUE(config.findValue(L"app.editor.font.size")->isChanged());
    disk.writeLimit = SIZE_MAX;
    ASSERT_TRUE(config.saveAll());
    EXPECT_EQ(files[0].second, folder.read(files[0].first));
    EXPECT_EQ(files[2].second, folder.read(files[2].first));
    EXPECT_EQ(written, writeTime(L"web.tsConfig"));
    EXPECT_NE(files[1].second, folder.read(files[1].first));

    Config reloaded(nullptr);
    schema(reloaded);
    ASSERT_TRUE(reloaded.loadAll());
    for (const auto& [name, text] : files)
        EXPECT_EQ(values(config, at(name)), values(reloaded, at(name))) << name;
    EXPECT_EQ(L"FLOAT d12.25", describe(reloaded.findValue(L"app.editor.font.size")));
    EXPECT_EQ(L"TREE {left:i1 top:i2}", describe(reloaded.findValue(L"web.window")));
}

using ConfigTakeOrder = tessel_test::ConfigFiles;

// A section's settings are found by name whatever their order in the file: in the order they
// were declared, in another, mixed with others of other name spaces, and the same twice.
TEST_F(ConfigTakeOrder, SettingsInAnyOrderReachTheirValues) {
    Config config(nullptr);
    ConfigNameSpace* a = config.addNameSpace(at(L"a.tsConfig").c_str(), false);
    ConfigNameSpace* b = config.addNameSpace(at(L"b.tsConfig").c_str(), false);
    for (int i = 0; i < 10; ++i)
        config.declareValueWithDefault(i % 3 ? a : b, (L"s.v" + std::to_wstring(i)).c_str(), ConfigValue::fromInt(0));
    folder.write(L"a.tsConfig", file("s : { v9 : 9 v1 : 1 v2 : 2 v8 : 8 v7 : 7 v5 : 5 v4 : 4 v5 : 50 }"));
    folder.write(L"b.tsConfig", file("s : { v6 : 6 v0 : 10 v3 : 3 new : 11 }"));
    EXPECT_TRUE(config.loadAll());
    const int expected[] = {10, 1, 2, 3, 4, 50, 6, 7, 8, 9};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(expected[i], config.findValue((L"s.v" + std::to_wstring(i)).c_str())->getInt()) << i;
    EXPECT_EQ(11, config.findValue(L"s.new")->getInt());
}

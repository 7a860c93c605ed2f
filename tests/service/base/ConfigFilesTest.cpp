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
        bool logged;
    } rows[] = {
        {"text : 12", L"app.text", L"STRING '12'", false},
        {"text : true", L"app.text", L"STRING '1'", false},
        {"text : [1 2]", L"app.text", L"STRING 'default'", true},
        {"text : 1.5", L"app.text", L"STRING 'default'", true},
        {"text : null", L"app.text", L"STRING 'default'", false},
        {"text : /x/", L"app.text", L"STRING 'default'", true},
        {"number : 2", L"app.number", L"FLOAT d2", false},
        {"number : 'wide'", L"app.number", L"FLOAT d1.5", true},
        {"list : 5", L"app.list", L"LIST [i1]", true},
        {"list : [ 'a' [ 2.5 ] null ]", L"app.list", L"LIST ['a' [d2.5] null]", false},
        {"tree : 5", L"app.tree", L"TREE i5", false},
        // Integers and booleans are typed by the file; a declared integer takes back a whole
        // number that the parser read as a Double.
        {"flag : 1", L"app.flag", L"INT i1", false},
        {"count : 4294967295", L"app.count", L"FLOAT d4294967296", false},
        {"count : -2147483648", L"app.count", L"INT i-2147483648", false},
        {"fresh : 2.5", L"app.fresh", L"FLOAT d2.5", false},
        {"fresh : null", L"app.fresh", L"none", false},
    };
    for (const auto& row : rows) {
        Config fresh(nullptr);
        declare(fresh);
        folder.write(L"a.tsConfig", file(std::string("app : { ") + row.entry + " }"));
        tessel_test::LogCapture capture;
        EXPECT_TRUE(fresh.loadAll()) << row.entry;
        EXPECT_EQ(row.expected, describe(fresh.findValue(row.identifier))) << row.entry;
        const std::vector<std::wstring> expected{L"2 Config: entry '" + std::wstring(row.identifier) +
                                                 L"' in 'cfg:a.tsConfig' cannot be taken, the value stays as it was\n"};
        EXPECT_EQ(row.logged ? expected : std::vector<std::wstring>(), configLines(capture)) << row.entry;
        const std::string entry = row.entry;
        if (const ConfigValue* taken = fresh.findValue(row.identifier)) { // a default kept is still to be written
            EXPECT_EQ(row.logged || entry.find(" null") == entry.size() - 5, taken->isChanged()) << row.entry;
        }
    }
}

TEST_F(ConfigLoading, RejectedFilesKeepEveryDefaultAndDamagedEntriesAreSkipped) {
    const std::string mishMash = "3 ConfigFile: Version identifier mish mash in file 'cfg:a.tsConfig'\n";
    const std::string deprecated = "3 File 'cfg:a.tsConfig' is in deprecated format, 'version' identifier not found.\n";
    const std::pair<std::string, std::string> rows[] = {
        {"{ version : '1 2' app : { count : 9 } }", mishMash},
        {"{ version : 7 app : { count : 9 } }", mishMash},
        {"{ app : { count : 9 } }", deprecated},
        {"[ 1 2 ]", deprecated},
        {"{ version : '1 0 1 0'\n  app : { count : 9, text : 'x' } }",
         "3 Config: syntax error in 'cfg:a.tsConfig': Unexpected <UNKNOWN_TOKEN>, expecting symbol (not quoted "
         "string) or number. at 2:20\n"},
    };
    for (const auto& [text, line] : rows) {
        folder.write(L"a.tsConfig", text);
        tessel_test::LogCapture capture;
        EXPECT_FALSE(config.loadAll()) << text;
        EXPECT_EQ(std::vector<std::wstring>{std::wstring(line.begin(), line.end())}, configLines(capture));
        for (const ConfigValue* value : space->getValues())
            EXPECT_TRUE(value->isChanged()) << text;
        EXPECT_EQ(L"INT i3", value(L"app.count"));
    }
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
    EXPECT_FALSE(number->isChanged() || text->isChanged());
    EXPECT_TRUE(list->isChanged());
    EXPECT_EQ(std::vector<std::wstring>{L"2 Config: entry 'late.list' in 'cfg:a.tsConfig' cannot be taken, the value "
                                        L"stays as it was\n"},
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

TEST_F(ConfigSaving, FirstSaveWritesDefaultsAndValuesSurviveTheRoundTrip) {
    Config config(nullptr);
    declare(config);
    EXPECT_FALSE(config.loadAll()); // no files yet
    EXPECT_TRUE(config.saveAll());
    EXPECT_EQ(std::string("\xFF\xFE\x0A\x00", 4), folder.read(L"a.tsConfig").substr(0, 4));
    for (const wchar_t* line : {L"\n\tversion : '1 0 1 12e4b4c8'\n", L"\t\ttenth : 0.1\n", L"\t\tscale : 2\n"})
        EXPECT_NE(std::wstring::npos, text(L"a.tsConfig").find(line)) << line;
    EXPECT_EQ(std::wstring::npos, text(L"a.tsConfig").find(L"unset"));
    EXPECT_TRUE(folder.read(L"r.tsConfig").empty()); // read-only: never written
    EXPECT_NE(0u, config.findNameSpace(at(L"a.tsConfig").c_str())->getFileTime());

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

TEST_F(ConfigSaving, ADamagedFileKeepsItsDefaultsAndSurvivesAsABackup) {
    const std::string damaged = "{ version : '1 0 1 0' a : { name : 'mine', } }";
    folder.write(L"a.tsConfig", damaged);
    folder.write(L"b.tsConfig", file("b : { name : 'loaded' }"));
    Config config(nullptr);
    declare(config);
    EXPECT_FALSE(config.loadAll());
    EXPECT_EQ(L"STRING 'it's'", describe(config.findValue(L"a.name")));
    EXPECT_EQ(L"STRING 'loaded'", describe(config.findValue(L"b.name")));

    disk.writeLimit = 4; // the copy fails: the damaged file stays
    EXPECT_FALSE(config.saveAll());
    EXPECT_EQ(damaged, folder.read(L"a.tsConfig"));
    disk.writeLimit = SIZE_MAX;
    EXPECT_TRUE(config.saveAll());
    EXPECT_EQ(damaged, folder.read(L"a.tsConfig.bak"));
    config.findValue(L"a.name")->setString(L"later");
    EXPECT_TRUE(config.saveAll());
    EXPECT_EQ(damaged, folder.read(L"a.tsConfig.bak")); // copied once
    EXPECT_NE(std::wstring::npos, text(L"a.tsConfig").find(L"name : 'later'"));
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
    EXPECT_EQ(std::vector<std::wstring>{L"3 File 'cfg:preferences.tsConfig' can't open for write\n"}, configLines(capture));
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

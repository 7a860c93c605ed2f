// A settings file changed between the read and the write: another program's write (also one
// that keeps the file's time, and one landing between the save's look and its rename), taken
// into the save so that every key this run did not change keeps the file's value, those Tessel
// cannot use included; and a file read again as a start reads it, its listeners told of the
// sections that changed.

#include "service/base/ConfigSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace tessel;
using tessel_test::describe;

namespace {

std::string file(const std::string& sections) { return "{ version : '1 0 1 12e4b4c8' " + sections + " }"; }

// The prefixes the listeners were told of at once (their load), in order.
struct Told : IConfigSectionListener {
    void onConfigSectionLoaded(Config&, const wchar_t* prefix) override { loaded.push_back(prefix); }
    void onConfigSectionDelivered(Config&, const wchar_t*) override {}
    std::vector<std::wstring> taken() {
        std::vector<std::wstring> all;
        all.swap(loaded);
        std::sort(all.begin(), all.end());
        return all;
    }
    std::vector<std::wstring> loaded;
};

class ConfigFileNews : public tessel_test::ConfigFiles {
protected:
    ConfigFileNews() {
        space = config.addNameSpace(at(L"p.tsConfig").c_str(), false);
        config.declareValueWithDefault(space, L"app.face.wrap", ConfigValue::fromBool(false));
        config.declareValueWithDefault(space, L"app.face.boundary", ConfigValue::fromInt(78));
        config.declareValueWithDefault(space, L"app.face.theme", ConfigValue::fromString(L""));
        config.declareValueWithDefault(space, L"app.font.size", ConfigValue::fromInt(10));
        config.declareValueWithDefault(space, L"app.font.names", ConfigValue::fromList({ConfigValue::fromString(L"A")}));
        for (const wchar_t* prefix : {L"app.face", L"app.font", L"app.more"})
            config.addSectionListener(prefix, &told);
    }
    ~ConfigFileNews() override {
        for (const wchar_t* prefix : {L"app.face", L"app.font", L"app.more"})
            config.removeSectionListener(prefix, &told);
    }
    std::wstring value(const wchar_t* identifier) const { return describe(config.findValue(identifier)); }

    Config config{nullptr};
    ConfigNameSpace* space = nullptr;
    Told told;
};

// What the user wrote and Tessel cannot use, kept through every save: a text where a list
// goes, a pattern, a section that is no dictionary, and a name in several scripts.
std::string unusable(const std::string& font) {
    return "app.font : { names : 'one' pattern : /a+/ " + font +
           " } odd : 5 app.more : { label : '\xC3\xA9t\xC3\xA9 \xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9 "
           "\xD7\x90\xCC\x81' } ";
}

TEST_F(ConfigFileNews, AnotherProgramsWriteBeforeTheSaveKeepsEveryKeyThisRunDidNotChange) {
    folder.write(L"p.tsConfig", file(unusable("") + "app.face : { wrap : false boundary : 78 }"));
    ASSERT_TRUE(config.loadAll());
    EXPECT_EQ(L"LIST ['A']", value(L"app.font.names")); // refused: the default is used
    config.takeProblems();
    told.taken();

    // Picked in Tessel, and meanwhile the file written elsewhere.
    config.findValue(L"app.face.theme")->setString(L"dark");
    folder.writeOutside(L"p.tsConfig", file(unusable("size : 14") + "app.face : { wrap : true boundary : 40 }"));
    ASSERT_TRUE(config.saveAll());
    const std::wstring written = text(L"p.tsConfig");
    for (const wchar_t* kept : {L"theme : 'dark'", L"wrap : true", L"boundary : 40", L"size : 14", L"names : 'one'",
                                L"pattern : /a+/", L"odd : 5", L"label : '\u00e9t\u00e9 \U0001F468\u200D\U0001F469 \u05D0\u0301'"})
        EXPECT_NE(std::wstring::npos, written.find(kept)) << "lost: " << std::string(kept, kept + std::wcslen(kept));
    // Taken as well, and told to the sections whose values changed.
    EXPECT_EQ(L"BOOL true", value(L"app.face.wrap"));
    EXPECT_EQ(L"INT i40", value(L"app.face.boundary"));
    EXPECT_EQ(L"INT i14", value(L"app.font.size"));
    EXPECT_EQ((std::vector<std::wstring>{L"app.face", L"app.font"}), told.taken());
    EXPECT_FALSE(space->hasChanges());

    // A rewrite that keeps the size and the time is news all the same: judged by the bytes.
    const uint64_t time = writeTime(L"p.tsConfig");
    std::string same = folder.read(L"p.tsConfig");
    const std::string forty = std::string("4\0" "0\0", 4);
    ASSERT_NE(std::string::npos, same.find(forty));
    same.replace(same.find(forty), 4, std::string("4\0" "1\0", 4));
    folder.write(L"p.tsConfig", same);
    HANDLE handle = ::CreateFileW((folder / L"p.tsConfig").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
    const FILETIME old = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    ::SetFileTime(handle, nullptr, nullptr, &old);
    ::CloseHandle(handle);
    ASSERT_EQ(time, writeTime(L"p.tsConfig"));
    config.findValue(L"app.font.size")->setInt(9);
    ASSERT_TRUE(config.saveAll());
    EXPECT_EQ(L"INT i41", value(L"app.face.boundary"));
    EXPECT_NE(std::wstring::npos, text(L"p.tsConfig").find(L"boundary : 41"));
    EXPECT_NE(std::wstring::npos, text(L"p.tsConfig").find(L"size : 9"));
}

TEST_F(ConfigFileNews, AWriteBetweenTheSavesLookAndItsRenameIsReadAgainAndKept) {
    folder.write(L"p.tsConfig", file("app.face : { wrap : false }"));
    ASSERT_TRUE(config.loadAll());
    config.findValue(L"app.face.theme")->setString(L"dark");
    // As the save opens its temporary file, another program writes the file: once.
    int writes = 0;
    disk.beforeWriting = [&] {
        if (writes++ == 0)
            folder.writeOutside(L"p.tsConfig", file("app.face : { wrap : true boundary : 12 }"));
    };
    ASSERT_TRUE(config.saveAll());
    EXPECT_EQ(2, writes);
    const std::wstring written = text(L"p.tsConfig");
    for (const wchar_t* kept : {L"theme : 'dark'", L"wrap : true", L"boundary : 12"})
        EXPECT_NE(std::wstring::npos, written.find(kept)) << std::string(kept, kept + std::wcslen(kept));

    // One that writes at every try: the save gives up, its change kept for the next, and the
    // other program's file stays.
    config.findValue(L"app.face.theme")->setString(L"light");
    disk.beforeWriting = [&] { folder.writeOutside(L"p.tsConfig", file("app.face : { boundary : 13 }")); };
    std::vector<Config::SaveFailure> failures;
    EXPECT_FALSE(config.saveAll(&failures));
    ASSERT_EQ(1u, failures.size());
    EXPECT_EQ(Config::SaveFailure::KEPT_CHANGING, failures[0].step);
    ASSERT_TRUE(failures[0].error);
    EXPECT_EQ(file("app.face : { boundary : 13 }"), folder.read(L"p.tsConfig"));
    EXPECT_TRUE(space->hasChanges());
    disk.beforeWriting = nullptr;
    ASSERT_TRUE(config.saveAll());
    EXPECT_NE(std::wstring::npos, text(L"p.tsConfig").find(L"theme : 'light'"));
    EXPECT_NE(std::wstring::npos, text(L"p.tsConfig").find(L"boundary : 13"));
}

TEST_F(ConfigFileNews, AFileReadAgainIsTakenAsAStartTakesItAndItsChangedSectionsAreTold) {
    folder.write(L"p.tsConfig", file("app.face : { wrap : true boundary : 40 } app.font : { size : 14 } "
                                     "app.more : { typed : 3 }"));
    ASSERT_TRUE(config.loadAll());
    told.taken();
    EXPECT_EQ(Config::ReadAgain::SAME, config.readAgain(*space));

    // A key gone goes back to its default, one the file typed goes; what this run changed
    // stays; only the sections that changed are told.
    config.findValue(L"app.face.theme")->setString(L"mine");
    folder.writeOutside(L"p.tsConfig", file("app.face : { wrap : true theme : 'theirs' } app.font : { size : 14 }"));
    EXPECT_EQ(Config::ReadAgain::TAKEN, config.readAgain(*space));
    EXPECT_EQ(L"INT i78", value(L"app.face.boundary"));
    EXPECT_EQ(L"STRING 'mine'", value(L"app.face.theme"));
    EXPECT_EQ(L"UNTYPED null", value(L"app.more.typed"));
    EXPECT_EQ((std::vector<std::wstring>{L"app.face", L"app.more"}), told.taken());
    EXPECT_EQ(Config::ReadAgain::SAME, config.readAgain(*space));
    EXPECT_TRUE(told.taken().empty());

    // Its own save is no news.
    ASSERT_TRUE(config.saveAll());
    EXPECT_EQ(Config::ReadAgain::SAME, config.readAgain(*space));

    // A file refused whole is told once and changes nothing; mended, it is taken.
    const std::string broken = "{ version : '1 0 1 12e4b4c8' app.face : { wrap : false, } }";
    folder.writeOutside(L"p.tsConfig", broken);
    config.takeProblems();
    EXPECT_EQ(Config::ReadAgain::REFUSED, config.readAgain(*space));
    EXPECT_EQ(L"BOOL true", value(L"app.face.wrap"));
    const std::vector<std::wstring> problems = config.takeProblems();
    ASSERT_EQ(1u, problems.size());
    EXPECT_NE(std::wstring::npos, problems[0].find(L"Tessel keeps the settings it read before, and the file stays as it is."))
        << std::string(problems[0].begin(), problems[0].end());
    EXPECT_EQ(Config::ReadAgain::SAME, config.readAgain(*space));
    folder.writeOutside(L"p.tsConfig", broken + "\n");
    EXPECT_EQ(Config::ReadAgain::REFUSED, config.readAgain(*space));
    EXPECT_TRUE(config.takeProblems().empty()) << "told twice";
    EXPECT_EQ(broken + "\n", folder.read(L"p.tsConfig"));
    folder.writeOutside(L"p.tsConfig", file("app.face : { wrap : false } app.font : { size : 14 }"));
    EXPECT_EQ(Config::ReadAgain::TAKEN, config.readAgain(*space));
    EXPECT_EQ(L"BOOL false", value(L"app.face.wrap"));

    // Gone, the values stay; emptied, every one goes back to its default, as at a start.
    ::DeleteFileW((folder / L"p.tsConfig").c_str());
    EXPECT_EQ(Config::ReadAgain::GONE, config.readAgain(*space));
    EXPECT_EQ(L"BOOL false", value(L"app.face.wrap"));
    folder.writeOutside(L"p.tsConfig", "");
    told.taken();
    EXPECT_EQ(Config::ReadAgain::TAKEN, config.readAgain(*space));
    EXPECT_EQ(L"INT i10", value(L"app.font.size"));
    EXPECT_EQ((std::vector<std::wstring>{L"app.font"}), told.taken());
    EXPECT_EQ(space, config.findNameSpaceOfFile(at(L"P.tsConfig")));
}

} // namespace

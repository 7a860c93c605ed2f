// The watch of the settings files while the program runs: another program's write and an
// editor's save (a copy renamed over the file) are read again and told to the sections'
// listeners; Config's own save and a read-only name space's file are no news.

#include "service/base/ConfigWatch.h"
#include "service/base/ConfigSupport.h"

#include "pel/files/file_io/WatchPool.h"
#include "pel/legacy/MessageRegistry.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessel;

namespace {

std::string file(const std::string& sections) { return "{ version : '1 0 1 12e4b4c8' " + sections + " }"; }

// The value of "app.x" each time the section was told.
struct Seen : IConfigSectionListener {
    void onConfigSectionLoaded(Config& config, const wchar_t*) override {
        values.push_back(config.findValue(L"app.x")->getInt());
    }
    void onConfigSectionDelivered(Config&, const wchar_t*) override {}
    std::vector<int> values;
};

class ConfigWatchTest : public tessel_test::ConfigFiles {
protected:
    ConfigWatchTest() {
        registry.initRegistry(::GetModuleHandleW(nullptr));
        ConfigNameSpace* space = config.addNameSpace(at(L"p.tsConfig").c_str(), false);
        config.declareValueWithDefault(space, L"app.x", ConfigValue::fromInt(1));
        ConfigNameSpace* fixed = config.addNameSpace(at(L"r.tsConfig").c_str(), true);
        config.declareValueWithDefault(fixed, L"fixed.y", ConfigValue::fromInt(1));
        config.addSectionListener(L"app", &seen);
    }
    ~ConfigWatchTest() override {
        config.removeSectionListener(L"app", &seen);
        registry.releaseRegistry();
    }
    // Waits until the listener was told the value.
    bool told(int value) {
        return tessel_test::pumpUntil([&] { return !seen.values.empty() && seen.values.back() == value; });
    }

    pel::MessageRegistry registry;
    Config config{nullptr};
    Seen seen;
};

TEST_F(ConfigWatchTest, ChangesOnDiskAreReadAgainAndOwnSavesAreNoNews) {
    folder.write(L"p.tsConfig", file("app : { x : 2 }"));
    folder.write(L"r.tsConfig", file("fixed : { y : 2 }"));
    ASSERT_TRUE(config.loadAll());
    seen.values.clear();
    ConfigWatch watch(config);
    EXPECT_EQ(1u, watch.folderCount()) << "one folder holds both";
    ASSERT_TRUE(tessel_test::pumpUntil([] { return pel::WatchPool::pendingStarts() == 0; })) << "never watched";

    folder.writeOutside(L"p.tsConfig", file("app : { x : 3 }"));
    ASSERT_TRUE(told(3)) << "another program's write was not read";

    // An editor's save: its copy written beside the file, then renamed over it.
    folder.write(L".p.tmp", file("app : { x : 4 }"));
    ASSERT_TRUE(::MoveFileExW((folder / L".p.tmp").c_str(), (folder / L"p.tsConfig").c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(told(4)) << "a copy renamed over the file was not read";

    // The read-only file changed, Config's own save, then another write: only that is told.
    folder.writeOutside(L"r.tsConfig", file("fixed : { y : 3 }"));
    config.findValue(L"app.x")->setInt(5);
    ASSERT_TRUE(config.saveAll());
    folder.writeOutside(L"p.tsConfig", file("app : { x : 6 }"));
    ASSERT_TRUE(told(6));
    EXPECT_EQ((std::vector<int>{3, 4, 6}), seen.values);
    EXPECT_EQ(2, config.findValue(L"fixed.y")->getInt());
}

} // namespace

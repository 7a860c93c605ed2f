#include "service/base/ConfigSupport.h"

#include "pel/legacy/MessageRegistry.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace tessel;
using tessel_test::configLines;
using tessel_test::describe;

namespace {

// Records each call as "loaded app x=N" or "delivered app x=N", N the value of "app.x" then.
struct Recorder : IConfigSectionListener {
    void onConfigSectionLoaded(Config& config, const wchar_t* prefix) override { record(L"loaded", config, prefix); }
    void onConfigSectionDelivered(Config& config, const wchar_t* prefix) override {
        record(L"delivered", config, prefix);
    }
    void record(const wchar_t* what, Config& config, const wchar_t* prefix) {
        calls.push_back(std::wstring(what) + L" " + prefix + L" x=" + std::to_wstring(config.findValue(L"app.x")->getInt()));
    }
    std::vector<std::wstring> calls;
};

} // namespace

TEST(Config, IdentifierLimitsAndRedeclarations) {
    pel::store_main_thread_id();
    Config config(nullptr);
    ConfigNameSpace* space = config.addNameSpace(L"cfg:a.tsConfig", false);
    const std::wstring longest = L"a." + std::wstring(256, L'b'); // 258 units
    tessel_test::LogCapture capture;
    ConfigValue* accepted = config.declareValue(space, longest.c_str(), ConfigValue::INT);
    ASSERT_NE(nullptr, accepted);
    EXPECT_EQ(accepted, config.findValue(longest.c_str()));
    EXPECT_EQ(std::wstring(256, L'b'), accepted->getName());
    EXPECT_EQ(L"a", accepted->getSection()->getText());
    EXPECT_EQ(nullptr, config.declareValue(space, (longest + L"b").c_str(), ConfigValue::INT));
    for (const wchar_t* refused : {L"nodot", L".x", L"x."})
        EXPECT_EQ(nullptr, config.declareValue(space, refused, ConfigValue::INT)) << refused;
    EXPECT_EQ(std::vector<std::wstring>{L"3 Config: Value identifier is too long\n"}, configLines(capture));

    ConfigValue* first = config.declareValueWithDefault(space, L"app.size", ConfigValue::fromInt(12));
    EXPECT_EQ(first, config.declareValueWithDefault(space, L"app.size", ConfigValue::fromString(L"x")));
    EXPECT_EQ(first, config.declareValue(config.addNameSpace(L"cfg:b.tsConfig", true), L"app.size", ConfigValue::INT));
    EXPECT_EQ(L"INT i12", describe(first));
    EXPECT_EQ(L"2 Config: value 'app.size' is already defined, but with different type\n", configLines(capture).back());
    EXPECT_EQ(2u, space->getValues().size());
    EXPECT_EQ(first, config.findValue(Config::hashOf(L"app.size")));

    EXPECT_EQ(nullptr, config.getPreferencesNameSpace());
    ConfigNameSpace* preferences = config.addNameSpace(Config::PREFERENCES_PATH, false);
    EXPECT_EQ(preferences, config.getPreferencesNameSpace());
    EXPECT_EQ(preferences, config.addNameSpace(L"user:config/preferences.tsConfig", true)); // flag kept
    EXPECT_FALSE(preferences->isReadOnly());
    EXPECT_EQ(nullptr, config.declareValue(preferences, L"version.x", ConfigValue::INT)); // the files' own key
    EXPECT_THROW(config.declareValue(nullptr, L"a.b", ConfigValue::INT), pel::NullPointerException);
}

TEST(Config, VersionRecord) {
    const ApplicationVersion& version = Config(nullptr).getVersion();
    EXPECT_EQ(L"1.0.1", version.getVersionText());
    EXPECT_EQ(0x00010001u, version.getPackedVersion());
    EXPECT_EQ(0x12E4B4C8u, version.getBuildHash());
    EXPECT_EQ(L"1 0 1 12e4b4c8", version.getFileText());
    EXPECT_EQ(0x090909u, ApplicationVersion::parseVersion(L"9 9 9 ff"));
    EXPECT_EQ(0u, ApplicationVersion::parseVersion(L"1 2"));
    EXPECT_EQ(0u, ApplicationVersion::parseVersion(nullptr));
}

class ConfigListeners : public tessel_test::ConfigFiles {
protected:
    void declare(Config& config) {
        space = config.addNameSpace(at(L"a.tsConfig").c_str(), false);
        config.declareValueWithDefault(space, L"app.x", ConfigValue::fromInt(1));
        config.addSectionListener(L"app", &recorder);
        config.addSectionListener(L"app", &recorder); // once only
        config.addSectionListener(L"other", &unheard);
    }
    void writeX(int x) { folder.write(L"a.tsConfig", "{ version : '1 0 1 0' app : { x : " + std::to_string(x) + " } }"); }

    ConfigNameSpace* space = nullptr;
    Recorder recorder, unheard;
};

TEST_F(ConfigListeners, DeliveredAtOnceWhenNothingCanBePosted) {
    Config config(nullptr);
    declare(config);
    writeX(5);
    EXPECT_TRUE(config.loadAll());
    EXPECT_EQ((std::vector<std::wstring>{L"loaded app x=5", L"delivered app x=5"}), recorder.calls);
    EXPECT_TRUE(unheard.calls.empty());

    config.removeSectionListener(L"app", &recorder);
    EXPECT_TRUE(config.loadAll());
    EXPECT_EQ(2u, recorder.calls.size());
}

TEST_F(ConfigListeners, DeliveredThroughTheRegistryAndPostedAgainAfterAFailedPost) {
    pel::MessageRegistry registry;
    Config config(&registry);
    declare(config);

    // Without the registry's window nothing can be posted; off the UI thread the section waits.
    writeX(2);
    std::thread([&] { EXPECT_TRUE(config.loadAll()); }).join();
    EXPECT_EQ(std::vector<std::wstring>{L"loaded app x=2"}, recorder.calls);

    ASSERT_TRUE(registry.initRegistry(::GetModuleHandleW(nullptr)));
    writeX(3);
    std::thread([&] { EXPECT_TRUE(config.loadAll()); }).join();
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return recorder.calls.size() == 3; })) << recorder.calls.size();
    EXPECT_EQ(L"loaded app x=3", recorder.calls[1]);
    EXPECT_EQ(L"delivered app x=3", recorder.calls[2]); // the section pending since the failed post

    // On the UI thread too the delivery waits for the message.
    writeX(4);
    EXPECT_TRUE(config.loadAll());
    EXPECT_EQ(4u, recorder.calls.size());
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return recorder.calls.size() == 5; }));
    EXPECT_EQ(L"delivered app x=4", recorder.calls[4]);
    EXPECT_EQ(0, config.getListenerInstance()->getRefCount());
    registry.releaseRegistry();
}

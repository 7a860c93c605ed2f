// The web client's initialisation: the base address the application passes (http or https
// only) and the installation's identity in the settings, made once and read back after.

#include "service/base/Config.h"
#include "service/base/WebApiService.h"

#include "pel/log/Log.h"
#include "pel/thread/MainThread.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using tessel::Config;
using tessel::ConfigValue;
using tessel::WebApiService;

TEST(WebApiService, TakesAnHttpBaseAddressAndKeepsTheIdentityItMadeInTheSettings) {
    pel::store_main_thread_id();
    Config config(nullptr);
    config.addNameSpace(L"user:config/web.tsConfig", false);
    WebApiService first;
    first.initialize(config, L"https://example.invalid/api/");
    EXPECT_EQ(L"https://example.invalid/api/", first.getBaseAddress());
    ASSERT_FALSE(first.getClientId().isNil());
    const ConfigValue* stored = config.findValue(WebApiService::CLIENT_ID_SETTING);
    ASSERT_NE(nullptr, stored);
    EXPECT_EQ(first.getClientId().toString(), stored->getString());

    WebApiService second;
    second.initialize(config, L"http://localhost:8080/");
    EXPECT_EQ(first.getClientId(), second.getClientId()) << "read back, not made again";
    EXPECT_EQ(L"http://localhost:8080/", second.getBaseAddress());

    tessel_test::LogCapture log;
    for (const wchar_t* refused : {L"ftp://example.invalid/", L"no address at all", L"https://", L"user:web"}) {
        WebApiService client;
        client.initialize(config, refused);
        EXPECT_EQ(L"", client.getBaseAddress()) << refused;
        EXPECT_TRUE(log.contains(std::wstring(L"`") + refused + L"` is not an http or https address", pel::LOG_WARNING))
            << refused;
    }
}

TEST(WebApiService, AnUnreadableIdentityIsReplacedAndNoSettingsFileStillGivesOne) {
    pel::store_main_thread_id();
    Config config(nullptr);
    tessel::ConfigNameSpace* web = config.addNameSpace(L"user:config/web.tsConfig", false);
    config.declareValueWithDefault(web, WebApiService::CLIENT_ID_SETTING, ConfigValue::fromString(L"not-a-uuid"));
    tessel_test::LogCapture log;
    WebApiService client;
    client.initialize(config, L"");
    EXPECT_EQ(L"", client.getBaseAddress()) << "none given, none taken, nothing logged for it";
    EXPECT_FALSE(client.getClientId().isNil());
    EXPECT_TRUE(log.contains(L"`app.web.client_id` is not a UUID", pel::LOG_WARNING));
    EXPECT_FALSE(log.contains(L"http or https"));
    EXPECT_EQ(client.getClientId().toString(), config.findValue(WebApiService::CLIENT_ID_SETTING)->getString());

    Config bare(nullptr); // no web settings file at all
    WebApiService loose;
    loose.initialize(bare, L"https://example.invalid/");
    EXPECT_FALSE(loose.getClientId().isNil());
    EXPECT_EQ(nullptr, bare.findValue(WebApiService::CLIENT_ID_SETTING));
}

#include "service/base/ConfigSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace tessel;

using ConfigTakeOrder = tessel_test::ConfigFiles;

// A section's settings are found by name whatever their order in the file: in the order they
// were declared, in another, mixed with others of other name spaces, and the same twice.
TEST_F(ConfigTakeOrder, SettingsInAnyOrderReachTheirValues) {
    Config config(nullptr);
    ConfigNameSpace* a = config.addNameSpace(at(L"a.tsConfig").c_str(), false);
    ConfigNameSpace* b = config.addNameSpace(at(L"b.tsConfig").c_str(), false);
    for (int i = 0; i < 10; ++i)
        config.declareValueWithDefault(i % 3 ? a : b, (L"s.v" + std::to_wstring(i)).c_str(), ConfigValue::fromInt(0));
    folder.write(L"a.tsConfig",
                 "{ version : '1 0 1 12e4b4c8' s : { v9 : 9 v1 : 1 v2 : 2 v8 : 8 v7 : 7 v5 : 5 v4 : 4 v5 : 50 } }");
    folder.write(L"b.tsConfig", "{ version : '1 0 1 12e4b4c8' s : { v6 : 6 v0 : 10 v3 : 3 new : 11 } }");
    EXPECT_TRUE(config.loadAll());
    const int expected[] = {10, 1, 2, 3, 4, 50, 6, 7, 8, 9};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(expected[i], config.findValue((L"s.v" + std::to_wstring(i)).c_str())->getInt()) << i;
    EXPECT_EQ(11, config.findValue(L"s.new")->getInt());
}

#include "afw/afServiceHooks.h"

#include "service/base/TesselService.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool ready(tessel::Config&) { return true; }

std::vector<std::pair<void*, int>> s_calls;

} // namespace

// With a root, the framework's clean-ups join its exit list; looking it up never makes one.
TEST(ServiceHooks, ExitCallbacksGoToTheRootsExitListWhenThereIsARoot) {
    int object = 0;
    const afExitCallback callback = [](void* o, int argument) { s_calls.push_back({o, argument}); };
    EXPECT_FALSE(afAddServiceExitCallback(&object, callback));
    EXPECT_EQ(nullptr, tessel::TesselService::findInstance());
    tessel::TesselService::setSetupSteps({&ready, &ready});
    tessel::TesselService* root = tessel::TesselService::getInstance();
    ASSERT_NE(nullptr, root);
    EXPECT_TRUE(afAddServiceExitCallback(&object, callback));
    root->runExit();
    EXPECT_EQ((std::vector<std::pair<void*, int>>{{&object, 1}}), s_calls);
    delete root;
    tessel::TesselService::setSetupSteps({nullptr, nullptr});
}

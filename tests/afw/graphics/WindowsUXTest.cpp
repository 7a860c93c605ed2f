#include "afw/graphics/afWindowsUX.h"

#include "afw/core/afServiceHooks.h"
#include "afw/support/DibSurface.h"
#include "service/base/TesselService.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

// Every test decides afresh and leaves the system's decision and the real root behind.
class WindowsUX : public ::testing::Test {
protected:
    void TearDown() override {
        afSetServiceExitRegistrar(nullptr);
        afWindowsUX::setSkipExitRegistration(false);
        afWindowsUX::resetForTesting(afWindowsUX::DECIDE_BY_SYSTEM);
    }
};

TEST_F(WindowsUX, ClassicMakesEveryWrapperFail) {
    afWindowsUX::resetForTesting(afWindowsUX::FORCE_CLASSIC);
    const afWindowsUX* ux = afWindowsUX::getInstance();
    EXPECT_EQ(nullptr, ux);
    tessel_test::DibSurface surface(8, 8);
    HDC dc = surface.dc();
    HTHEME theme = reinterpret_cast<HTHEME>(1);
    RECT rect = {0, 0, 8, 8}, out = {};
    SIZE size = {};
    MARGINS margins = {};
    int value = 0;
    EXPECT_EQ(nullptr, afWindowsUX::OpenThemeData(ux, nullptr, L"BUTTON"));
    const HRESULT results[] = {
        afWindowsUX::CloseThemeData(ux, theme),
        afWindowsUX::DrawThemeBackground(ux, theme, dc, 1, 1, &rect, nullptr),
        afWindowsUX::DrawThemeText(ux, theme, dc, 1, 1, L"x", 1, 0, &rect),
        afWindowsUX::DrawThemeParentBackground(ux, nullptr, dc, &rect),
        afWindowsUX::GetThemeBackgroundContentRect(ux, theme, dc, 1, 1, &rect, &out),
        afWindowsUX::GetThemePartSize(ux, theme, dc, 1, 1, TS_TRUE, &size),
        afWindowsUX::GetThemePartSize(ux, theme, dc, 1, &size),
        afWindowsUX::GetThemeTextExtent(ux, theme, dc, L"x", 1, &out),
        afWindowsUX::GetThemeMargins(ux, theme, dc, 1, &margins),
        afWindowsUX::GetThemeInt(ux, theme, 1, &value),
        afWindowsUX::IsThemeBackgroundPartiallyTransparent(ux, theme, 1, 1),
        afWindowsUX::SetWindowTheme(ux, nullptr),
    };
    for (size_t i = 0; i < sizeof results / sizeof results[0]; ++i)
        EXPECT_EQ(static_cast<HRESULT>(0x80004005), results[i]) << "wrapper " << i;
    EXPECT_EQ(64, surface.count({0, 0, 8, 8}, 0xFFFFFF)) << "nothing drawn";
}

TEST_F(WindowsUX, ThemedDrawsAButtonIntoABitmap) {
    afWindowsUX::resetForTesting(afWindowsUX::FORCE_THEMED);
    const afWindowsUX* ux = afWindowsUX::getInstance();
    ASSERT_NE(nullptr, ux);
    HTHEME theme = afWindowsUX::OpenThemeData(ux, nullptr, L"BUTTON");
    ASSERT_NE(nullptr, theme);
    tessel_test::DibSurface surface(40, 24, 0x123456);
    const RECT rect = {0, 0, 40, 24};
    EXPECT_EQ(S_OK, afWindowsUX::DrawThemeBackground(ux, theme, surface.dc(), 1, 1, &rect, nullptr));
    EXPECT_LT(surface.count(rect, 0x123456), 40 * 24 / 2) << "the button covers the bitmap";
    EXPECT_EQ(S_OK, afWindowsUX::CloseThemeData(ux, theme));
}

TEST_F(WindowsUX, DecidesOnceHoweverOftenAsked) {
    for (auto decision : {afWindowsUX::DECIDE_BY_SYSTEM, afWindowsUX::FORCE_THEMED, afWindowsUX::FORCE_CLASSIC}) {
        afWindowsUX::resetForTesting(decision);
        tessel_test::LogCapture log;
        const afWindowsUX* first = afWindowsUX::getInstance();
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(first, afWindowsUX::getInstance());
        int decisions = 0;
        for (const auto& line : log.lines())
            decisions += line.text == L"afWindowsUX::getInstance(): Theming is DISABLED.\n" ||
                         line.text == L"afWindowsUX::getInstance(): Theming is enabled.\n";
        EXPECT_EQ(1, decisions) << decision;
    }
}

struct Registration {
    int count = 0;
    void* object = nullptr;
    afExitCallback callback = nullptr;
} s_registration;

TEST_F(WindowsUX, HandsItsReleaseToTheServiceRootOnce) {
    EXPECT_FALSE(afAddServiceExitCallback(nullptr, [](void*, int) {})) << "there is no root to find";
    s_registration = Registration();
    afSetServiceExitRegistrar([](void* object, afExitCallback callback) {
        s_registration = {s_registration.count + 1, object, callback};
        return true;
    });
    afWindowsUX::resetForTesting(afWindowsUX::FORCE_THEMED);
    ASSERT_NE(nullptr, afWindowsUX::getInstance());
    afWindowsUX::getInstance();
    ASSERT_EQ(1, s_registration.count);
    s_registration.callback(s_registration.object, 1);
    EXPECT_EQ(nullptr, afWindowsUX::getInstance()) << "released, and the decision stays made";

    afWindowsUX::setSkipExitRegistration(true);
    afWindowsUX::resetForTesting(afWindowsUX::FORCE_THEMED);
    ASSERT_NE(nullptr, afWindowsUX::getInstance());
    EXPECT_EQ(1, s_registration.count) << "the skip flag keeps it to itself";
}

// With a service root, the release joins the root's exit list, which the shell runs at exit.
TEST_F(WindowsUX, TheRootsExitListReleasesTheLibrary) {
    const auto ready = [](tessel::Config&) { return true; };
    tessel::TesselService::setSetupSteps({ready, ready});
    tessel::TesselService* root = tessel::TesselService::getInstance();
    ASSERT_NE(nullptr, root);
    afWindowsUX::resetForTesting(afWindowsUX::FORCE_THEMED);
    ASSERT_NE(nullptr, afWindowsUX::getInstance());
    EXPECT_EQ(1u, root->exitDelegates().size());
    root->runExit();
    EXPECT_EQ(nullptr, afWindowsUX::getInstance());
    delete root;
    tessel::TesselService::setSetupSteps({nullptr, nullptr});
}

} // namespace

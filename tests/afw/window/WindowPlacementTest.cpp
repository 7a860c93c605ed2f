#include "afw/support/TestViews.h"
#include "afw/window/afWindow.h"
#include "service/base/Config.h"
#include "service/base/ValueNodeParser.h"
#include "support/ServiceRootFolders.h"

#include <gtest/gtest.h>

using namespace tessel_test;
using tessel::ValueNode;

namespace {

// Windows of the kind "main" placed through the configuration of a real service root in a
// temporary folder, as the program's main window is.
class WindowPlacementTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        folders.reset(new ServiceRootFolders);
        ASSERT_NE(nullptr, tessel::TesselService::getInstance());
    }
    void TearDown() override { folders.reset(); }

    static tessel::Config& config() { return tessel::TesselService::findInstance()->getConfig(); }
    static tessel::ConfigValue& windows() { return *config().findValue(L"app.windows"); }
    static afRect stored() {
        const ValueNode& entry = windows().getValueTree()->getKey(L"main");
        return afRect(entry.getKey(L"left").getInt(-1), entry.getKey(L"top").getInt(-1),
                      entry.getKey(L"right").getInt(-1), entry.getKey(L"bottom").getInt(-1));
    }
    static void store(const wchar_t* text) {
        ValueNode tree;
        tessel::ValueNodeParser().parse(text, tree);
        windows().setValueTree(tree);
    }
    static std::unique_ptr<afWindow> open(bool placed = true) {
        std::unique_ptr<afWindow> window(new afWindow);
        window->setPlacementKey(L"main");
        window->setPlacementEnabled(placed);
        window->setRestoreShowState(true);
        window->build();
        return window;
    }

    std::unique_ptr<ServiceRootFolders> folders;
};

TEST_F(WindowPlacementTest, SavesAsWindowsCloseAndPersistsEveryRun) {
    const afRect runs[] = {{100, 120, 600, 520}, {200, 150, 700, 450}};
    for (const afRect& run : runs) {
        std::unique_ptr<afWindow> window = open();
        if (&run != runs) {
            EXPECT_EQ(runs[0], window->getFrame()) << "the first run's place is restored";
        }
        window->setFrame(run);
        window->show();
        ::DestroyWindow(window->getHandle());
        EXPECT_EQ(run, stored());
        EXPECT_EQ(SW_SHOWNORMAL, windows().getValueTree()->getKey(L"main").getKey(L"state").getInt(-1));
        ASSERT_TRUE(config().saveAll());
    }
    delete tessel::TesselService::findInstance(); // what the files hold, read by a new root
    ASSERT_NE(nullptr, tessel::TesselService::getInstance());
    EXPECT_EQ(runs[1], stored());
}

TEST_F(WindowPlacementTest, KeepsThePlacementForAMissingEntryOrAnOversizedRectangle) {
    for (const wchar_t* text : {L"{}", L"{ main : { left : 0 top : 0 right : 100000 bottom : 100000 } }"}) {
        std::unique_ptr<afWindow> window = open(false);
        window->setFrame(afRect(40, 40, 340, 240));
        store(text);
        window->restoreState(&config());
        EXPECT_EQ(afRect(40, 40, 340, 240), window->getFrame()) << text;
        EXPECT_FALSE(::IsWindowVisible(window->getHandle()));
        ::DestroyWindow(window->getHandle());
    }
}

TEST_F(WindowPlacementTest, BringsStrayPlacementsBackVisibleAndNormal) {
    // Whether the place is used (and the window shown by its state) before the program shows it.
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"{ main : { left : 5000 top : 100 right : 5400 bottom : 400 state : 1 } }", true},
        {L"{ main : { left : 400 top : 100 right : 100 bottom : 400 state : 1 } }", false},
        {L"{ main : { left : 100 top : 100 right : 500 bottom : 400 state : 0 } }", true},
        {L"{ main : { left : 100 top : 100 right : 500 bottom : 400 state : 2 } }", true},
        {L"5", false}};
    for (const auto& c : cases) {
        store(c.first);
        std::unique_ptr<afWindow> window = open();
        HWND handle = window->getHandle();
        EXPECT_EQ(c.second, ::IsWindowVisible(handle) != 0) << c.first;
        window->show();
        const afRect frame = window->getFrame();
        EXPECT_TRUE(::IsWindowVisible(handle) && !::IsIconic(handle) && !::IsZoomed(handle)) << c.first;
        EXPECT_NE(nullptr, ::MonitorFromRect(&frame, MONITOR_DEFAULTTONULL)) << c.first;
        ::DestroyWindow(handle);
        EXPECT_EQ(ValueNode::Dictionary, windows().getValueTree()->getKey(L"main").kind()) << c.first;
    }
}

} // namespace

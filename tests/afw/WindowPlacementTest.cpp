#include "afw/afWindow.h"
#include "afw/support/TestViews.h"
#include "service/base/Config.h"
#include "support/ServiceRootFolders.h"

#include <gtest/gtest.h>

using namespace tessel_test;
using tessel::ValueNode;

namespace {

// Windows placed through the configuration of a real service root in a temporary folder.
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
    static const ValueNode& stored(const wchar_t* key) { return windows().getValueTree()->getKey(L"main").getKey(key); }
    static void store(const ValueNode& tree) { windows().setValueTree(tree); }
    // "main": {left, top, right, bottom, state}
    static ValueNode placement(int left, int top, int right, int bottom, int state) {
        ValueNode tree(ValueNode::Dictionary);
        ValueNode& entry = tree.getOrAddKey(L"main");
        const std::pair<const wchar_t*, int> values[] = {
            {L"left", left}, {L"top", top}, {L"right", right}, {L"bottom", bottom}, {L"state", state}};
        for (const auto& value : values)
            entry.getOrAddKey(value.first).setInt(value.second);
        return tree;
    }
    // A window of the kind "main", placed as the program's main window is.
    static std::unique_ptr<afWindow> open(bool placed = true) {
        std::unique_ptr<afWindow> window(new afWindow);
        window->setPlacementKey(L"main");
        window->setPlacementEnabled(placed);
        window->setRestoreShowState(true);
        window->build();
        return window;
    }
    static WINDOWPLACEMENT placementOf(const afWindow& window) {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        ::GetWindowPlacement(window.getHandle(), &placement);
        return placement;
    }

    std::unique_ptr<ServiceRootFolders> folders;
};

TEST_F(WindowPlacementTest, SavesAsWindowsCloseAndPersistsEveryRun) {
    const afRect runs[] = {{100, 120, 600, 520}, {200, 150, 700, 450}};
    for (const afRect& run : runs) {
        std::unique_ptr<afWindow> window = open();
        if (&run != runs)
            EXPECT_EQ(runs[0], window->getFrame()) << "the first run's place is restored";
        window->setFrame(run);
        window->show();
        ::DestroyWindow(window->getHandle());
        const int expected[] = {run.left, run.top, run.right, run.bottom, SW_SHOWNORMAL};
        const wchar_t* keys[] = {L"left", L"top", L"right", L"bottom", L"state"};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(expected[i], stored(keys[i]).getInt(-1)) << keys[i];
        ASSERT_TRUE(config().saveAll());
    }
    // What the files hold, read by a new root.
    delete tessel::TesselService::findInstance();
    ASSERT_NE(nullptr, tessel::TesselService::getInstance());
    EXPECT_EQ(200, stored(L"left").getInt(-1));
    EXPECT_EQ(450, stored(L"bottom").getInt(-1));
}

TEST_F(WindowPlacementTest, KeepsThePlacementForAMissingEntryOrAnOversizedRectangle) {
    const ValueNode cases[] = {ValueNode(ValueNode::Dictionary), placement(0, 0, 100000, 100000, 1)};
    for (const ValueNode& tree : cases) {
        std::unique_ptr<afWindow> window = open(false);
        window->setFrame(afRect(40, 40, 340, 240));
        const WINDOWPLACEMENT before = placementOf(*window);
        store(tree);
        window->restoreState(&config());
        const WINDOWPLACEMENT after = placementOf(*window);
        EXPECT_EQ(afRect(before.rcNormalPosition), afRect(after.rcNormalPosition));
        EXPECT_FALSE(::IsWindowVisible(window->getHandle()));
        ::DestroyWindow(window->getHandle());
    }
}

TEST_F(WindowPlacementTest, BringsStrayPlacementsBackVisibleAndNormal) {
    ValueNode integer;
    integer.setInt(5);
    struct Case {
        const char* name;
        ValueNode tree;
        bool shownByRestore;
    } cases[] = {
        {"off every monitor", placement(5000, 100, 5400, 400, SW_SHOWNORMAL), true},
        {"inverted", placement(400, 100, 100, 400, SW_SHOWNORMAL), false},
        {"hidden", placement(100, 100, 500, 400, SW_HIDE), true},
        {"minimised", placement(100, 100, 500, 400, SW_SHOWMINIMIZED), true},
        {"not a dictionary", integer, false},
    };
    for (const Case& c : cases) {
        store(c.tree);
        std::unique_ptr<afWindow> window = open();
        HWND handle = window->getHandle();
        EXPECT_EQ(c.shownByRestore, ::IsWindowVisible(handle) != 0) << c.name;
        window->show();
        const afRect frame = window->getFrame();
        EXPECT_TRUE(::IsWindowVisible(handle) && !::IsIconic(handle) && !::IsZoomed(handle)) << c.name;
        EXPECT_NE(nullptr, ::MonitorFromRect(&frame, MONITOR_DEFAULTTONULL)) << c.name;
        ::DestroyWindow(handle);
        EXPECT_EQ(ValueNode::Dictionary, windows().getValueTree()->getKey(L"main").kind()) << c.name;
    }
}

} // namespace

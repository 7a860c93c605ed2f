#include "afw/control/afControlTabs.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace tessel_test;

namespace {

// A page that counts the focus it is given and the times it is shown.
class Page : public ProbeView {
public:
    using ProbeView::ProbeView;
    void requestFocus() override { ++focused; }
    void setVisible(bool visible) override {
        shows += visible;
        ProbeView::setVisible(visible);
    }
    int focused = 0, shows = 0;
};

bool veto(void* allowed, afView*, afView*) {
    return *static_cast<bool*>(allowed);
}

class TabsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = openWindow(afRect(0, 0, 500, 400));
        tabs = afControlTabs::createInstance(window.get());
        window->setContentView(tabs);
        for (const wchar_t* caption : {L"General", L"Fonts", L"Keys"}) {
            pages.push_back(new Page(tabs));
            EXPECT_EQ(static_cast<int>(pages.size()) - 1, tabs->addTab(caption, pages.back()));
        }
        tabs->addChangeHandler(afControlTabs::ChangeHandler::fromFunction(&allowed, &veto));
        settle(*window);
    }
    std::vector<bool> shown() const {
        std::vector<bool> result;
        for (Page* page : pages)
            result.push_back(page->isVisible());
        return result;
    }
    bool key(uint32_t combination) {
        afKeyEvent event;
        event.combination = combination;
        return tabs->dispatchKeyDown(event);
    }

    std::unique_ptr<afTestWindow> window;
    afControlTabs* tabs = nullptr;
    std::vector<Page*> pages;
    bool allowed = true;
};

TEST_F(TabsTest, PagesShowOnlyWhenSelectedAndOutOfRangeIndexesChangeNothing) {
    EXPECT_EQ(3, tabs->getCount());
    EXPECT_EQ((std::vector<bool>{false, false, false}), shown());
    EXPECT_EQ(nullptr, tabs->getCurrentPage());
    EXPECT_EQ(pages[2], tabs->getPageAt(2));

    tabs->setCurrentIndex(1);
    EXPECT_EQ((std::vector<bool>{false, true, false}), shown());
    EXPECT_EQ(1, pages[1]->focused);
    for (int index : {3, -1, 99})
        tabs->setCurrentIndex(index);
    EXPECT_EQ((std::vector<bool>{false, true, false}), shown());
    EXPECT_EQ(1, tabs->getCurrentIndex());

    // The tab already shown is neither hidden nor focused again.
    tabs->setCurrentIndex(1);
    EXPECT_EQ(1, pages[1]->focused);
    EXPECT_EQ(1, pages[1]->shows);

    allowed = false;
    tabs->setCurrentIndex(2);
    EXPECT_EQ((std::vector<bool>{false, true, false}), shown());
    EXPECT_EQ(1, tabs->getCurrentIndex()) << "the vetoed selection is put back";
}

TEST_F(TabsTest, CtrlTabCyclesBothWaysOnceEnabled) {
    tabs->setCurrentIndex(2);
    EXPECT_FALSE(key(VK_TAB | afKeyEvent::CTRL)) << "cycling is off";
    tabs->enableCtrlTab();
    EXPECT_FALSE(key(VK_TAB)) << "without Ctrl";
    EXPECT_TRUE(key(VK_TAB | afKeyEvent::CTRL));
    EXPECT_EQ(0, tabs->getCurrentIndex());
    EXPECT_TRUE(key(VK_TAB | afKeyEvent::CTRL | afKeyEvent::SHIFT));
    EXPECT_EQ(2, tabs->getCurrentIndex());
    EXPECT_EQ((std::vector<bool>{false, false, true}), shown());
}

TEST_F(TabsTest, RemovingATabSelectsItsNeighbourAndKeepsThePageForItsOwner) {
    tabs->setCurrentIndex(1);
    tabs->setTabText(1, L"Colours");
    wchar_t caption[32] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = 32;
    ::SendMessageW(tabs->getHandle(), TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(L"Colours", caption);
    EXPECT_EQ(2, tabs->indexOfPage(pages[2]));

    // The selected one: its right neighbour shows.
    tabs->removeTab(1);
    EXPECT_EQ(2, tabs->getCount());
    EXPECT_EQ(nullptr, pages[1]->getParent());
    EXPECT_EQ(-1, tabs->indexOfPage(pages[1]));
    EXPECT_EQ(pages[2], tabs->getCurrentPage());
    EXPECT_EQ(1, tabs->getCurrentIndex());
    EXPECT_TRUE(pages[2]->isVisible());
    // One before the selected one: the selection stays on its page.
    tabs->removeTab(0);
    EXPECT_EQ(0, tabs->getCurrentIndex());
    EXPECT_EQ(pages[2], tabs->getCurrentPage());
    for (int index : {-1, 1, 5})
        tabs->removeTab(index);
    EXPECT_EQ(1, tabs->getCount());
    // The last one: nothing is selected.
    tabs->removeTab(0);
    EXPECT_EQ(0, tabs->getCount());
    EXPECT_EQ(nullptr, tabs->getCurrentPage());
    EXPECT_EQ(-1, tabs->getCurrentIndex());
}

TEST_F(TabsTest, ThePaddingFollowsTheDisplayAreaOnEveryResize) {
    for (const afRect& frame : {afRect(0, 0, 420, 300), afRect(0, 0, 300, 200)}) {
        window->setFrame(frame);
        settle(*window);
        RECT area = {0, 0, 0, 0};
        ::SendMessageW(tabs->getHandle(), TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&area));
        EXPECT_EQ(afRect(5 - area.left, 5 - area.top, area.right + 5, area.bottom + 5), tabs->getContent()->getPadding());
        EXPECT_GT(tabs->getContent()->getPadding().top, 5);
    }
}

} // namespace

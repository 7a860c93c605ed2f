// Tabs beyond a full strip: the list at the strip's end names every tab in the strip's order,
// marks the active one, and brings the one chosen into view; a tab cut by the strip's end is
// not drawn under the list's button.

#include "ShellFixture.h"

#include "app/Tabs.h"

#include "afw/dock/afDockSlot.h"
#include "afw/menu/afMenu.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <string>
#include <vector>

using namespace tessel;

namespace {

class TabListTest : public tessel_test::ShellFixture {
protected:
    // The view's rectangle in the client coordinates of the dock's window.
    afRect placeOf(afView* view) {
        const afRect frame = view->getFrame();
        afRect rect(0, 0, frame.width(), frame.height());
        tabs->offsetDescendantRect(view, rect);
        return rect;
    }
    // Whether the tab lies whole between the strip's left edge and the list button.
    bool inView(int index) {
        afRect rect;
        return tabs->getTabRect(tabs->getSlotAt(index), &rect) && rect.width() > 0 && rect.left >= 0 &&
               rect.right <= placeOf(tabs->getListButton()).left;
    }

    // The pixels of the list's button, printed from the dock's window.
    std::vector<uint32_t> listButtonPixels() {
        RECT client;
        ::GetClientRect(tabs->getHandle(), &client);
        tessel_test::DibSurface surface(client.right, client.bottom, 0x123456);
        ::SendMessageW(tabs->getHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.dc()), PRF_CLIENT);
        const afRect button = placeOf(tabs->getListButton());
        std::vector<uint32_t> pixels;
        for (int y = button.top; y < button.bottom; ++y)
            for (int x = button.left; x < button.right; ++x)
                pixels.push_back(surface.rgb(x, y));
        return pixels;
    }
    void openTabs(std::vector<std::wstring>& o_names) {
        for (int i = 0; i < 24; ++i) {
            o_names.push_back(L"a rather long name for a file, number " + std::to_wstring(i) + L".txt");
            base.write(L"files\\" + o_names.back(), "x");
        }
        for (const std::wstring& name : o_names)
            ASSERT_TRUE(window->openFile(file(name)));
    }

    Tabs* tabs = nullptr;
};

TEST_F(TabListTest, TabsScrolledOutOfAFullStripAreReachedThroughTheList) {
    std::vector<std::wstring> names;
    ASSERT_TRUE(start());
    openTabs(names);
    tabs = window->getTabs();
    const int count = tabs->getSlotCount();
    ASSERT_TRUE(tessel_test::pumpApp([&] { return inView(count - 1); })) << "the active last tab was never shown";
    ASSERT_FALSE(inView(0)) << "the strip holds every tab: the case needs more of them";

    std::unique_ptr<afMenu> list = tabs->makeTabList();
    ASSERT_TRUE(list);
    ASSERT_EQ(static_cast<size_t>(count), list->getChildren().size());
    for (int i = 0; i < count; ++i) {
        const auto* line = dynamic_cast<const afMenuItem*>(list->getChildren()[i]);
        ASSERT_TRUE(line);
        EXPECT_EQ(tabs->getButton(tabs->getSlotAt(i))->getText(), line->getTitle());
        EXPECT_EQ(i == count - 1, line->hasCheckMark()) << "line " << i;
    }

    EXPECT_FALSE(tabs->chooseFromList(*list, nullptr)) << "nothing chosen";
    ASSERT_TRUE(tabs->chooseFromList(*list, list->getChildren()[0]));
    EXPECT_EQ(tabs->getSlotAt(0), tabs->getActiveSlot());
    EXPECT_EQ(window->getPages()[0]->controller, window->getActivePage()->controller);
    EXPECT_TRUE(tessel_test::pumpApp([&] { return inView(0); })) << "the chosen tab stayed out of view";
}

TEST_F(TabListTest, ATabCutByTheStripsEndIsNotDrawnUnderTheListButton) {
    ASSERT_TRUE(start());
    tabs = window->getTabs();
    ASSERT_TRUE(tessel_test::pumpApp([&] { return placeOf(tabs->getListButton()).width() > 0; }));
    const std::vector<uint32_t> alone = listButtonPixels();

    std::vector<std::wstring> names;
    openTabs(names);
    const int count = tabs->getSlotCount();
    ASSERT_TRUE(tessel_test::pumpApp([&] { return inView(count - 1); }));
    // Scrolled back to a tab out of view on the left: the strip scrolls, and tabs run on past
    // its end.
    const int chosen = count / 2;
    ASSERT_FALSE(inView(chosen));
    tabs->setActiveSlot(tabs->getSlotAt(chosen));
    ASSERT_TRUE(tessel_test::pumpApp([&] { return inView(chosen); }));
    ASSERT_FALSE(inView(0));
    const int edge = placeOf(tabs->getListButton()).left;
    int cut = -1;
    for (int i = 0; i < count; ++i) {
        afRect rect;
        if (tabs->getTabRect(tabs->getSlotAt(i), &rect) && rect.left + ViewVirtualButton::PADDING_X < edge &&
            rect.right - ViewVirtualButton::PADDING_X > edge)
            cut = i;
    }
    ASSERT_GE(cut, 0) << "no tab's label runs past the strip's end: the case needs another scroll";

    const std::vector<uint32_t> shown = listButtonPixels();
    ASSERT_EQ(alone.size(), shown.size());
    size_t differing = 0;
    for (size_t i = 0; i < shown.size(); ++i)
        differing += shown[i] != alone[i];
    EXPECT_EQ(0u, differing) << "the label of tab " << cut << " shows under the list's button";
}

} // namespace

// Tabs beyond a full strip: the list at the strip's end names every tab in the strip's order,
// marks the active one, and brings the one chosen into view.

#include "ShellFixture.h"

#include "app/Tabs.h"

#include "afw/dock/afDockSlot.h"
#include "afw/menu/afMenu.h"
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

    Tabs* tabs = nullptr;
};

TEST_F(TabListTest, TabsScrolledOutOfAFullStripAreReachedThroughTheList) {
    std::vector<std::wstring> names;
    for (int i = 0; i < 24; ++i) {
        names.push_back(L"a rather long name for a file, number " + std::to_wstring(i) + L".txt");
        base.write(L"files\\" + names.back(), "x");
    }
    ASSERT_TRUE(start());
    for (const std::wstring& name : names)
        ASSERT_TRUE(window->openFile(file(name)));
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

} // namespace

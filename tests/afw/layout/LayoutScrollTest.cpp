#include "afw/control/afControlButton.h"
#include "afw/control/afLabel.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutField.h"
#include "afw/layout/afLayoutFrame.h"
#include "afw/layout/afLayoutHorizontalScroll.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

using namespace tessel_test;
using Spec = afViewMeasureSpec;
using Params = afLayoutParamsLinear;

namespace {

void pass(afView& view, int width, int height) {
    view.measure(Spec::exactly(width), Spec::exactly(height));
    view.setFrame(afRect(0, 0, view.getMeasuredWidth(), view.getMeasuredHeight()));
}

TEST(LayoutFrame, StacksChildrenInTheCornerWithoutTheirMargins) {
    afLayoutFrame frame(nullptr);
    frame.setPadding(3, 4, 5, 6);
    frame.setMinimumSize(0, 100);
    auto* params = new afLayoutParams;
    params->width = 40;
    params->height = 10;
    params->leftMargin = params->topMargin = 50;
    LeafView* small = new LeafView(nullptr, 0, 0);
    frame.addChild(small, params);
    LeafView* wide = new LeafView(nullptr, 0, 0);
    frame.addChild(wide, 60, 20);
    frame.measure(Spec::atMost(500), Spec::atMost(500));
    EXPECT_EQ(68, frame.getMeasuredWidth()) << "60 + padding, margins left out";
    EXPECT_EQ(100, frame.getMeasuredHeight()) << "the minimum height";
    frame.setFrame(afRect(0, 0, 68, 100));
    EXPECT_EQ(afRect(3, 4, 43, 14), small->getFrame());
    EXPECT_EQ(afRect(3, 4, 63, 24), wide->getFrame());
}

// A scroll layout 300 wide over a strip of tabs 100 wide each.
class ScrollTest : public ::testing::Test {
protected:
    void SetUp() override {
        scroll.addChild(strip, afLayoutParams::WRAP_CONTENT, afLayoutParams::FILL_PARENT);
        for (int i = 0; i < 10; ++i)
            strip->addChild(tabs[i] = new LeafView(nullptr, 100, 20), new Params(100, -1));
        pass(scroll, 300, 20);
    }

    afLayoutHorizontalScroll scroll{nullptr};
    afLayoutLinear* strip = new afLayoutLinear(nullptr, afLayoutLinear::HORIZONTAL);
    LeafView* tabs[10] = {};
};

TEST_F(ScrollTest, ClampsAndBringsFocusedChildrenIntoView) {
    EXPECT_EQ(1000, strip->getFrame().width()) << "measured at an unspecified width";
    const std::pair<int, int> clamps[] = {{900, 700}, {-5, 0}, {350, 350}};
    for (const auto& c : clamps) {
        scroll.scrollTo(c.first, 7);
        EXPECT_EQ(c.second, scroll.getScrollX()) << c.first;
        EXPECT_EQ(0, scroll.getScrollY());
    }
    // A tab at 250..350 in a view of 0..300: 350 - (300 - 16).
    scroll.scrollTo(0, 0);
    scroll.focusChild(strip);
    EXPECT_EQ(0, scroll.getScrollX()) << "the whole strip is wider than the view: from its start";
    tabs[5]->setFrame(afRect(250, 0, 350, 20));
    scroll.focusChild(tabs[5]);
    EXPECT_EQ(66, scroll.getScrollX());
    scroll.focusChild(tabs[0]);
    EXPECT_EQ(0, scroll.getScrollX()) << "back to the start, no margin before the first";
    scroll.focusChild(tabs[9]);
    EXPECT_EQ(700, scroll.getScrollX()) << "to the end, no margin after the last";

    // A strip narrower than the view fills it and never scrolls.
    for (int i = 9; i >= 3; --i)
        strip->removeView(tabs[i]);
    pass(scroll, 300, 20);
    EXPECT_EQ(300, strip->getFrame().width());
    scroll.scrollTo(50, 0);
    EXPECT_EQ(0, scroll.getScrollX());
}

TEST_F(ScrollTest, FocusingDuringAPendingLayoutWaitsForTheFinalSizes) {
    strip->addChild(new LeafView(nullptr, 400, 20), new Params(400, -1), 0); // tab 9 moves to 1300
    EXPECT_TRUE(scroll.isLayoutDirty());
    scroll.focusChild(tabs[9]);
    EXPECT_EQ(0, scroll.getScrollX());
    EXPECT_EQ(tabs[9], scroll.getChildToScrollTo());
    pass(scroll, 300, 20);
    EXPECT_EQ(1100, scroll.getScrollX()) << "the new end: 1400 - 300";
    EXPECT_EQ(nullptr, scroll.getChildToScrollTo());
    EXPECT_FALSE(scroll.isLayoutDirty());
}

TEST_F(ScrollTest, ForgetsARemovedBranchThatHeldTheFocusedChild) {
    scroll.focusChild(tabs[4]); // 400..500: 500 - 284
    EXPECT_EQ(216, scroll.getScrollX());
    // Pending: the child to scroll to lives in the branch too.
    strip->relayout(L"test");
    scroll.focusChild(tabs[6]);
    scroll.removeView(strip);
    delete strip;
    EXPECT_EQ(nullptr, scroll.getFocusedChild());
    EXPECT_EQ(nullptr, scroll.getChildToScrollTo());
    pass(scroll, 200, 20); // a resize with nothing left to keep in view
    EXPECT_EQ(216, scroll.getScrollX()) << "no scrolling at once";
    scroll.addChild(new LeafView(nullptr, 100, 20), 100, 20);
    pass(scroll, 200, 20);
    EXPECT_EQ(0, scroll.getScrollX()) << "the next arrange clamps again";
}

TEST_F(ScrollTest, AResizeKeepsANearbyFocusedChildInView) {
    scroll.focusChild(tabs[2]); // 200..300: 300 - 284
    EXPECT_EQ(16, scroll.getScrollX());
    pass(scroll, 250, 20);
    EXPECT_EQ(66, scroll.getScrollX()) << "300 - (250 - 16)";
}

TEST(LayoutField, MakesOneRowOnFirstUseAndRestoresTheHint) {
    afLayoutField field(nullptr);
    afLabel* caption = field.setCaption(L"&Name");
    ASSERT_NE(nullptr, field.getRow()) << "a caption before initRow makes the row";
    field.initRow();
    EXPECT_EQ(1, field.getChildCount()) << "and only one";
    EXPECT_EQ(caption, field.setCaption(L"N&ame"));
    EXPECT_EQ(L'A', caption->getMnemonic());
    EXPECT_EQ(afLayout::GRAVITY_LEFT, caption->getAlignment());
    EXPECT_EQ(afRect(0, 0, 10, 5), caption->getPadding());
    EXPECT_EQ(afLayout::GRAVITY_LEFT, caption->getLayoutParams()->asLinear()->gravity);

    afLabel* message = field.setHint(L"letters only", afLayout::GRAVITY_RIGHT);
    EXPECT_EQ(afLayoutParams::FILL_PARENT, message->getLayoutParams()->width);
    EXPECT_EQ(message, field.setMessage(L"Too long."));
    EXPECT_EQ(std::make_tuple(std::wstring(L"Too long."), 4, afLayout::GRAVITY_LEFT + 0, 30),
              std::make_tuple(message->getText(), message->getVisualStyle(), message->getAlignment(),
                              message->getColourIndex()));
    field.restoreHint();
    EXPECT_EQ(std::make_tuple(std::wstring(L"letters only"), 3, afLayout::GRAVITY_RIGHT + 0, 6),
              std::make_tuple(message->getText(), message->getVisualStyle(), message->getAlignment(),
                              message->getColourIndex()));
    EXPECT_EQ(2, field.getRow()->getChildCount());
}

// Three fields and a row of buttons under exactly 400 x 300.
TEST_F(WindowTest, AFormLaysOutAsComputedByHand) {
    std::unique_ptr<afTestWindow> window = openWindow(afRect(50, 50, 500, 400));
    auto* form = new afLayoutLinear(window.get(), afLayoutLinear::VERTICAL);
    form->setPadding(10);
    window->setContentView(form);
    std::vector<afLayoutField*> fields;
    std::vector<LeafView*> controls;
    for (const wchar_t* caption : {L"&Name:", L"&Scope:", L"&Tab trigger:"}) {
        auto* field = new afLayoutField(window.get());
        field->setCaption(caption);
        field->setHint(L"optional", afLayout::GRAVITY_RIGHT);
        controls.push_back(new LeafView(window.get(), 50, 20));
        field->addChild(controls.back(), new Params(-1, 20));
        auto* params = new Params(-1, -2);
        params->bottomMargin = 10;
        form->addChild(field, params);
        fields.push_back(field);
    }
    auto* buttons = new afLayoutLinear(window.get(), afLayoutLinear::HORIZONTAL);
    buttons->setGravity(afLayout::GRAVITY_RIGHT);
    form->addChild(buttons, new Params(-1, -2));
    std::vector<afControlButton*> row;
    for (const wchar_t* text : {L"OK", L"Cancel"}) {
        row.push_back(afControlButton::createInstance(window.get()));
        row.back()->setText(text);
        auto* params = new Params(-2, -2);
        params->leftMargin = 6;
        buttons->addChild(row.back(), params);
    }
    pass(*form, 400, 300);

    // What the texts measure in the stock font, as bare DrawTextW has them.
    DibSurface surface(10, 10);
    auto canvas = afCanvas::fromDC(surface.dc());
    canvas->selectFont(afGetStockFont(AF_FONT_MESSAGE));
    const int line = canvas->lineHeight();
    const auto textWidth = [&](const wchar_t* text) { return static_cast<int>(canvas->measureText(text, -1, DT_SINGLELINE).cx); };
    const int fieldHeight = line + 5 + 20;
    for (int i = 0; i < 3; ++i) {
        const int top = 10 + i * (fieldHeight + 10);
        EXPECT_EQ(afRect(10, top, 390, top + fieldHeight), fields[i]->getFrame()) << i;
        EXPECT_EQ(afRect(0, 0, 380, line + 5), fields[i]->getRow()->getFrame()) << i;
        const int captionWidth = textWidth(i == 0 ? L"&Name:" : i == 1 ? L"&Scope:" : L"&Tab trigger:") + 10;
        EXPECT_EQ(afRect(0, 0, captionWidth, line + 5), fields[i]->getCaption()->getFrame()) << i;
        EXPECT_EQ(afRect(captionWidth, 0, 380, line), fields[i]->getMessageLabel()->getFrame()) << i;
        EXPECT_EQ(afRect(0, line + 5, 380, line + 25), controls[i]->getFrame()) << i;
    }
    const int buttonHeight = std::max(25, 14 + line);
    const int ok = std::max(80, 40 + textWidth(L"OK")), cancel = std::max(80, 40 + textWidth(L"Cancel"));
    const int rowTop = 10 + 3 * (fieldHeight + 10);
    EXPECT_EQ(afRect(10, rowTop, 390, rowTop + buttonHeight), buttons->getFrame());
    const int okLeft = 380 - (6 + ok + 6 + cancel) + 6;
    EXPECT_EQ(afRect(okLeft, 0, okLeft + ok, buttonHeight), row[0]->getFrame());
    EXPECT_EQ(afRect(okLeft + ok + 6, 0, 380, buttonHeight), row[1]->getFrame());
}

} // namespace

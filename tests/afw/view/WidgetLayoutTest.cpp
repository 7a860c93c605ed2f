#include "afw/view/afWidget.h"

#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

using tessel_test::ChildWidget;
using tessel_test::DibSurface;
using tessel_test::ProbeView;
using tessel_test::Recording;
using tessel_test::sized;
using tessel_test::StackView;

namespace {

using WidgetLayoutTest = tessel_test::WindowTest;

TEST_F(WidgetLayoutTest, AResizeMovesTheChildWindowsInOneBatchAndAnUnchangedPassTouchesNone) {
    for (bool hideFirst : {false, true}) {
        auto window = openWindow(afRect(0, 0, 300, 200));
        auto* content = new StackView(window.get());
        window->setContentView(content);
        Recording<ChildWidget>* children[2];
        for (auto*& child : children) {
            child = new Recording<ChildWidget>(window.get());
            child->build();
            content->addView(sized(child, -1, -1));
        }
        if (hideFirst)
            children[0]->setShown(false, false);
        settle(*window);
        const afRect before = children[0]->windowRect();
        afRect firstWhenSecondMoves;
        children[1]->onSetFrame = [&] { firstWhenSecondMoves = children[0]->windowRect(); };
        ::SetWindowPos(window->getHandle(), nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
        window->validateLayout();
        RECT invalid;
        EXPECT_TRUE(::GetUpdateRect(children[1]->getHandle(), &invalid, FALSE)) << "a moved child is repainted";
        settle(*window);

        const afRect client = window->getClientRect();
        const int half = client.height() / 2;
        EXPECT_EQ(afRect(0, 0, client.width(), half), children[0]->windowRect());
        EXPECT_EQ(afRect(0, half, client.width(), 2 * half), children[1]->windowRect());
        EXPECT_EQ(hideFirst ? children[0]->windowRect() : before, firstWhenSecondMoves)
            << (hideFirst ? "a hidden child moves at once" : "shown children move together when the pass ends");

        for (auto* child : children)
            child->positionChanges = 0;
        window->relayout(L"test");
        window->validateLayout();
        EXPECT_EQ(0, children[0]->positionChanges + children[1]->positionChanges);
    }
}

TEST_F(WidgetLayoutTest, AChildWindowHidesAndShowsWithItsWindowlessParent) {
    auto window = openWindow(afRect(0, 0, 300, 200));
    auto* content = new StackView(window.get());
    window->setContentView(content);
    auto* panel = new StackView(window.get());
    content->addView(sized(panel, -1, -1));
    auto* child = new ChildWidget(window.get());
    child->build();
    panel->addView(sized(child, -1, -1));
    const auto visible = [&] { return ::IsWindowVisible(child->getHandle()) != 0; };
    panel->setVisible(false);
    EXPECT_FALSE(visible());
    EXPECT_TRUE(child->isShown()) << "its own wish stays";
    panel->setVisible(true);
    EXPECT_TRUE(visible());
    child->setShown(false, false);
    panel->setVisible(false);
    panel->setVisible(true);
    EXPECT_FALSE(visible());
}

// The pixels of the window's client area, read back from its DC.
std::vector<uint32_t> capture(HWND window, const afRect& client) {
    DibSurface surface(client.width(), client.height(), 0x777777);
    HDC dc = ::GetDC(window);
    ::BitBlt(surface.dc(), 0, 0, client.width(), client.height(), dc, 0, 0, SRCCOPY);
    ::ReleaseDC(window, dc);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < client.height(); ++y)
        for (int x = 0; x < client.width(); ++x)
            pixels.push_back(surface.rgb(x, y));
    return pixels;
}

TEST_F(WidgetLayoutTest, PaintingDirectlyBufferedAndPrintedGivesTheSamePixels) {
    auto window = openWindow(afRect(0, 0, 221, 163));
    // White under the rows: an odd client size leaves a line the even shares do not cover.
    auto* content = new StackView(window.get(), false, RGB(255, 255, 255));
    window->setContentView(content);
    const COLORREF colours[2][2] = {{RGB(200, 0, 0), RGB(0, 160, 0)}, {RGB(0, 0, 190), RGB(230, 200, 0)}};
    std::vector<ProbeView*> leaves;
    for (const auto& rowColours : colours) {
        auto* row = new StackView(window.get(), true);
        content->addView(sized(row, -1, -1));
        for (COLORREF colour : rowColours) {
            leaves.push_back(new ProbeView(window.get(), colour));
            row->addView(sized(leaves.back(), -1, -1));
        }
    }
    settle(*window);
    const afRect client = window->getClientRect();
    HWND handle = window->getHandle();
    ::RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const std::vector<uint32_t> direct = capture(handle, client);
    window->setPaintFlags(afViewPlatform::PAINT_BUFFERED);
    ::RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(direct, capture(handle, client)) << "buffered";
    DibSurface printed(client.width(), client.height(), 0x777777);
    ::SendMessageW(handle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.dc()), PRF_CLIENT);

    for (ProbeView* leaf : leaves) {
        afRect frame(0, 0, leaf->getFrame().width(), leaf->getFrame().height());
        window->offsetDescendantRect(leaf, frame);
        const uint32_t expected = (leaf->colour & 0xFF) << 16 | (leaf->colour & 0xFF00) | (leaf->colour >> 16 & 0xFF);
        for (POINT corner : {POINT{frame.left, frame.top}, POINT{frame.right - 1, frame.top},
                             POINT{frame.left, frame.bottom - 1}, POINT{frame.right - 1, frame.bottom - 1}}) {
            EXPECT_EQ(expected, direct[static_cast<size_t>(corner.y * client.width() + corner.x)])
                << corner.x << "," << corner.y;
            EXPECT_EQ(expected, printed.rgb(corner.x, corner.y)) << corner.x << "," << corner.y;
        }
    }
    size_t differing = 0;
    for (int y = 0; y < client.height(); ++y)
        for (int x = 0; x < client.width(); ++x)
            differing += printed.rgb(x, y) != direct[static_cast<size_t>(y * client.width() + x)];
    EXPECT_EQ(0u, differing) << "printed";
}

class FailingPaint : public ProbeView {
public:
    using ProbeView::ProbeView;
    bool onDraw(afCanvas&, const afRect*) override {
        ++draws;
        throw pel::IllegalStateException(L"thrown in onDraw");
    }
    int draws = 0;
};

TEST_F(WidgetLayoutTest, AFailedPaintIsReportedAndValidatesTheWindow) {
    auto window = openWindow(afRect(0, 0, 200, 150));
    auto* failing = new FailingPaint(window.get());
    window->setContentView(failing);
    settle(*window);
    tessel_test::ErrorRecorder errors;
    failing->draws = 0;
    ::InvalidateRect(window->getHandle(), nullptr, FALSE);
    settle(*window);
    RECT invalid;
    EXPECT_FALSE(::GetUpdateRect(window->getHandle(), &invalid, FALSE));
    EXPECT_EQ(1, failing->draws) << "painted once, no storm of paints";
    EXPECT_EQ((std::vector<std::wstring>{L"thrown in onDraw"}), errors.texts);
}

} // namespace

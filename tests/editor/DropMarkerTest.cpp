// The drop marker's bitmaps, geometry and placement, and the editor's drop target called as the
// system's drag loop calls it, with text and with a file list.

#include "EditorKeyTestSupport.h"

#include <ole2.h>

#include "afw/data/afDataObjectFiles.h"
#include "afw/data/afDataObjectText.h"
#include "afw/data/afDropTarget.h"
#include "afw/graphics/afCanvas.h"
#include "afw/support/Golden.h"
#include "editor/DropMarker.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace tessel_test;
using tessel::DropMarker;
using tessel::Editor;

namespace {

class DropMarkerTest : public EditorKeyTest {
public:
    afDropAction askedAboutFiles(Editor*, const afDropInfo&, uint32_t, afDropAction) { return AF_DROP_COPY; }
    void left(Editor*) { ++leaves; }
    afDropAction dropped(Editor*, const std::vector<std::wstring>& items, bool files, const tessel::TextPosition& at,
                         afDropAction action) {
        droppedItems = items;
        droppedFiles = files;
        droppedAt = at;
        return action;
    }

protected:
    afRect markerFrame() {
        afRect frame;
        ::GetWindowRect(marker()->getHandle(), &frame);
        return frame;
    }
    DropMarker* marker() { return editor->getDropMarker(); }
    // The system's drag over the editor: enter, over and, with drop, the drop; the effects.
    std::vector<DWORD> drag(afDataObject& data, bool drop, POINTL point = {10, 10}) {
        IDropTarget* target = editor->getEditorDropTarget()->getComObject();
        const DWORD offered = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        std::vector<DWORD> effects{offered, offered, drop ? offered : DROPEFFECT_NONE};
        target->DragEnter(data.getComObject(), 0, point, &effects[0]);
        target->DragOver(0, point, &effects[1]);
        if (drop)
            target->Drop(data.getComObject(), 0, point, &effects[2]);
        else
            target->DragLeave();
        return effects;
    }
    int leaves = 0;
    std::vector<std::wstring> droppedItems;
    bool droppedFiles = false;
    tessel::TextPosition droppedAt;
};

TEST_F(DropMarkerTest, TheBarsAreBlackOnTheKey) {
    for (const auto& shape : {std::make_tuple(0, 6, 40, "editor/golden/drop-marker-vertical.png"),
                              std::make_tuple(1, 40, 6, "editor/golden/drop-marker-horizontal.png")}) {
        marker()->setGeometry(std::get<0>(shape), 40);
        DibSurface surface(std::get<1>(shape), std::get<2>(shape), 0x123456);
        marker()->paint(*afCanvas::fromDC(surface.dc()), afRect(0, 0, std::get<1>(shape), std::get<2>(shape)));
        EXPECT_TRUE(matchesGoldenImage(std::get<3>(shape), surface, std::get<1>(shape), std::get<2>(shape), 0));
        EXPECT_EQ(0u, surface.rgb(3, 3)) << "the stem";
        EXPECT_EQ(0xFFFFFFu, std::get<0>(shape) ? surface.rgb(3, 0) : surface.rgb(0, 3)) << "the key";
    }
}

TEST_F(DropMarkerTest, TheSameGeometryDrawsOnceAndShowAtCentresTheBar) {
    ASSERT_NE(nullptr, marker());
    const uint32_t before = marker()->getDrawCount();
    marker()->setGeometry(0, 40);
    marker()->setGeometry(0, 40);
    EXPECT_EQ(before + 1, marker()->getDrawCount());
    EXPECT_EQ(std::make_pair(6L, 40L), std::make_pair(markerFrame().width(), markerFrame().height()));
    afTestWindow reference;
    reference.build();
    reference.setFrame(afRect(10, 20, 210, 120));
    const struct {
        int orientation;
        POINT at;
    } cases[] = {{0, {107, 70}}, {1, {110, 67}}};
    for (const auto& c : cases) {
        marker()->setGeometry(c.orientation, 40);
        const uint32_t draws = marker()->getDrawCount();
        marker()->showAt(reference.getHandle(), 100, 50);
        EXPECT_EQ(std::make_pair(c.at.x, c.at.y), std::make_pair(markerFrame().left, markerFrame().top));
        EXPECT_EQ(draws, marker()->getDrawCount()) << "moved without drawing";
    }
    ::DestroyWindow(reference.getHandle());
}

TEST_F(DropMarkerTest, TheEditorTakesTextWithADocumentAndHandsFilesToItsOwner) {
    afDataObjectText text(L"dropped");
    afDataObjectFiles files;
    files.addFile(L"C:\\a.txt");
    files.addFile(L"C:\\b.txt");
    const DWORD none = DROPEFFECT_NONE, copy = DROPEFFECT_COPY;
    EXPECT_EQ((std::vector<DWORD>{none, none, none}), drag(text, false)) << "no controller";
    attach(L"");
    marker()->setVisible(true);
    editor->setDropLeaveDelegate(Editor::DropLeaveDelegate::bind<DropMarkerTest, &DropMarkerTest::left>(this));
    editor->setDropDelegate(Editor::DropDelegate::bind<DropMarkerTest, &DropMarkerTest::dropped>(this));
    // Another program's text, no key held: copied, so that the source keeps it.
    EXPECT_EQ((std::vector<DWORD>{copy, copy, none}), drag(text, false));
    EXPECT_EQ(1, leaves);
    EXPECT_FALSE(::IsWindowVisible(marker()->getHandle())) << "the leave hides the marker";
    EXPECT_EQ((std::vector<DWORD>{copy, copy, copy}), drag(text, true));
    EXPECT_EQ((std::vector<std::wstring>{L"dropped"}), droppedItems);
    EXPECT_FALSE(droppedFiles);
    editor->setFileDropQuery(Editor::FileDropQuery::bind<DropMarkerTest, &DropMarkerTest::askedAboutFiles>(this));
    EXPECT_EQ((std::vector<DWORD>{copy, copy, copy}), drag(files, true));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\a.txt", L"C:\\b.txt"}), droppedItems);
    EXPECT_TRUE(droppedFiles);
}

// Text goes to the owner with the place a click at the drop point would put the caret.
TEST_F(DropMarkerTest, TheOwnerGetsThePlaceUnderTheDropPoint) {
    attach(L"one\ntwo three");
    editor->setDropDelegate(Editor::DropDelegate::bind<DropMarkerTest, &DropMarkerTest::dropped>(this));
    afDataObjectText text(L"x");
    const auto screen = [&](POINT client) {
        ::ClientToScreen(editor->getHandle(), &client);
        return POINTL{client.x, client.y};
    };
    POINT boundary = {};
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        ASSERT_TRUE(editor->positionPoint(tessel::TextPosition(1, 5), &boundary));
    }
    drag(text, true, screen({boundary.x + 1, boundary.y + lineHeight / 2}));
    EXPECT_TRUE(droppedAt.sameAs(tessel::TextPosition(1, 5))) << droppedAt.line << ":" << droppedAt.lineOffset;
    drag(text, true, screen({clientWidth - 4, lineHeight / 2}));
    EXPECT_TRUE(droppedAt.sameAs(tessel::TextPosition(0, 3))) << "past the line's end: its end, not virtual space";
}

// The editor's receiver serves one drop after another: each drop hands over what it delivered,
// never what an earlier drop of the other kind left.
TEST_F(DropMarkerTest, EachDropHandsOverTheFormatItDelivered) {
    attach(L"");
    editor->setDropDelegate(Editor::DropDelegate::bind<DropMarkerTest, &DropMarkerTest::dropped>(this));
    editor->setFileDropQuery(Editor::FileDropQuery::bind<DropMarkerTest, &DropMarkerTest::askedAboutFiles>(this));
    afDataObjectFiles files;
    files.addFile(L"C:\\old.txt");
    afDataObjectText text(L"new words");
    for (int round = 0; round < 2; ++round) {
        drag(files, true);
        EXPECT_EQ((std::vector<std::wstring>{L"C:\\old.txt"}), droppedItems) << round;
        EXPECT_TRUE(droppedFiles) << round;
        drag(text, true);
        EXPECT_EQ((std::vector<std::wstring>{L"new words"}), droppedItems) << "text after files, " << round;
        EXPECT_FALSE(droppedFiles) << round;
    }
    // An empty text delivered after files is no drop at all.
    afDataObjectText empty(L"");
    drag(files, true);
    droppedItems.clear();
    drag(empty, true);
    EXPECT_TRUE(droppedItems.empty());
}

} // namespace

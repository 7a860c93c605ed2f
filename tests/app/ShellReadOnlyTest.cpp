// A file opened with the open dialog's "Open as read-only" box checked: typing, replacing and
// undoing change nothing and the status bar says why; Save goes through Save As, whose copy is
// the user's own, editable file; the file opened stays as it was.

#include "ShellFixture.h"

#include <ole2.h>

#include "app/StatusBar.h"

#include "afw/data/afDataObjectText.h"
#include "afw/data/afDropTarget.h"
#include "editor/Editor.h"
#include "service/document/Document.h"

#include "service/document/controller/DocumentController.h"

using namespace tessel;

namespace {

class ShellReadOnlyTest : public tessel_test::ShellFixture {
protected:
    std::wstring statusMessage() const { return window->getStatusBar()->getMessage(); }
};

TEST_F(ShellReadOnlyTest, AFileOpenedReadOnlyRefusesEditsSaysSoAndIsSavedOnlyAsACopy) {
    const std::string old = "int x;\r\n";
    base.write(L"files\\ro.c", old);
    ASSERT_TRUE(start());
    paths.push_back(file(L"ro.c"));
    openReadOnly = true;
    run(L"file.open");
    ASSERT_EQ(L"ro.c - Tessel", window->getTitleText());
    ASSERT_EQ(std::vector<bool>{false}, shownFileDialogs) << "the open dialog";
    EXPECT_EQ(L"", statusMessage());

    type(L"q");
    EXPECT_EQ(L"int x;\n", activeText());
    EXPECT_EQ(L"ro.c - Tessel", window->getTitleText()) << "not modified";
    EXPECT_EQ(DocumentController::READ_ONLY_TEXT, statusMessage());

    window->getStatusBar()->setMessage(L"");
    SearchParameters replace;
    replace.findText = L"int";
    replace.replaceText = L"long";
    searches.push_back(replace);
    run(L"search.replace");
    EXPECT_EQ(L"int x;\n", activeText());
    EXPECT_EQ(DocumentController::READ_ONLY_TEXT, statusMessage()) << "not \"Replaced 1 match\"";

    // Save asks where: cancelled, nothing is written; given a path, the copy is written there.
    run(L"file.save");
    EXPECT_EQ((std::vector<bool>{false, true}), shownFileDialogs) << "Save went through Save As";
    EXPECT_EQ(old, base.read(L"files\\ro.c"));
    paths.push_back(file(L"copy.c"));
    run(L"file.save");
    EXPECT_EQ(old, base.read(L"files\\copy.c"));
    EXPECT_EQ(L"copy.c - Tessel", window->getTitleText());

    // The copy is editable and saves where it is.
    type(L"q");
    EXPECT_EQ(L"qint x;\n", activeText());
    run(L"file.save");
    EXPECT_EQ(3u, shownFileDialogs.size()) << "no dialog for an editable file";
    EXPECT_EQ("q" + old, base.read(L"files\\copy.c"));
    EXPECT_EQ(old, base.read(L"files\\ro.c"));
}

TEST_F(ShellReadOnlyTest, TheBoxLeftClearOpensAnEditableFile) {
    base.write(L"files\\rw.c", "int y;\r\n");
    ASSERT_TRUE(start());
    paths.push_back(file(L"rw.c"));
    run(L"file.open");
    type(L"q");
    EXPECT_EQ(L"qint y;\n", activeText());
    EXPECT_EQ(L"rw.c * - Tessel", window->getTitleText());
    EXPECT_EQ(L"", statusMessage());
}

// Text dragged from another program with Shift held is offered as a move: the source deletes
// it when the drop answers so. A read-only document takes none of it, and the drop answers
// "none"; while dragging, the editor still shows the move it would be.
TEST_F(ShellReadOnlyTest, TextDroppedAsAMoveOnAReadOnlyFileIsNotTakenAndTheDropSaysSo) {
    base.write(L"files\\ro.c", "int x;\r\n");
    ASSERT_TRUE(start());
    paths.push_back(file(L"ro.c"));
    openReadOnly = true;
    run(L"file.open");
    ASSERT_EQ(L"ro.c - Tessel", window->getTitleText());
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "editable");
        window->getActivePage()->controller->getDocument().setReadOnly(readOnly);
        afDataObjectText text(L"moved ");
        IDropTarget* target = window->getActivePage()->editor->getEditorDropTarget()->getComObject();
        const POINTL point = {10, 10};
        DWORD entered = DROPEFFECT_COPY | DROPEFFECT_MOVE, dropped = entered;
        target->DragEnter(text.getComObject(), MK_LBUTTON | MK_SHIFT, point, &entered);
        target->Drop(text.getComObject(), MK_SHIFT, point, &dropped);
        EXPECT_EQ(DWORD(DROPEFFECT_MOVE), entered);
        EXPECT_EQ(DWORD(readOnly ? DROPEFFECT_NONE : DROPEFFECT_MOVE), dropped);
        EXPECT_EQ(readOnly ? L"int x;\n" : L"moved int x;\n", activeText());
    }
}

} // namespace

// Drops from another program on the real main window, through the drop targets of its tab strip
// and of its editor as the system's drag loop calls them: the effect each answers (a source told
// "move" deletes its own copy), where dropped text lands, and what one undo gives back.

#include "ShellFixture.h"

#include <ole2.h>

#include "app/Tabs.h"

#include "afw/data/afDataObjectFiles.h"
#include "afw/data/afDataObjectText.h"
#include "afw/data/afDropTarget.h"
#include "afw/support/TestViews.h"
#include "editor/Editor.h"
#include "service/document/controller/Selection.h"

#include <string>
#include <vector>

using namespace tessel;

namespace {

constexpr DWORD COPY = DROPEFFECT_COPY, MOVE = DROPEFFECT_MOVE, NONE = DROPEFFECT_NONE;
constexpr DWORD ALL = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

class ShellDropTest : public tessel_test::ShellFixture {
protected:
    // Opens the file (written with the text) and waits until its editor shows a few rows.
    void open(const std::string& text) {
        ASSERT_TRUE(startWithFile(L"drop.txt", text));
        editor = window->getActivePage()->editor;
        controller = editor->getController();
        ASSERT_TRUE(tessel_test::pumpApp([&] { return editor->getVisibleLines() >= 3; })) << "never laid out";
    }

    // The screen point a little right of the position's character boundary, halfway down its row.
    POINT screenPointOf(const TextPosition& position) {
        POINT point = {};
        DocumentController::Lock lock(*controller, DocumentController::LOCK_READ);
        EXPECT_TRUE(editor->positionPoint(position, &point));
        point.x += 1;
        point.y += editor->getLineHeight() / 2;
        ::ClientToScreen(editor->getHandle(), &point);
        return point;
    }

    // Enter, over and drop at the screen point with the keys held and the effects the source
    // allows; the effects answered, in that order.
    static std::vector<DWORD> dropOn(afDropTarget* target, afDataObject& data, DWORD allowed, DWORD keys, POINT at) {
        IDropTarget* com = target->getComObject();
        const POINTL point = {at.x, at.y};
        std::vector<DWORD> effects{allowed, allowed, allowed};
        com->DragEnter(data.getComObject(), MK_LBUTTON | keys, point, &effects[0]);
        com->DragOver(MK_LBUTTON | keys, point, &effects[1]);
        com->Drop(data.getComObject(), keys, point, &effects[2]);
        return effects;
    }
    std::vector<DWORD> dropText(const std::wstring& text, const TextPosition& at, DWORD allowed = ALL, DWORD keys = 0) {
        afDataObjectText data(text);
        return dropOn(editor->getEditorDropTarget(), data, allowed, keys, screenPointOf(at));
    }

    Editor* editor = nullptr;
    DocumentController* controller = nullptr;
};

TEST_F(ShellDropTest, FilesAreCopiedInOnTheTabStripAsInTheEditorWhateverTheKeys) {
    ASSERT_NO_FATAL_FAILURE(open("x"));
    const struct {
        DWORD allowed, keys;
        const char* what;
    } cases[] = {{ALL, 0, "copy, move and link allowed"}, {COPY, 0, "copy only"}, {ALL, MK_SHIFT, "Shift held"}};
    afRect strip;
    ASSERT_TRUE(window->getTabs()->getTabRect(window->getTabs()->getSlotAt(0), &strip));
    POINT onStrip = {strip.right + 20, (strip.top + strip.bottom) / 2};
    ::ClientToScreen(window->getTabs()->getHandle(), &onStrip);
    size_t queued = 0;
    int n = 0;
    for (afDropTarget* target : {window->getTabs()->getDropTarget(), editor->getEditorDropTarget()}) {
        const bool tabs = target == window->getTabs()->getDropTarget();
        const POINT at = tabs ? onStrip : screenPointOf(TextPosition(0, 0));
        for (const auto& c : cases) {
            const std::wstring name = L"f" + std::to_wstring(++n) + L".txt";
            base.write(L"files\\" + name, "f");
            afDataObjectFiles files;
            files.addFile(file(name).c_str());
            EXPECT_EQ((std::vector<DWORD>{COPY, COPY, COPY}),
                      dropOn(target, files, c.allowed, c.keys, at))
                << (tabs ? "tab strip, " : "editor, ") << c.what;
            EXPECT_EQ(++queued, window->getPendingCommandCount()) << "opened once the drop is over";
        }
        // A source that allows only a move is refused: taking the files would delete them.
        afDataObjectFiles files;
        files.addFile(file(L"f1.txt").c_str());
        EXPECT_EQ((std::vector<DWORD>{NONE, NONE, NONE}), dropOn(target, files, MOVE, 0, at));
        EXPECT_EQ(queued, window->getPendingCommandCount());
    }
    ASSERT_TRUE(tessel_test::pumpApp([&] { return window->getPendingCommandCount() == 0; }));
    EXPECT_EQ(7u, window->getPages().size());
}

TEST_F(ShellDropTest, TextIsCopiedUnlessShiftAsksToMoveIt) {
    ASSERT_NO_FATAL_FAILURE(open(""));
    EXPECT_EQ((std::vector<DWORD>{COPY, COPY, COPY}), dropText(L"a", TextPosition(0, 0), COPY | MOVE));
    EXPECT_EQ((std::vector<DWORD>{COPY, COPY, COPY}), dropText(L"b", TextPosition(0, 0), COPY)) << "copy only";
    EXPECT_EQ((std::vector<DWORD>{MOVE, MOVE, MOVE}), dropText(L"c", TextPosition(0, 0), ALL, MK_SHIFT));
    EXPECT_EQ((std::vector<DWORD>{COPY, COPY, COPY}), dropText(L"d", TextPosition(0, 0), ALL, MK_CONTROL));
    EXPECT_EQ((std::vector<DWORD>{NONE, NONE, NONE}), dropText(L"e", TextPosition(0, 0), MOVE)) << "move, not asked";
    EXPECT_EQ(L"dcba", activeText());
}

TEST_F(ShellDropTest, TextLandsAtTheDropPointLeavesTheSelectionsTextAndUndoesInOneStep) {
    const std::wstring old = L"alpha beta gamma\ndelta epsilon";
    ASSERT_NO_FATAL_FAILURE(open("alpha beta gamma\r\ndelta epsilon"));
    const struct {
        int32_t anchor, caret; // the selection before the drop
        TextPosition at;
        const wchar_t* expected;
    } cases[] = {
        {6, 10, TextPosition(1, 13), L"alpha beta gamma\ndelta epsilonNEW"},        // "beta", at the end of line 2
        {0, 30, TextPosition(0, 14), L"alpha beta gamNEWma\ndelta epsilon"},        // everything, inside a word
        {17, 17, TextPosition(0, 5), L"alphaNEW beta gamma\ndelta epsilon"},        // a caret elsewhere
        {6, 10, TextPosition(0, 8), L"alpha beNEWta gamma\ndelta epsilon"},         // inside the selection
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.anchor);
        controller->getSelection().setOffsets(c.anchor, c.caret, selection_ids::NORMAL);
        EXPECT_EQ((std::vector<DWORD>{COPY, COPY, COPY}), dropText(L"NEW", c.at));
        EXPECT_EQ(c.expected, activeText());
        EXPECT_EQ(controller->positionToOffset(c.at) + 3, controller->getCaretOffset()) << "behind what was dropped";
        ASSERT_TRUE(controller->undo());
        EXPECT_EQ(old, activeText()) << "one undo";
    }
}

// A long line, and a drop of many lines with every kind of line break: it lands where it was
// dropped, its breaks the document's own, and one undo takes all of it away.
TEST_F(ShellDropTest, ALargeDropOnALongLineLandsThereAndUndoesInOneStep) {
    const std::string line(200000, 'x');
    ASSERT_NO_FATAL_FAILURE(open(line + "\r\nend"));
    std::wstring dropped;
    for (int i = 0; i < 50000; ++i)
        dropped += i % 3 == 0 ? L"row\r\n" : i % 3 == 1 ? L"row\r" : L"row\n";
    EXPECT_EQ((std::vector<DWORD>{COPY, COPY, COPY}), dropText(dropped, TextPosition(0, 4)));
    std::wstring text;
    controller->getText(&text);
    ASSERT_EQ(line.size() + 4 + 50000 * 4, text.size());
    EXPECT_EQ(L"xxxxrow\nrow\n", text.substr(0, 12));
    EXPECT_EQ(std::wstring(L"row\n") + std::wstring(line.size() - 4, L'x') + L"\nend", text.substr(4 + 49999 * 4));
    EXPECT_EQ(50002, controller->getLineCount());
    ASSERT_TRUE(controller->undo());
    EXPECT_EQ(std::wstring(line.begin(), line.end()) + L"\nend", activeText());
}

} // namespace

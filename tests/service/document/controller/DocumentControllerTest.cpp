#include "ControllerTestSupport.h"
#include "../ManagerTestSupport.h"

#include "service/base/BgScheduler.h"
#include "service/parser/base/ScopePath.h"
#include "support/LogCapture.h"
#include "support/WaitThen.h"
#include "support/WatchedHeap.h"

#include <gtest/gtest.h>

using namespace tessel;
using tessel_test::ControllerTest;
using tessel_test::FakeEditor;
using tessel_test::NoticeRecorder;
using tessel_test::WaitThen;

namespace {

using Lock = DocumentController::Lock;

std::vector<std::wstring> linesOf(const std::vector<LineRange>& blocks) {
    std::vector<std::wstring> lines;
    for (const LineRange& block : blocks)
        lines.push_back(pel::formatString(L"%d..%d", block.first, block.last));
    return lines;
}

// A document of a file, through the DocumentManager.
class ControllerReloadTest : public tessel_test::ManagerTest {};

} // namespace

TEST_F(ControllerTest, AnEditInsideAReadTransactionKeepsTheReadKindAndChangesNothing) {
    load(L"abc");
    tessel_test::LogCapture log;
    {
        Lock read(*controller, DocumentController::LOCK_READ);
        EXPECT_EQ(nullptr, read.changeRecord());
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        EXPECT_EQ(nullptr, edit.changeRecord());
        EXPECT_EQ(DocumentController::LOCK_READ, controller->getLockKind());
        EXPECT_EQ(2u, controller->getLockDepth());
        controller->insertString(L"x");
    }
    controller->deleteChars(1); // no transaction at all
    EXPECT_EQ(DocumentController::LOCK_NONE, controller->getLockKind());
    EXPECT_EQ(L"abc", text());
    EXPECT_FALSE(document->getUndoContext().canUndo());
    EXPECT_FALSE(controller->isModified());
    EXPECT_TRUE(log.contains(L"an open edit transaction for DocumentController::typeText"));
    EXPECT_TRUE(log.contains(L"an open edit transaction for DocumentController::deleteChars"));
    // An edit transaction gives the document's change record.
    Lock edit(*controller, DocumentController::LOCK_EDIT);
    EXPECT_EQ(&document->getChangeRange(), edit.changeRecord());
    EXPECT_TRUE(edit.changeRecord()->active);
}

TEST_F(ControllerTest, DeletingRemovesTheSelectionOrCharactersAtTheCaret) {
    struct Case {
        int32_t anchor, caret, count;
        const wchar_t* text;
        int32_t result;
    };
    const Case cases[] = {
        {0, 0, -1, L"abcdef", 0}, // nothing before the start
        {6, 6, -1, L"abcde", 5},  // the last character
        {2, 2, -2, L"cdef", 0},   {2, 2, 1, L"abdef", 2},
        {2, 2, 9, L"ab", 2},      {4, 4, -9, L"abcdef", 4}, // it would start before 0
        {3, 3, 0, L"abcdef", 3},  {1, 4, 5, L"aef", 1},     // the selection only
        {5, 2, -1, L"abf", 2},
    };
    for (const Case& c : cases) {
        load(L"abcdef");
        select(c.anchor, c.caret);
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        EXPECT_EQ(c.result, controller->deleteChars(c.count)) << c.anchor << " " << c.caret << " " << c.count;
        EXPECT_EQ(c.text, text()) << c.anchor << " " << c.caret << " " << c.count;
        EXPECT_TRUE(selection().isEmpty());
    }
}

// A caller that hands over CRs is logged, and the caret and the undo step count the line feeds
// that went in, not the units handed over.
TEST_F(ControllerTest, TextWithCarriageReturnsGoesInAsLineFeedsCountedAsSuch) {
    load(L"ab");
    select(1, 1);
    tessel_test::LogCapture log;
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        const std::wstring inserted = L"x\r\ny\rz";
        EXPECT_EQ(1, controller->insertAt(static_cast<int32_t>(inserted.size()), 1, inserted.c_str()));
    }
    EXPECT_TRUE(log.contains(L"Assertion failed"));
    EXPECT_EQ(L"ax\ny\nzb", text());
    EXPECT_EQ(6, controller->getCaretOffset()) << "behind the z";
    ASSERT_TRUE(controller->undo());
    EXPECT_EQ(L"ab", text());
    ASSERT_TRUE(controller->redo());
    EXPECT_EQ(L"ax\ny\nzb", text());
}

TEST_F(ControllerTest, TheIndentationOfALongLineIsReadFromItsStartAlone) {
    const std::wstring body(4 << 20, L'x');
    load(L"\t  " + body + L"\n" + std::wstring(1 << 20, L' ') + std::wstring(L"\n  \0x", 5));
    controller->setIndentation(4, false);
    tessel_test::LargestAllocation largest;
    EXPECT_EQ(6, controller->getLineIndentation(0, false));
    EXPECT_EQ(6, controller->getIndentationBefore(TextPosition(0, 4 << 20), false));
    EXPECT_EQ(-1, controller->getIndentationBefore(TextPosition(0, 2), false)) << "blanks only before it";
    EXPECT_EQ(5, controller->getIndentationBefore(TextPosition(0, 2), true));
    EXPECT_EQ(-1, controller->getLineIndentation(1, false)) << "a line of blanks";
    EXPECT_EQ(1 << 20, controller->getLineIndentation(1, true));
    EXPECT_EQ(-1, controller->getLineIndentation(2, false)) << "a NUL ends the search for text";
    EXPECT_LT(largest.bytes(), 4096u) << "no line was copied";
}

TEST_F(ControllerTest, IndentationOfLinesFollowsTheDocumentsSetting) {
    load(L"\tone\n  two\n\n    \nfive");
    // Widths are kept within 1..16; setting them is no change a save would write.
    controller->setIndentation(0, true);
    EXPECT_TRUE(controller->getTabWidth() == 1 && controller->getFormat().indentation.indentChar == L' ');
    controller->setIndentation(40, false);
    EXPECT_TRUE(controller->getTabWidth() == 16 && controller->getFormat().indentation.indentChar == L'\t');
    EXPECT_EQ(16, document->getFormat().indentation.size);
    EXPECT_FALSE(controller->isModified());
    controller->setIndentation(4, false);
    EXPECT_EQ(4, controller->getLineIndentation(0, false));
    EXPECT_EQ(-1, controller->getLineIndentation(3, false)); // blanks only
    EXPECT_EQ(4, controller->getLineIndentation(3, true));
    EXPECT_EQ(2, controller->getIndentationAt(7));
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        controller->indentSelectedLines(1, {{0, 2}}); // the empty line stays empty
        controller->setLineIndentation(1, 4);
    }
    EXPECT_EQ(L"\t\tone\n\t  two\n\n    \n five", text());
    controller->setIndentation(2, true);
    std::wstring indent;
    controller->getIndentTextAt(document->getLineStart(1) + 2, &indent); // column 3 of "\t  two"
    EXPECT_EQ(L" ", indent);
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        controller->indentSelectedLines(-1, {{1, 1}});
    }
    EXPECT_EQ(L"\t\tone\n  two\n\n    \n five", text()); // 4 columns less one step of 2
}

TEST_F(ControllerTest, MovingLinesTakesEveryBlockPastTheTarget) {
    struct Case {
        std::vector<LineRange> blocks;
        int32_t target;
        const wchar_t* text;
        std::vector<std::wstring> after;
    };
    const Case cases[] = {
        {{{1, 2}}, 0, L"b\nc\na\nd", {L"0..1"}},
        {{{1, 2}}, 1, L"a\nb\nc\nd", {L"1..2"}}, // the first block's first line: nothing
        {{{1, 2}}, 2, L"a\nb\nc\nd", {L"1..2"}},
        {{{0, 1}}, 3, L"c\nd\na\nb", {L"2..3"}},
        {{{0, 0}, {2, 2}}, 3, L"b\na\nd\nc", {L"1..1", L"3..3"}},
        {{{2, 3}}, 0, L"c\nd\na\nb", {L"0..1"}},
        {{{1, 1}}, 4, L"a\nb\nc\nd", {L"1..1"}}, // past the text
        {{{1, 1}}, -1, L"a\nb\nc\nd", {L"1..1"}},
    };
    for (const Case& c : cases) {
        load(L"a\nb\nc\nd");
        std::vector<LineRange> blocks = c.blocks;
        {
            Lock edit(*controller, DocumentController::LOCK_EDIT);
            controller->moveLines(blocks, c.target);
        }
        EXPECT_EQ(c.text, text()) << c.target;
        EXPECT_EQ(c.after, linesOf(blocks)) << c.target;
    }
    // Duplicates land after their blocks; the pairs then hold them.
    load(L"a\nb\nc");
    std::vector<LineRange> blocks = {{0, 0}, {1, 2}};
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        controller->duplicateLines(blocks);
    }
    EXPECT_EQ(L"a\na\nb\nc\nb\nc", text());
    EXPECT_EQ((std::vector<std::wstring>{L"1..1", L"4..5"}), linesOf(blocks));
}

TEST_F(ControllerTest, PositionsAreClampedIntoTheText) {
    load(L"ab\n \tcd  \nlast");
    EXPECT_EQ(2, controller->positionToOffset(TextPosition(0, 9)));
    EXPECT_EQ(0, controller->positionToOffset(TextPosition(-3, -3)));
    EXPECT_EQ(14, controller->positionToOffset(TextPosition(7, 0)));
    EXPECT_TRUE(controller->offsetToPosition(11).sameAs(TextPosition(2, 1)));
    EXPECT_TRUE(controller->clampPosition(TextPosition(0, 5)).sameAs(TextPosition(0, 2, true)));
    EXPECT_TRUE(controller->clampPosition(TextPosition(9, 0)).sameAs(TextPosition(2, 4)));
    EXPECT_TRUE(controller->getLineContentStart(1, true).sameAs(TextPosition(1, 2)));
    EXPECT_TRUE(controller->getLineBoundary(1, false, false).sameAs(TextPosition(1, 6, true)));
    EXPECT_TRUE(controller->getLineBoundary(1, true, false).sameAs(TextPosition(1, 4, true)));
    EXPECT_TRUE(controller->getLineBoundary(1, false, true).sameAs(TextPosition(2, 0)));
    EXPECT_EQ((LineRange{0, 1}), controller->getLineSpan(1, 10));
    EXPECT_EQ((LineRange{0, 0}), controller->getLineSpan(1, 3)); // ends at the start of line 1
    std::wstring got;
    EXPECT_FALSE(controller->getTextRange(10, 5, &got));
    EXPECT_TRUE(controller->getTextRange(10, 4, &got) && got == L"last");
    controller->prepareText(10, L"x\r\n    y\rz", &got);
    EXPECT_EQ(L"x\n\ty\nz", got);
}

TEST_F(ControllerTest, TheCaretIsToldOncePerTransactionAfterTheTextIsFinal) {
    load(L"abc\ndef");
    NoticeRecorder notices(*controller);
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        selection().setCaretOffset(1);
        selection().setCaretOffset(2);
        controller->insertString(L"x");
        EXPECT_EQ((std::vector<std::wstring>{L"begin", L"inserted line 0 breaks 0"}), notices.lines);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"begin", L"inserted line 0 breaks 0", L"caret 0:3 1", L"modified",
                                         L"changed 0..0", L"selection 0:0-0:3"}),
              notices.take());
    // One notice per bracket, with the union of its ranges.
    controller->beginSelectionChange();
    controller->addChangedRange(TextPosition(1, 2), TextPosition(1, 0));
    controller->invalidateRange(6, 2);
    controller->addChangedRange(TextPosition(0, -1), TextPosition(9, 9)); // a negative offset adds nothing
    EXPECT_TRUE(notices.lines.empty());
    controller->endSelectionChange();
    EXPECT_EQ((std::vector<std::wstring>{L"selection 0:2-1:2"}), notices.take());
}

TEST_F(ControllerTest, TheViewHearsOfParsedLinesAndMarkedLines) {
    load(L"a\nb\nc");
    FakeEditor view;
    controller->setEditor(&view);
    EXPECT_EQ(controller, view.controller);
    document->notifyParsed(-4, 99);
    {
        Lock read(*controller, DocumentController::LOCK_READ);
        document->setLineMarker(1, L"mark", 0, 1);
    }
    EXPECT_EQ(
        (std::vector<std::wstring>{L"attach", L"begin", L"invalidate 0..2 1 0", L"end", L"begin", L"redraw 1", L"end"}),
        view.calls);
    // Another controller takes the view over.
    DocumentController* other = controllers->createController(*document);
    controllers->setActiveController(controller);
    other->setEditor(&view);
    EXPECT_EQ(nullptr, controller->getEditor());
    EXPECT_EQ(nullptr, controllers->getActiveController());
    EXPECT_EQ(other, view.controller);
    controllers->deleteController(other);
    EXPECT_EQ(nullptr, view.controller);
}

TEST_F(ControllerTest, FormatPathAndFileNoticesReachTheControllersListeners) {
    std::vector<std::wstring> heard;
    const auto hear = [&heard](const std::wstring& what) { heard.push_back(what); };
    controller->pathChanged().add(this, [&](DocumentController&, const std::wstring& path) { hear(path); });
    controller->formatChanged().add(
        this, [&](DocumentController&, const DocumentController::Format& now, const DocumentController::Format& old) {
            hear(pel::formatString(L"line ending %u -> %u", old.lineEnding, now.lineEnding));
        });
    controller->fileModified().add(this,
                                   [&](DocumentController& c) { hear(c.isModifiedOnDisk() ? L"changed" : L"same"); });
    controller->fileDeleted().add(this, [&](DocumentController&) { hear(L"deleted"); });
    controller->grammarChanged().add(this, [&](DocumentController&, const std::wstring& name) { hear(name); });
    controller->setGrammar(L"source.c");
    EXPECT_EQ(L"Untitled", controller->getTitle());
    document->changeFormat([](DocumentFormat& format) {
        format.isNew = false;
        format.path.assign(L"C:\\work\\notes.txt");
        format.lineEnding = LINE_ENDING_UNIX;
    });
    EXPECT_EQ(L"notes.txt", controller->getTitle());
    for (DocumentFileChangeKind kind :
         {FILE_CHANGE_MODIFIED, FILE_CHANGE_MODIFIED, FILE_CHANGE_IN_SYNC, FILE_CHANGE_DELETED, FILE_CHANGE_DELETED}) {
        DocumentFileChange change;
        change.kind = kind;
        document->notifyFileChanged(change);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"source.c", L"line ending 0 -> 1", L"C:\\work\\notes.txt", L"changed",
                                         L"same", L"deleted"}),
              heard);
}

// A deletion is heard once, until the file is there again: a save that left it in sync with the
// document, or another program's putting it back, clears its mark, so that the next deletion is
// heard too. Keeping a change clears that change alone.
TEST_F(ControllerTest, EachDeletionIsHeardOnceTheFileIsThereAgain) {
    int deletions = 0;
    controller->fileDeleted().add(this, [&](DocumentController& c) { deletions += c.isDeletedOnDisk() ? 1 : 0; });
    const auto tell = [&](DocumentFileChangeKind kind) {
        DocumentFileChange change;
        change.kind = kind;
        document->notifyFileChanged(change);
    };
    tell(FILE_CHANGE_DELETED);
    tell(FILE_CHANGE_DELETED);
    EXPECT_EQ(1, deletions);
    tell(FILE_CHANGE_IN_SYNC);
    EXPECT_FALSE(controller->isDeletedOnDisk());
    tell(FILE_CHANGE_DELETED);
    EXPECT_EQ(2, deletions);
    tell(FILE_CHANGE_MODIFIED);
    EXPECT_FALSE(controller->isDeletedOnDisk());
    EXPECT_TRUE(controller->isModifiedOnDisk());
    controller->keepFileChange();
    EXPECT_FALSE(controller->isModifiedOnDisk());
    tell(FILE_CHANGE_DELETED);
    EXPECT_EQ(3, deletions);
    controller->keepFileChange();
    EXPECT_TRUE(controller->isDeletedOnDisk());
}

TEST_F(ControllerTest, TheCaretScopeNamesTheGrammarScopesAndTheSelectionKind) {
    load(L"abc\ndef");
    const auto scope = [this] {
        ScopePath path;
        controller->getCaretScope(path);
        return path.toString();
    };
    EXPECT_EQ(L"none", scope());
    selection().setOffsets(0, 2, selection_ids::NORMAL);
    EXPECT_EQ(L"ui.selection.normal none", scope());
    selection().set(TextPosition(1, 2), TextPosition(0, 1), CARET_ANCHOR, selection_ids::RECTANGLE);
    EXPECT_EQ(L"ui.selection.rectangle none", scope());
    selection().setWithBehavior(TextPosition(0, 0), TextPosition(1, 1), selection_ids::RECTANGLE);
    EXPECT_EQ(L"ui.selection.mixed none", scope());
}

TEST_F(ControllerTest, AShownDocumentIsParsedFirstAndAHiddenOneLastOrNotAtAll) {
    auto parsing = std::make_shared<tessel_test::TestServices>();
    DocumentManager manager(parsing); // no workers: jobs stay where they are put
    DocumentControllerManager owners(manager);
    Document* shown = manager.createDocument(L"");
    DocumentController* front = owners.createController(*shown);
    BgJob* job = shown->getParserJob();
    const auto place = [&] {
        pel::ScopedLock<pel::Mutex_Impl> lock(manager.getParserPool().getLock());
        return pel::formatString(L"%d %s", job->priority, job->state == BgJob::QUEUED ? L"queued" : L"idle");
    };
    FakeEditor view;
    for (bool parseInactive : {false, true}) {
        manager.getParserClient()->setParseInactiveDocuments(parseInactive);
        front->setEditor(&view);
        EXPECT_EQ(L"2 queued", place());
        front->setEditor(nullptr);
        EXPECT_EQ(parseInactive ? L"3 queued" : L"3 idle", place());
    }
}

// The second of two writes lands after the reload read the file, and the watcher tells it while
// the reload still waits: once the reload is over the file counts as changed again, so that the
// older text is never taken for the file's.
TEST_F(ControllerReloadTest, AWriteAfterTheReloadReadTheFileIsToldOnceTheReloadIsOver) {
    folder.write(L"twice.txt", "first\n");
    Document* loaded = load(L"twice.txt");
    DocumentControllerManager owners(*manager);
    DocumentController* controller = owners.createController(*loaded);
    folder.writeOutside(L"twice.txt", "second\n");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return controller->isModifiedOnDisk(); }));
    const FileRecord& record = loaded->getFileRecord();
    WaitThen afterTheRead([&] {
        folder.writeOutside(L"twice.txt", "third, after the read\n");
        const FileStamp written = DocumentWatch::stampOf(path(L"twice.txt"));
        EXPECT_TRUE(tessel_test::pumpUntil([&] { return record.seen().stamp == written; }))
            << "the watcher never told the second write";
    });
    manager->setIOWait(&afterTheRead);
    DocumentManager::FileError error;
    EXPECT_TRUE(manager->reloadDocument(loaded, &error));
    manager->setIOWait(nullptr);
    EXPECT_EQ(L"second\n", tessel_test::textOf(*loaded));
    EXPECT_TRUE(controller->isModifiedOnDisk()) << "the write after the read was taken as read";
    // Reloaded again, the document has the file's last text and is in step with it.
    EXPECT_TRUE(manager->reloadDocument(loaded, &error));
    EXPECT_EQ(L"third, after the read\n", tessel_test::textOf(*loaded));
    EXPECT_FALSE(controller->isModifiedOnDisk());
}

TEST_F(ControllerReloadTest, AReloadKeepsTheViewAndStartsAtTheTop) {
    folder.write(L"reload.txt", "first line\nsecond line\n");
    Document* loaded = load(L"reload.txt");
    DocumentControllerManager owners(*manager);
    DocumentController* controller = owners.createController(*loaded);
    FakeEditor view;
    controller->setEditor(&view);
    controller->getSelection().setOffsets(3, 14, selection_ids::NORMAL);
    controller->getSelection().setWithBehavior(TextPosition(0, 1), TextPosition(0, 2), selection_ids::NORMAL);
    DocumentFileChange change;
    change.kind = FILE_CHANGE_MODIFIED;
    loaded->notifyFileChanged(change);
    folder.writeOutside(L"reload.txt", "new text\n");
    DocumentManager::FileError error;
    ASSERT_TRUE(manager->reloadDocument(loaded, &error));
    EXPECT_EQ(L"new text\n", tessel_test::textOf(*loaded));
    EXPECT_EQ(&view, controller->getEditor());
    EXPECT_EQ(controller, view.controller);
    EXPECT_EQ(0, controller->getCaretOffset());
    EXPECT_TRUE(controller->getSelection().getCommittedRanges().empty());
    EXPECT_TRUE(controller->isSelectionEmpty());
    EXPECT_FALSE(controller->isModifiedOnDisk());
    controller->setEditor(nullptr);
}

// The reload clears the marks of a change and a deletion: a file gone by then is marked deleted
// again (and heard), the document keeping its text.
TEST_F(ControllerReloadTest, AReloadOfAFileGoneMeanwhileLeavesItMarkedDeleted) {
    folder.write(L"gone.txt", "text\n");
    Document* loaded = load(L"gone.txt");
    DocumentControllerManager owners(*manager);
    DocumentController* controller = owners.createController(*loaded);
    int deletions = 0;
    controller->fileDeleted().add(this, [&](DocumentController& c) { deletions += c.isDeletedOnDisk() ? 1 : 0; });
    ASSERT_TRUE(::DeleteFileW(path(L"gone.txt").c_str()));
    DocumentManager::FileError error;
    EXPECT_FALSE(manager->reloadDocument(loaded, &error));
    EXPECT_TRUE(controller->isDeletedOnDisk());
    EXPECT_EQ(1, deletions);
    EXPECT_EQ(L"text\n", tessel_test::textOf(*loaded));
}

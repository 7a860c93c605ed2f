#include "ControllerTestSupport.h"
#include "../ManagerTestSupport.h"

#include "service/document/io/DocumentEncoding.h"
#include "service/document/undo/UndoManager.h"

#include <gtest/gtest.h>

#include <random>

using namespace tessel;
using tessel_test::ControllerTest;
using tessel_test::offsetsOf;

namespace {

using Lock = DocumentController::Lock;

// A document of a file, through the DocumentManager.
class ControllerSaveTest : public tessel_test::ManagerTest {};

} // namespace

TEST_F(ControllerTest, UndoAndRedoRestoreTheTextAndTheSelection) {
    load(L"hello world");
    select(0, 5);
    type(L"HI");
    EXPECT_EQ(L"HI world", text());
    controller->undo();
    EXPECT_EQ(L"hello world", text());
    EXPECT_EQ(std::make_pair(0, 5), offsetsOf(*controller));
    EXPECT_FALSE(controller->isModified());
    controller->redo();
    EXPECT_EQ(L"HI world", text());
    EXPECT_EQ(std::make_pair(2, 2), offsetsOf(*controller));
    // A split transaction is two steps (the model below covers typing runs and more walks).
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        controller->insertString(L"12");
        controller->splitEdit();
        controller->insertString(L"34");
    }
    controller->undo();
    EXPECT_EQ(L"HI12 world", text());
    EXPECT_EQ(std::make_pair(4, 4), offsetsOf(*controller));
}

// A transaction that only moves the selection (its deletion deletes nothing) leaves the undo
// log where it was, the redo step included; the model below walks the rest.
TEST_F(ControllerTest, ATransactionThatOnlySelectsLeavesNoUndoStep) {
    load(L"abc");
    type(L"12");
    select(3, 4);
    type(L"xy");
    controller->undo();
    const uint32_t pos = document->getUndoContext().getPos();
    select(0, 0);
    {
        Lock edit(*controller, DocumentController::LOCK_EDIT);
        controller->deleteChars(-1);
        selection().setCaretOffset(4);
    }
    EXPECT_EQ(pos, document->getUndoContext().getPos());
    EXPECT_TRUE(document->getUndoContext().canRedo() && controller->isModified());
    controller->redo();
    EXPECT_EQ(L"12axyc", text());
    EXPECT_EQ(std::make_pair(5, 5), offsetsOf(*controller));
}

TEST_F(ControllerTest, TheUndoLogDumpsTheSelectionRecords) {
    load(L"ab");
    select(1, 2);
    type(L"z");
    std::wstring dump;
    document->getUndoContext().dump(dump);
    EXPECT_NE(std::wstring::npos, dump.find(L"Spans \n    Span count = 1\n")) << dump;
    EXPECT_NE(std::wstring::npos, dump.find(L"Selection \n    Ranges count = 0\n    Caret options = Anchor \n"
                                            L"    Caret virtual mode = No\n    Behavior = normal\n"
                                            L"    Behavior range = [ Line = 0, Loff = 1 ] -> [ Line = 0, Loff = 2 ]\n"))
        << dump;
    const DocumentControllerUndoIO& io = controllers->getUndoIO();
    UndoManager& kinds = *documents->getUndoManager();
    for (uint32_t kind : {io.selectionKind(), io.selectionCaretKind(), io.spansKind()})
        EXPECT_TRUE(kinds.isKindPassive(kind) && kinds.getKindListener(kind) == &io);
}

// Random edits, selections, undos, redos and saves against a model of the text, the selection,
// the undo steps (runs of single characters typed at consecutive offsets join) and "modified".
TEST_F(ControllerTest, RandomEditsUndoAndRedoAgreeWithAModel) {
    struct State {
        std::wstring text;
        std::pair<int32_t, int32_t> selection;
    };
    struct Step {
        State before;
        State after;
        int32_t typedAt; // where one typed character ended it, else -1
    };
    std::mt19937 random(30);
    const auto below = [&random](int32_t bound) {
        return static_cast<int32_t>(random() % static_cast<uint32_t>(bound));
    };
    load(L"start\ntext");
    State now{text(), {0, 0}};
    std::vector<Step> steps;
    size_t done = 0;
    int64_t saved = 0; // -1: gone with redo history
    bool formatDirty = false;
    bool typedLast = false; // the last insert was one typed character (typing may join it)
    for (int i = 0; i < 1000; ++i) {
        const int32_t choice = below(100);
        const int32_t length = static_cast<int32_t>(now.text.size());
        const int32_t low = std::min(now.selection.first, now.selection.second);
        const int32_t high = std::max(now.selection.first, now.selection.second);
        State next;
        bool edited = false;
        bool typedOne = false;
        if (choice < 20) {
            const int32_t anchor = below(length + 1);
            const int32_t caret = below(3) == 0 ? anchor : below(length + 1);
            select(anchor, caret);
            now.selection = {anchor, caret};
            ASSERT_EQ(now.selection, offsetsOf(*controller)) << i;
        } else if (choice < 55) {
            std::wstring typed(1, static_cast<wchar_t>(L'a' + below(26)));
            if (below(4) == 0)
                typed += below(2) ? L"\n" : L"xy";
            type(typed);
            next.text = now.text.substr(0, low) + typed + now.text.substr(high);
            const int32_t caret = low + static_cast<int32_t>(typed.size());
            next.selection = {caret, caret};
            typedOne = typed.size() == 1;
            edited = true;
        } else if (choice < 72) {
            const int32_t count = below(2) ? -1 - below(2) : 1 + below(2);
            {
                Lock edit(*controller, DocumentController::LOCK_EDIT);
                controller->deleteChars(count);
            }
            int32_t from = low, to = high;
            if (low == high) {
                from = count < 0 ? low + count : low;
                to = count < 0 ? low : std::min(length, low + count);
                if (from < 0)
                    from = to = low;
            }
            next.text = now.text.substr(0, from) + now.text.substr(to);
            next.selection = {from, from};
            edited = from != to;
        } else if (choice < 84) {
            controller->undo();
            if (done > 0) {
                now = steps[--done].before;
                typedLast = false; // a walk breaks the run of typing
            }
        } else if (choice < 95) {
            controller->redo();
            if (done < steps.size()) {
                now = steps[done++].after;
                typedLast = false;
            }
        } else if (choice < 98) {
            controller->markUnmodified();
            saved = static_cast<int64_t>(done);
            formatDirty = false;
            typedLast = false; // a save ends the run of typing
        } else {
            const uint32_t encoding = below(2) ? encoding_from_config_name(L"UTF-16-LE") : DEFAULT_ENCODING;
            formatDirty = formatDirty || encoding != controller->getFormat().encoding; // a change of value only
            controller->setEncoding(encoding);
        }
        if (edited) {
            // A new step drops the redo history; a typed character right after one typed at the
            // offset before it joins that step.
            steps.resize(done);
            if (saved > static_cast<int64_t>(done))
                saved = -1;
            const int32_t typedAt = typedOne ? low : -1;
            if (typedOne && typedLast && done > 0 && steps[done - 1].typedAt >= 0 &&
                steps[done - 1].typedAt + 1 == typedAt) {
                ASSERT_NE(saved, static_cast<int64_t>(done)) << "step " << i << ": a run joined across a save";
                steps[done - 1].after = next;
                steps[done - 1].typedAt = typedAt;
            } else {
                steps.push_back({now, next, typedAt});
                ++done;
            }
            now = next;
            if (choice >= 20 && choice < 55)
                typedLast = typedOne;
        }
        ASSERT_EQ(now.text, text()) << "step " << i << " choice " << choice;
        ASSERT_EQ(now.selection, offsetsOf(*controller)) << "step " << i << " choice " << choice;
        ASSERT_EQ(formatDirty || saved != static_cast<int64_t>(done), controller->isModified())
            << "step " << i << " choice " << choice;
    }
}

// A save ends the run of typing: the characters typed after it are a step of their own, so
// one undo comes back to the saved text and redo reaches it again; without a save a typed run
// still goes in one step.
TEST_F(ControllerSaveTest, ASaveEndsTheTypedRunSoUndoAndRedoReachTheSavedText) {
    folder.write(L"run.txt", "start");
    Document* loaded = load(L"run.txt");
    DocumentControllerManager owners(*manager);
    DocumentController* controller = owners.createController(*loaded);
    const auto typeEach = [&](const std::wstring& typed) {
        for (wchar_t c : typed) {
            Lock edit(*controller, DocumentController::LOCK_EDIT);
            controller->insertString(std::wstring(1, c));
        }
    };
    const auto shown = [&] {
        std::wstring text;
        controller->getText(&text);
        return std::make_pair(text, controller->isModified());
    };
    typeEach(L"abc ");
    ASSERT_EQ(0u, save(loaded, L"run.txt"));
    typeEach(L"def ");
    EXPECT_EQ(std::make_pair(std::wstring(L"abc def start"), true), shown());
    controller->undo();
    EXPECT_EQ(std::make_pair(std::wstring(L"abc start"), false), shown()) << "one undo reaches the saved text";
    controller->undo();
    EXPECT_EQ(std::make_pair(std::wstring(L"start"), true), shown());
    controller->redo();
    EXPECT_EQ(std::make_pair(std::wstring(L"abc start"), false), shown()) << "redo stops at the saved text";
    controller->redo();
    EXPECT_EQ(std::make_pair(std::wstring(L"abc def start"), true), shown());

    typeEach(L"xyz");
    EXPECT_EQ(std::make_pair(std::wstring(L"abc def xyzstart"), true), shown());
    controller->undo();
    EXPECT_EQ(std::make_pair(std::wstring(L"abc def start"), true), shown()) << "the run goes in one step";
}

TEST_F(ControllerSaveTest, ANewEncodingMarksTheDocumentModifiedUntilItIsSaved) {
    folder.write(L"encoding.txt", "text\n");
    Document* loaded = load(L"encoding.txt");
    DocumentControllerManager owners(*manager);
    DocumentController* controller = owners.createController(*loaded);
    controller->setEncoding(loaded->getFormat().encoding); // the same: nothing changes
    EXPECT_FALSE(controller->isModified());
    controller->setEncoding(encoding_from_config_name(L"UTF-16-LE"));
    EXPECT_TRUE(controller->isModified());
    controller->undo();
    EXPECT_TRUE(controller->isModified());
    EXPECT_FALSE(loaded->getUndoContext().canUndo());
    EXPECT_EQ(0u, save(loaded, L"encoding.txt"));
    EXPECT_FALSE(controller->isModified());
    EXPECT_EQ(std::string("\xFF\xFEt\0", 4), folder.read(L"encoding.txt").substr(0, 4));
    controller->setLineEnding(controller->getFormat().lineEnding == LINE_ENDING_UNIX ? LINE_ENDING_WINDOWS
                                                                                     : LINE_ENDING_UNIX);
    EXPECT_TRUE(controller->isModified());
}

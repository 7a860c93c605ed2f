// A document opened read-only: every way its controller could change the text, the saved
// format or the undo position is refused quietly (no soft assertion), told once per
// transaction that tried, and the text, the undo log and the modified flag stay as they were.

#include "ControllerTestSupport.h"

#include "service/document/DocumentFormat.h"
#include "service/document/undo/UndoContext.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace tessel;
using tessel_test::ControllerTest;

namespace {

using Lock = DocumentController::Lock;

class ControllerReadOnlyTest : public ControllerTest {
protected:
    ControllerReadOnlyTest() {
        controller->editRefused().add(this, [this](DocumentController&) { ++refusals; });
    }
    ~ControllerReadOnlyTest() override { controller->editRefused().remove(this); }

    int refusals = 0;
};

} // namespace

TEST_F(ControllerReadOnlyTest, EveryEditIsRefusedAndToldOncePerTransaction) {
    load(L"  abc\ndef");
    type(L"x"); // an undo step from before the document became read-only
    const std::wstring before = text();
    const uint32_t encoding = document->getFormat().encoding;
    controller->markUnmodified();
    document->setReadOnly(true);
    EXPECT_TRUE(controller->isReadOnly());
    tessel_test::LogCapture log;
    {
        Lock lock(*controller, DocumentController::LOCK_EDIT);
        selection().setOffsets(0, 4, selection_ids::NORMAL);
        EXPECT_FALSE(controller->canEdit(L"test"));
        controller->typeText(L"y", 1);
        controller->deleteChars(1);
        controller->insertAt(3, 0, L"new");
        controller->removeAt(2, 0);
        EXPECT_FALSE(controller->removeSelectedText());
        EXPECT_FALSE(controller->transformSelection([](const std::wstring&, std::wstring& o_text) {
            o_text = L"T";
            return true;
        }));
        controller->indentSelectedLines(1, {{0, 1}});
        std::vector<LineRange> blocks = {{0, 0}};
        controller->moveLines(blocks, 2);
        controller->duplicateLines(blocks);
        controller->setText(L"gone");
        EXPECT_EQ(0, refusals) << "told when the transaction ends";
    }
    EXPECT_EQ(1, refusals);
    EXPECT_FALSE(controller->undo());
    EXPECT_FALSE(controller->redo());
    EXPECT_EQ(3, refusals) << "undo and redo each";
    controller->setEncoding(encoding == 65001 ? 1252 : 65001);
    controller->setLineEnding(LINE_ENDING_UNIX);
    EXPECT_EQ(5, refusals);
    {
        Lock lock(*controller, DocumentController::LOCK_READ);
        selection().setOffsets(1, 2, selection_ids::NORMAL);
    }
    EXPECT_EQ(5, refusals) << "selecting is no edit";

    EXPECT_EQ(before, text());
    EXPECT_EQ(encoding, document->getFormat().encoding);
    EXPECT_FALSE(controller->isModified());
    EXPECT_FALSE(log.contains(L"an open edit transaction")) << "a refusal is no programming error";

    // Writable again, the undo log is as it was.
    document->setReadOnly(false);
    EXPECT_TRUE(controller->undo());
    EXPECT_EQ(L"  abc\ndef", text());
}

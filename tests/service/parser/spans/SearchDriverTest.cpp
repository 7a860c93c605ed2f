// A whole session through a controller with a view: a file opened, typed into at three carets,
// the typing undone, a regular-expression replace all inside a selection, the file saved. The
// bytes saved and the ranges the view was told to repaint (the selectionChanged notices) are the
// golden files'.

#include "SpanTestSupport.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "service/document/controller/SearchAction.h"
#include "service/document/controller/SearchActionRecord.h"
#include "support/TempFolder.h"

using namespace tessel;

namespace {

const char* const savedGolden =
#include "golden/driver-saved.txt"
    ;
const wchar_t* const selectionsGolden =
#include "golden/driver-selections.txt"
    ;

class SearchDriverTest : public tessel_test::SpanTest {
protected:
    SearchDriverTest() { pel::FileIO::attachDevice(L"__winfs", &native, 0); }
    ~SearchDriverTest() override { pel::FileIO::detachDevice(L"__winfs"); }

    tessel_test::TempFolder folder;
    pel::FileDeviceWin32 native{nullptr, true};
};

} // namespace

TEST_F(SearchDriverTest, OpenTypeUndoReplaceAllAndSave) {
    folder.write(L"notes.txt", "alpha beta\r\nbeta alpha\r\nalphabet\r\n");
    const std::wstring path = folder / L"notes.txt";
    DocumentManager::FileError error;
    Document* opened = documents->loadDocument(path.c_str(), &error);
    ASSERT_TRUE(opened && !error);
    DocumentController* session = controllers->createController(*opened);
    tessel_test::FakeEditor view;
    session->setEditor(&view);
    std::wstring selections;
    session->selectionChanged().add(this, [&](DocumentController&, const PositionRange& r) {
        selections += std::to_wstring(r.start.line) + L":" + std::to_wstring(r.start.lineOffset) + L"-" +
                      std::to_wstring(r.end.line) + L":" + std::to_wstring(r.end.lineOffset) + L"\n";
    });
    {
        DocumentController::Lock lock(*session, DocumentController::LOCK_EDIT);
        session->getSelection().applyRanges({{0, 0, 0}, {11, 11, 0}, {22, 22, 0}});
        session->insertString(L"- ");
    }
    EXPECT_EQ(L"- alpha beta\n- beta alpha\n- alphabet\n", opened->getText(0, opened->getLength()));
    EXPECT_TRUE(session->undo());
    {
        DocumentController::Lock lock(*session, DocumentController::LOCK_EDIT);
        session->getSelection().setOffsets(6, 22, selection_ids::NORMAL);
    }
    SearchActionRecord record;
    record.parameters.findText = L"\\b(alpha|beta)\\b";
    record.parameters.replaceText = L"\\U$1";
    record.parameters.regex = true;
    record.parameters.scope = SearchActionRecord::SCOPE_SELECTION;
    record.canReplace = true;
    EXPECT_TRUE(ssOnAction(*session, record, search_actions::REPLACE_ALL, false));
    ASSERT_TRUE(documents->saveDocument(path.c_str(), opened, &error) && !error);
    // Carriage returns shown as "\r", so that the golden file is plain text.
    std::string saved;
    for (char byte : folder.read(L"notes.txt"))
        saved += byte == '\r' ? std::string("\\r") : std::string(1, byte);
    EXPECT_EQ(savedGolden + 1, saved);
    EXPECT_EQ(selectionsGolden + 1, selections);
    session->selectionChanged().remove(this);
    session->setEditor(nullptr);
}

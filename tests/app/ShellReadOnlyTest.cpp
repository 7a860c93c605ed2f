// A file opened with the open dialog's "Open as read-only" box checked: typing, replacing and
// undoing change nothing and the status bar says why; Save goes through Save As, whose copy is
// the user's own, editable file; the file opened stays as it was.

#include "ShellFixture.h"

#include "app/StatusBar.h"

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

} // namespace

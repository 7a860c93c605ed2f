// What is on disk is one record per open file, and every question, save and close reads it: a
// reload that fails leaves the change to ask about, a deletion while "Save changes" is open is
// told before the tab lets its text go (a tab's close and the exit alike), an edit and its undo
// leave a deleted file's tab asking, a write right after the program's own save is news, a file
// deleted while its change is asked about is told once as a deletion, and the bundle editor asks
// about another program's change to an entry's file before writing over it.

#include "BundleEditorShell.h"
#include "ShellFixture.h"

#include "bundles/ui/BundleEditor.h"
#include "bundles/ui/BundleEntryEditor.h"

#include "afw/tree/afControlTree.h"
#include "service/bundles/BundleEntry.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "support/MessagePump.h"

using namespace tessel;

namespace {

class ShellFileOnDiskTest : public tessel_test::ShellFixture {
protected:
    // The question about another program's change; before a save (`saving`), offering to save
    // over it.
    std::wstring changed(const wchar_t* name, bool edited, bool unreadable = false, bool saving = false) const {
        return L"`" + file(name) + L"` was changed by another program" +
               (unreadable ? L", and could not be read" : L"") +
               (saving ? L". Reload it, or save this text over it?" : L". Reload it?") +
               (edited ? (saving ? L" A reload would lose its unsaved changes here." : L" Its unsaved changes here would be lost.")
                       : L"");
    }
    std::wstring deleted(const wchar_t* name) const { return L"`" + file(name) + L"` was deleted by another program."; }
    static std::wstring saveChanges(const wchar_t* name) {
        return L"Save changes to `" + std::wstring(name) + L"` before closing?";
    }
    std::string onDisk(const wchar_t* name) const {
        std::string bytes;
        return base.tryRead(L"files\\" + std::wstring(name), &bytes) ? bytes : "(none)";
    }
    // Deletes the file and waits until the tab's record has it gone.
    void deleteAndWait(const wchar_t* name, MainWindow::Page& page) {
        ASSERT_TRUE(::DeleteFileW(file(name).c_str()));
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return page.controller->isDeletedOnDisk(); }))
            << "the deletion was never heard";
    }
};

// Reload answered while a third program holds the file with no sharing: the read fails and says
// so, and the change stays news; the next save asks about it again, the other program's text
// still on disk, and Keep writes the tab's.
TEST_F(ShellFileOnDiskTest, AReloadThatFailsLeavesTheChangeToAskAboutBeforeTheNextSave) {
    ASSERT_TRUE(startWithFile(L"a.txt", "original"));
    MainWindow::Page* page = window->getActivePage();
    type(L"MY-EDIT ");
    HANDLE held = INVALID_HANDLE_VALUE;
    answerWith([&](const std::wstring& text) -> uint32_t {
        if (text == changed(L"a.txt", true) && held == INVALID_HANDLE_VALUE) {
            held = ::CreateFileW(file(L"a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            EXPECT_NE(INVALID_HANDLE_VALUE, held) << "the file could not be held";
            return MainWindow::RESULT_RELOAD;
        }
        if (text.find(L"Cannot open") == 0)
            return afWindow::RESULT_OK;
        return MainWindow::RESULT_KEEP;
    });
    base.writeOutside(L"files\\a.txt", "OTHER PROGRAM TEXT");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() >= 2; })) << "never asked";
    EXPECT_EQ(0u, questions[1].find(L"Cannot open `" + file(L"a.txt") + L"`")) << narrow(questions[1]);
    ::CloseHandle(held);
    EXPECT_EQ(L"MY-EDIT original", activeText());
    EXPECT_TRUE(window->save(*page));
    ASSERT_EQ(3u, questions.size()) << "the save wrote without asking";
    EXPECT_EQ(changed(L"a.txt", true, true, true), questions[2]);
    EXPECT_EQ("MY-EDIT original", onDisk(L"a.txt"));
}

// Another program deletes the file while its tab's "Save changes" is open: Don't Save tells the
// deletion and asks again before the text goes (Ctrl+W); at the exit, a tab already answered
// Don't Save whose file goes under the next tab's question is asked again too.
TEST_F(ShellFileOnDiskTest, ADeletionUnderSaveChangesIsToldBeforeDontSaveLetsTheTextGo) {
    ASSERT_TRUE(startWithFile(L"d.txt", "d"));
    MainWindow::Page* d = window->getActivePage();
    type(L"edited ");
    bool deletedOnce = false;
    answerWith([&](const std::wstring& text) -> uint32_t {
        if (text == saveChanges(L"d.txt") && !deletedOnce) {
            deletedOnce = true;
            const afMainLoop::Nested question;
            deleteAndWait(L"d.txt", *d);
        }
        if (text == deleted(L"d.txt"))
            return afWindow::RESULT_OK;
        return text == saveChanges(L"d.txt") && questions.size() > 2 ? MainWindow::RESULT_SAVE
                                                                      : MainWindow::RESULT_DONT_SAVE;
    });
    run(L"file.close");
    EXPECT_EQ((std::vector<std::wstring>{saveChanges(L"d.txt"), deleted(L"d.txt"), saveChanges(L"d.txt")}),
              questions);
    EXPECT_EQ("edited d", onDisk(L"d.txt")) << "the only copy was let go";
    stop();

    questions.clear();
    base.write(L"files\\b.txt", "b");
    ASSERT_TRUE(startWithFile(L"a.txt", "a"));
    MainWindow::Page* a = window->getActivePage();
    type(L"A ");
    ASSERT_TRUE(window->openFile(file(L"b.txt")));
    type(L"B ");
    answerWith([&](const std::wstring& text) -> uint32_t {
        if (text == saveChanges(L"b.txt")) {
            const afMainLoop::Nested question;
            deleteAndWait(L"a.txt", *a);
        }
        return text == deleted(L"a.txt") ? afWindow::RESULT_OK : MainWindow::RESULT_DONT_SAVE;
    });
    EXPECT_TRUE(window->canClose());
    EXPECT_EQ((std::vector<std::wstring>{saveChanges(L"a.txt"), saveChanges(L"b.txt"), deleted(L"a.txt"),
                                         saveChanges(L"a.txt")}),
              questions);
}

// A deleted file's tab asks before it closes, whatever edits and undos came after the deletion
// was told.
TEST_F(ShellFileOnDiskTest, AnEditAndItsUndoLeaveADeletedFilesTabAsking) {
    ASSERT_TRUE(startWithFile(L"u.txt", "u"));
    MainWindow::Page* page = window->getActivePage();
    // Once a change was heard and reloaded, the watch surely runs.
    answers.push_back(MainWindow::RESULT_RELOAD);
    base.writeOutside(L"files\\u.txt", "v");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() == 1 && activeText() == L"v"; }));
    answers.push_back(afWindow::RESULT_OK);
    deleteAndWait(L"u.txt", *page);
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() == 2; })) << "the deletion was never told";
    EXPECT_EQ(deleted(L"u.txt"), questions[1]);
    type(L"x");
    ASSERT_TRUE(page->controller->undo());
    EXPECT_FALSE(page->controller->isModified());
    EXPECT_EQ(L"u.txt * - Tessel", window->getTitleText());
    answers.push_back(MainWindow::RESULT_SAVE);
    run(L"file.close");
    ASSERT_EQ(3u, questions.size()) << "closed without a question";
    EXPECT_EQ(saveChanges(L"u.txt"), questions[2]);
    EXPECT_EQ("v", onDisk(L"u.txt"));
}

// Another program writes the file right after each save's own write, again and again: every one
// of those writes is news, asked about, never taken for the save's echo.
TEST_F(ShellFileOnDiskTest, AWriteRightAfterTheProgramsOwnSaveIsNewsEveryTime) {
    std::string text;
    for (int line = 0; line < 2000; ++line)
        text += "line " + std::to_string(line) + "\r\n";
    ASSERT_TRUE(startWithFile(L"r.txt", text));
    MainWindow::Page* page = window->getActivePage();
    answerWith([](const std::wstring&) -> uint32_t { return MainWindow::RESULT_KEEP; });
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        type(L"MINE ");
        const size_t asked = questions.size();
        ASSERT_TRUE(window->save(*page));
        ASSERT_EQ(asked, questions.size());
        // At once, as a build tool that touches what was just saved.
        HANDLE other = ::CreateFileW(file(L"r.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, other);
        DWORD written = 0;
        ::WriteFile(other, "appended\r\n", 10, &written, nullptr);
        ::CloseHandle(other);
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() > asked; }))
            << "the write after the save was never told";
        EXPECT_EQ(changed(L"r.txt", false), questions.back());
    }
}

// The file deleted while its change is asked about: Keep, and the deletion is told once, never
// the change question again about a file that is gone.
TEST_F(ShellFileOnDiskTest, AFileDeletedWhileItsChangeIsAskedAboutIsToldOnceAsADeletion) {
    ASSERT_TRUE(startWithFile(L"k.txt", "k"));
    MainWindow::Page* page = window->getActivePage();
    answerWith([&](const std::wstring& text) -> uint32_t {
        if (text == changed(L"k.txt", false)) {
            const afMainLoop::Nested question;
            deleteAndWait(L"k.txt", *page);
            return MainWindow::RESULT_KEEP;
        }
        return afWindow::RESULT_OK;
    });
    base.writeOutside(L"files\\k.txt", "changed");
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() >= 2; })) << "never asked";
    tessel_test::dispatchPending();
    EXPECT_EQ((std::vector<std::wstring>{changed(L"k.txt", false), deleted(L"k.txt")}), questions);
}

using ShellEntryFileTest = tessel_test::BundleEditorShell;

const wchar_t* const C_CHANGES =
    L"user\\bundles\\.changes\\C.ca7c7879-290a-4d12-bb27-750ec80d09b2.tsBundle\\grammars\\"
    L"C.b5f92fac-c83d-4f9d-8dd4-2c2120833577.tsGrammar";

// Another program rewrites an entry's file in the user's changes layer: the next save asks in
// the tabs' words (naming the file by its path on the system) before it writes, Keep writes the
// editor's text, Reload takes the file's.
TEST_F(ShellEntryFileTest, AnEntrysFileChangedByAnotherProgramIsAskedAboutBeforeTheSave) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int frobnicate;\r\n"));
    BundleEntryEditor* grammar = openEntry(L"C\\Grammars\\C");
    ASSERT_TRUE(grammar);
    typeAfter(*grammar, L"|return|goto", L"|frobnicate");
    run(L"bundles.item.save");
    ASSERT_FALSE(grammar->isModified());
    // Named as the user knows the file: by its path on the system.
    const std::wstring question =
        L"`" + base / C_CHANGES + L"` was changed by another program. Reload it? Its unsaved changes here would be lost.";
    for (uint32_t answer : {BundleEditor::RESULT_KEEP, BundleEditor::RESULT_RELOAD}) {
        const bool keep = answer == BundleEditor::RESULT_KEEP;
        SCOPED_TRACE(keep ? "Keep" : "Reload");
        std::wstring outside = readWide(C_CHANGES);
        const size_t at = outside.find(L"frobnicate");
        ASSERT_NE(std::wstring::npos, at);
        outside.replace(at, 10, keep ? L"outsiderwo" : L"outsidertw");
        std::string bytes("\xFF\xFE");
        for (wchar_t c : outside)
            bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        base.writeOutside(C_CHANGES, bytes);
        typeAfter(*grammar, L"|return|goto", keep ? L"|mine" : L"|lost");
        questions.clear();
        answers.push_back(answer);
        run(L"bundles.item.save");
        ASSERT_EQ(std::vector<std::wstring>{question}, questions) << "written without a question";
        std::wstring text;
        textOf(*grammar).getText(&text);
        EXPECT_FALSE(grammar->isModified());
        if (keep) {
            EXPECT_NE(std::wstring::npos, readWide(C_CHANGES).find(L"|mine"));
        } else {
            EXPECT_NE(std::wstring::npos, text.find(L"outsidertw")) << "not read from the file";
            EXPECT_EQ(std::wstring::npos, text.find(L"|lost"));
            EXPECT_NE(std::wstring::npos, readWide(C_CHANGES).find(L"outsidertw"));
        }
    }
}

// A new snippet renamed in its text before its first save is written under its new name; the
// file it was saved to is the one looked at next: the next save asks nothing, and writes it.
TEST_F(ShellEntryFileTest, ANewEntryRenamedBeforeItsFirstSaveKeepsTheFileItWasSavedTo) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles("int x;\r\n"));
    afControlTreeItem* cBundle = editor->findNode(L"C");
    ASSERT_TRUE(cBundle);
    for (const BundleEditor::MenuLine& line : editor->getContextMenu(cBundle))
        if (line.title == L"New Snippet")
            editor->runCommand(cBundle, line);
    BundleEntryEditor* snippet = editor->getActiveEditor();
    ASSERT_TRUE(snippet && snippet->getEntry().getTitle() == L"New Snippet");
    replaceIn(*snippet, L"New Snippet", L"Renamed Snippet");
    typeAfter(*snippet, L"content: \"", L"frob($1)");
    typeAfter(*snippet, L"scope: \"", L"source.c");
    ASSERT_TRUE(editor->save(*snippet));
    ASSERT_EQ(L"Renamed Snippet", snippet->getEntry().getTitle());
    EXPECT_TRUE(::GetFileAttributesW(snippet->getFilePath().c_str()) != INVALID_FILE_ATTRIBUTES)
        << narrow(snippet->getFilePath()) << " is not the file saved";
    typeAfter(*snippet, L"content: \"frob", L"nicate");
    EXPECT_TRUE(editor->save(*snippet));
    EXPECT_TRUE(questions.empty()) << narrow(questions.front());
}

} // namespace

#include "pel/files/file_io/WatchNotification.h"
#include "support/LogCapture.h"
#include "ManagerTestSupport.h"

#include <windows.h>

using namespace tessel;
using tessel_test::pumpUntil;
using tessel_test::textOf;

namespace {

class DocumentManagerFilesTest : public tessel_test::ManagerTest {
protected:
    // Pumps until the last file change the document heard of is of the kind.
    void awaitKind(const Document* document, uint32_t kind) {
        std::vector<uint32_t>& seen = changes.seen[document];
        EXPECT_TRUE(pumpUntil([&] { return !seen.empty() && seen.back() == kind; }))
            << "no file change of kind " << kind;
    }
};

std::string utf16(const std::wstring& text) {
    return std::string("\xFF\xFE", 2) + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

} // namespace

// Each file is loaded, reloaded and saved (under its name or another): the bytes come back.
TEST_F(DocumentManagerFilesTest, ReloadsAndSavesKeepTheFilesEncodingAndLineEnding) {
    const struct {
        const char* what;
        std::string bytes;
        const wchar_t* target;
        bool ansi;
    } cases[] = {
        {"UTF-16 LE", utf16(L"\u00e9t\u00e9\r\n\u2192 x\r\n"), L"in.txt", false},
        {"ANSI CR LF", "caf\xE9\r\nna\xEFve\r\n", L"other.txt", true},
        {"UTF-8 mark, CR", "\xEF\xBB\xBF" "a\rb", L"in.txt", false},
    };
    std::vector<bool> pathChanges;
    manager->savedCallbacks().add(this, [&](Document&, bool changed) { pathChanges.push_back(changed); });
    for (const auto& c : cases) {
        if (c.ansi && ::GetACP() != 1252) {
            std::printf("skipped '%s': the ANSI code page is %u, not 1252\n", c.what, ::GetACP());
            continue;
        }
        folder.write(L"in.txt", c.bytes);
        Document* document = load(L"in.txt");
        DocumentManager::FileError error;
        EXPECT_TRUE(manager->reloadDocument(document, &error)) << c.what;
        EXPECT_EQ(L"", save(document, c.target)) << c.what;
        EXPECT_EQ(c.bytes, folder.read(c.target)) << c.what;
        EXPECT_EQ(std::wstring(c.target) != L"in.txt", pathChanges.back()) << c.what;
        manager->releaseDocument(document);
    }
}

TEST_F(DocumentManagerFilesTest, OutsideChangesReachTheDocumentButItsOwnSavesDoNot) {
    folder.write(L"a.txt", "one\n");
    folder.write(L"b.txt", "marker\n");
    Document* a = load(L"a.txt");
    Document* b = load(L"b.txt");
    tessel_test::typeAt(*a, 0, L"zero ");
    EXPECT_EQ(L"", save(a, L"a.txt"));
    // Records of one folder come in order: once b heard of its change, a's save was handled.
    writeOutside(L"b.txt", "marker 2\n");
    awaitKind(b, FILE_CHANGE_MODIFIED);
    EXPECT_TRUE(changes.seen[a].empty()) << "the document heard of its own save";

    writeOutside(L"a.txt", "two\n");
    awaitKind(a, FILE_CHANGE_MODIFIED);
    ::DeleteFileW(path(L"a.txt").c_str());
    awaitKind(a, FILE_CHANGE_DELETED);
    writeOutside(L"a.txt", "three\n");
    awaitKind(a, FILE_CHANGE_MODIFIED);
    DocumentManager::FileError error;
    ASSERT_TRUE(manager->reloadDocument(a, &error));
    EXPECT_EQ(L"three\n", textOf(*a));
    EXPECT_FALSE(a->getFormat().modified);
}

TEST_F(DocumentManagerFilesTest, ASaveUnderANewPathWatchesItOnceItSucceeded) {
    folder.write(L"a.txt", "one\n");
    Document* a = load(L"a.txt");
    pel::WatchedObject* entry = a->getWatchEntry();
    std::vector<bool> pathChanges;
    manager->savedCallbacks().add(this, [&](Document&, bool changed) { pathChanges.push_back(changed); });
    EXPECT_NE(L"", save(a, L"missing\\a.txt"));
    EXPECT_EQ(entry, a->getWatchEntry());
    EXPECT_TRUE(manager->findDocument(path(L"a.txt").c_str()) == a);
    writeOutside(L"a.txt", "two\n");
    awaitKind(a, FILE_CHANGE_MODIFIED);

    Document* fresh = manager->createDocument(L"");
    tessel_test::typeAt(*fresh, 0, L"new\n");
    EXPECT_EQ(L"", save(fresh, L"new.txt"));
    EXPECT_EQ(std::vector<bool>{true}, pathChanges);
    EXPECT_FALSE(fresh->getFormat().isNew || fresh->getFormat().modified);
    EXPECT_EQ(fresh, manager->findDocument(path(L"new.txt").c_str()));
    writeOutside(L"new.txt", "changed\n");
    awaitKind(fresh, FILE_CHANGE_MODIFIED);
}

// The watcher's kinds become the controller's only as far as the file on disk bears them out.
TEST_F(DocumentManagerFilesTest, WatcherRecordsAreCheckedAgainstTheFile) {
    folder.write(L"a.txt", "x");
    Document* a = load(L"a.txt");
    const pel::WatchedObject& entry = *a->getWatchEntry();
    const auto kindOf = [&](uint32_t kind, const wchar_t* name, const wchar_t* second) {
        pel::WatchNotification* record = pel::WatchNotification::create(kind, name, 0);
        if (second)
            record->setSecondName(second);
        const uint32_t mapped = DocumentWatch::kindOf(entry, *record);
        record->release();
        return mapped;
    };
    const struct {
        uint32_t kind;
        const wchar_t* name;
        const wchar_t* second;
        uint32_t asLoaded, written, deleted; // the file as loaded, written outside, deleted
    } cases[] = {
        {pel::WATCH_MODIFIED, L"a.txt", nullptr, 0, 1, 0},
        {pel::WATCH_ADDED, L"a.txt", nullptr, 0, 1, 0},
        {pel::WATCH_REMOVED, L"a.txt", nullptr, 0, 1, 3},
        {pel::WATCH_RENAMED, L"a.txt", L"b.txt", 0, 1, 3},
        {pel::WATCH_RENAMED, L"b.txt", L"a.txt", 0, 1, 0},
        {pel::WATCH_REOPENED, L"a.txt", nullptr, 0, 0, 3},
        {pel::WATCH_FAILED, L"", nullptr, 0, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.asLoaded, kindOf(c.kind, c.name, c.second)) << "as loaded, kind " << c.kind;
    writeOutside(L"a.txt", "y");
    for (const auto& c : cases)
        EXPECT_EQ(c.written, kindOf(c.kind, c.name, c.second)) << "written, kind " << c.kind;
    ::DeleteFileW(path(L"a.txt").c_str());
    tessel_test::LogCapture log;
    for (const auto& c : cases)
        EXPECT_EQ(c.deleted, kindOf(c.kind, c.name, c.second)) << "deleted, kind " << c.kind;
    EXPECT_TRUE(log.contains(L"DocumentManager: Watching '" + path(L"a.txt") + L"' failed"));
}

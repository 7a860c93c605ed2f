#include "pel/files/file_io/WatchNotification.h"
#include "support/LogCapture.h"
#include "ManagerTestSupport.h"

using namespace tessel;

namespace {

class DocumentManagerFilesTest : public tessel_test::ManagerTest {
protected:
    // Pumps until the last file change the document heard of is of the kind.
    void awaitKind(const Document* document, uint32_t kind) {
        const std::vector<uint32_t>& seen = changes.seen[document];
        EXPECT_TRUE(tessel_test::pumpUntil([&] { return !seen.empty() && seen.back() == kind; })) << kind;
    }
};

} // namespace

TEST_F(DocumentManagerFilesTest, OutsideChangesReachTheDocumentButItsOwnSavesDoNot) {
    folder.write(L"a.txt", "one\n");
    folder.write(L"b.txt", "marker\n");
    Document* a = load(L"a.txt");
    Document* b = load(L"b.txt");
    tessel_test::typeAt(*a, 0, L"zero ");
    EXPECT_EQ(0u, save(a, L"a.txt"));
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
    EXPECT_EQ(L"three\n", tessel_test::textOf(*a));
}

TEST_F(DocumentManagerFilesTest, ASaveUnderANewPathWatchesItOnceItSucceeded) {
    folder.write(L"a.txt", "one\n");
    Document* a = load(L"a.txt");
    pel::WatchedObject* entry = a->getWatchEntry();
    std::vector<bool> pathChanges;
    manager->savedCallbacks().add(this, [&](Document&, bool changed) { pathChanges.push_back(changed); });
    EXPECT_NE(0u, save(a, L"missing\\a.txt"));
    EXPECT_TRUE(entry == a->getWatchEntry() && manager->findDocument(path(L"a.txt").c_str()) == a);
    writeOutside(L"a.txt", "two\n");
    awaitKind(a, FILE_CHANGE_MODIFIED);

    Document* fresh = manager->createDocument(L"");
    tessel_test::typeAt(*fresh, 0, L"new\n");
    EXPECT_EQ(0u, save(fresh, L"new.txt"));
    EXPECT_EQ(std::vector<bool>{true}, pathChanges);
    EXPECT_FALSE(fresh->getFormat().isNew || fresh->getFormat().modified);
    EXPECT_EQ(fresh, manager->findDocument(path(L"new.txt").c_str()));
    writeOutside(L"new.txt", "changed\n");
    awaitKind(fresh, FILE_CHANGE_MODIFIED);
}

// The watcher's kinds become the controller's only as far as the file on disk bears them out.
TEST_F(DocumentManagerFilesTest, WatcherRecordsAreCheckedAgainstTheFile) {
    folder.write(L"a.txt", "x");
    const pel::WatchedObject& entry = *load(L"a.txt")->getWatchEntry();
    const struct {
        uint32_t kind;
        const wchar_t *name, *second;
        uint32_t asLoaded, written, deleted; // the file as loaded, written outside, deleted
    } cases[] = {
        {pel::WATCH_MODIFIED, L"a.txt", nullptr, 0, 1, 0}, {pel::WATCH_ADDED, L"a.txt", nullptr, 0, 1, 0},
        {pel::WATCH_REMOVED, L"a.txt", nullptr, 0, 1, 3},  {pel::WATCH_RENAMED, L"a.txt", L"b.txt", 0, 1, 3},
        {pel::WATCH_RENAMED, L"b.txt", L"a.txt", 0, 1, 0}, {pel::WATCH_REOPENED, L"a.txt", nullptr, 0, 0, 3},
        {pel::WATCH_FAILED, L"", nullptr, 0, 0, 0},
    };
    tessel_test::LogCapture log;
    for (int state = 0; state < 3; ++state) {
        if (state == 1)
            writeOutside(L"a.txt", "y");
        if (state == 2)
            ::DeleteFileW(path(L"a.txt").c_str());
        for (const auto& c : cases) {
            pel::WatchNotification* record = pel::WatchNotification::create(c.kind, c.name, 0);
            if (c.second)
                record->setSecondName(c.second);
            const uint32_t expected[] = {c.asLoaded, c.written, c.deleted};
            EXPECT_EQ(expected[state], DocumentWatch::kindOf(entry, *record)) << "state " << state << " kind " << c.kind;
            record->release();
        }
    }
    EXPECT_TRUE(log.contains(L"DocumentManager: Watching '" + path(L"a.txt") + L"' failed"));
}

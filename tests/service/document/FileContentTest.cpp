// A document's file is known by what it holds and which file it is: a touch or a rewrite with the
// same bytes is no news, other bytes of the same size and time are (read on the loader, the
// window never waiting for it); the file found through any of its names is the document's; a
// change of the file a link leads to is told at once; and the record's own rules, step by step.

#include "service/document/FileContentCheck.h"
#include "service/document/FileRecord.h"

#include "support/SymbolicLink.h"
#include "ManagerTestSupport.h"

#include <gtest/gtest.h>

using namespace tessel;

namespace {

class FileContentTest : public tessel_test::ManagerTest {
protected:
    // The file rewritten in place as another program does it, its write time put back.
    void rewriteKeepingTime(const std::wstring& name, const std::string& bytes) {
        WIN32_FILE_ATTRIBUTE_DATA before{};
        ASSERT_TRUE(::GetFileAttributesExW(path(name).c_str(), GetFileExInfoStandard, &before));
        const HANDLE file = ::CreateFileW(path(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, TRUNCATE_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::SetFileTime(file, nullptr, nullptr, &before.ftLastWriteTime);
        ::CloseHandle(file);
    }
    // Once the marker's change was told, the records of the folder before it were handled, and
    // the reads they asked for are over.
    void settle(Document* marker, const std::string& text) {
        folder.writeOutside(L"m.txt", text);
        awaitKind(marker, FILE_CHANGE_MODIFIED);
        EXPECT_TRUE(tessel_test::pumpUntil([&] { return manager->getContentCheck().reads() == 0; }));
    }
};

FileVersion version(uint64_t time, uint64_t size, unsigned char digest) {
    FileVersion made;
    made.stamp.there = true;
    made.stamp.writeTime = time;
    made.stamp.size = size;
    made.digest.known = true;
    made.digest.sha1.fill(digest);
    return made;
}

} // namespace

// A touch, and a rewrite with the same bytes, are no news: the record takes their stamp. Other
// bytes of the same size, the write time put back, are news, and so is a file deleted and made
// again with other bytes: each read from the loader.
TEST_F(FileContentTest, AFileIsNewsOnlyWhenItsBytesChanged) {
    folder.write(L"a.txt", "one two\r\n");
    folder.write(L"m.txt", "marker\r\n");
    Document* a = load(L"a.txt");
    Document* marker = load(L"m.txt");
    const uint32_t news = a->getFileRecord().news();
    folder.writeOutside(L"a.txt", "one two\r\n");
    settle(marker, "marker 1\r\n");
    ::SetFileAttributesW(path(L"a.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    manager->lookAtFile(*a);
    settle(marker, "marker 2\r\n");
    EXPECT_EQ(news, a->getFileRecord().news()) << "the same bytes were news";
    EXPECT_EQ(FileStamp::of(path(L"a.txt")), a->getFileRecord().known().stamp) << "the new stamp was not taken";
    EXPECT_TRUE(changes.seen[a].empty() || changes.seen[a].back() == FILE_CHANGE_IN_SYNC);

    ASSERT_NO_FATAL_FAILURE(rewriteKeepingTime(L"a.txt", "one TWO\r\n"));
    awaitKind(a, FILE_CHANGE_MODIFIED);
    DocumentManager::FileError error;
    ASSERT_TRUE(manager->reloadDocument(a, &error));
    EXPECT_EQ(FileRecord::SAME, a->getFileRecord().state());

    ::DeleteFileW(path(L"a.txt").c_str());
    folder.write(L"a.txt", "ONE TWO\r\n");
    ASSERT_NO_FATAL_FAILURE(rewriteKeepingTime(L"a.txt", "ONE TWO\r\n"));
    awaitKind(a, FILE_CHANGE_MODIFIED);
}

// Looks that find the file's bytes as known answer nothing; a look while the bytes are read waits
// for that read (no second one), and a read whose file moved on meanwhile is looked at again.
TEST_F(FileContentTest, ALookWhoseStampChangedReadsTheFileOnceAndOnlyOffTheMainThread) {
    folder.write(L"a.txt", std::string(1 << 20, 'x'));
    Document* a = load(L"a.txt");
    folder.writeOutside(L"a.txt", std::string(1 << 20, 'x'));
    manager->lookAtFile(*a);
    manager->lookAtFile(*a);
    EXPECT_EQ(1u, manager->getContentCheck().reads()) << "a look read the file, or read it twice";
    EXPECT_EQ(FileRecord::SAME, a->getFileRecord().state()) << "judged before the bytes were read";
    // Changed again before the read is taken up: the look that follows tells it.
    std::string other(1 << 20, 'x');
    other[12345] = 'y';
    // The loader may still hold the file open for the read (shared for reading only, which the
    // folder's write does not allow): that write waits until it is done, as another program's
    // write that opens the file alone must.
    ASSERT_TRUE(tessel_test::pollFor(
        [&] {
            const HANDLE alone = ::CreateFileW(path(L"a.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            if (alone == INVALID_HANDLE_VALUE)
                return false;
            ::CloseHandle(alone);
            return true;
        },
        30000));
    folder.writeOutside(L"a.txt", other);
    awaitKind(a, FILE_CHANGE_MODIFIED);
    EXPECT_TRUE(tessel_test::pumpUntil([&] { return manager->getContentCheck().reads() == 0; }));
}

// One file reached by its other names: another spelling of its name, its short name, a second
// name of it (a hard link) and a symbolic link all find its document; a name of another file
// finds none.
TEST_F(FileContentTest, TheFileThroughAnyOfItsNamesFindsItsDocument) {
    folder.write(L"a long file name.txt", "text\r\n");
    folder.write(L"other.txt", "other\r\n");
    Document* a = load(L"a long file name.txt");
    EXPECT_EQ(a, manager->findDocument(path(L"A LONG FILE NAME.TXT").c_str()));
    wchar_t shortName[MAX_PATH] = {};
    if (::GetShortPathNameW(path(L"a long file name.txt").c_str(), shortName, MAX_PATH) &&
        std::wstring(shortName) != path(L"a long file name.txt")) {
        EXPECT_EQ(a, manager->findDocument(shortName)) << std::string(shortName, shortName + wcslen(shortName));
    }
    EXPECT_EQ(nullptr, manager->findDocument(path(L"other.txt").c_str()));
    if (tessel_test::makeHardLink(path(L"second.txt"), path(L"a long file name.txt"))) {
        EXPECT_EQ(a, manager->findDocument(path(L"second.txt").c_str()));
    }
    const tessel_test::LinkRemoval removal{path(L"link.txt")};
    if (tessel_test::makeSymbolicLink(path(L"link.txt"), path(L"a long file name.txt"))) {
        EXPECT_EQ(a, manager->findDocument(path(L"link.txt").c_str()));
    }
    // Gone, the file is found by its name only.
    ::DeleteFileW(path(L"second.txt").c_str());
    ::DeleteFileW(path(L"a long file name.txt").c_str());
    EXPECT_EQ(a, manager->findDocument(path(L"a long file name.txt").c_str()));
}

// A document opened through a link to a file in another folder: another program's write of that
// file is told at once, without a look; and once the link is pointed at another file, that one's
// changes are.
TEST_F(FileContentTest, TheWatchFollowsALinkToItsFile) {
    ASSERT_TRUE(::CreateDirectoryW(path(L"elsewhere").c_str(), nullptr));
    folder.write(L"elsewhere\\t.txt", "target\r\n");
    folder.write(L"elsewhere\\u.txt", "another\r\n");
    const tessel_test::LinkRemoval removal{path(L"link.txt")};
    if (!tessel_test::makeSymbolicLink(path(L"link.txt"), path(L"elsewhere\\t.txt")))
        GTEST_SKIP() << "no symbolic link can be made here";
    Document* a = load(L"link.txt");
    folder.writeOutside(L"elsewhere\\t.txt", "target changed\r\n");
    awaitKind(a, FILE_CHANGE_MODIFIED);
    DocumentManager::FileError error;
    ASSERT_TRUE(manager->reloadDocument(a, &error));
    ASSERT_TRUE(tessel_test::pointSymbolicLink(path(L"link.txt"), path(L"elsewhere\\u.txt")));
    awaitKind(a, FILE_CHANGE_MODIFIED);
    ASSERT_TRUE(manager->reloadDocument(a, &error));
    EXPECT_EQ(L"another\n", tessel_test::textOf(*a));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return pel::WatchPool::pendingStarts() == 0; }));
    folder.writeOutside(L"elsewhere\\u.txt", "another changed\r\n");
    awaitKind(a, FILE_CHANGE_MODIFIED);
}

// The record's rules on reads of the file: the bytes known are in sync (and bring a changed file
// back in sync), the bytes the last news found are no news, other bytes are; a file back after
// it was gone is read; a stamp that tells a change alone (another size) needs no read.
TEST(FileRecordTest, ReadsOfTheFileDecideByItsBytes) {
    FileRecord record;
    const FileVersion read = version(100, 10, 1);
    record.took(read);
    const FileVersion touched = version(200, 10, 1);
    EXPECT_TRUE(record.needsBytes(touched.stamp));
    EXPECT_FALSE(record.needsBytes(version(200, 11, 1).stamp));
    EXPECT_FALSE(record.needsBytes(read.stamp));
    const uint32_t news = record.news();
    EXPECT_FALSE(record.takeRead(touched));
    EXPECT_EQ(news, record.news());
    EXPECT_EQ(touched.stamp, record.known().stamp);

    const FileVersion changed = version(300, 10, 2);
    EXPECT_TRUE(record.takeRead(changed));
    EXPECT_EQ(FileRecord::CHANGED, record.state());
    record.answer(record.news());
    EXPECT_FALSE(record.takeRead(version(400, 10, 2))) << "the bytes the last news found were news again";
    EXPECT_FALSE(record.asks());
    EXPECT_TRUE(record.needsBytes(version(500, 10, 3).stamp));
    EXPECT_TRUE(record.takeRead(version(500, 10, 3)));
    EXPECT_TRUE(record.asks());
    EXPECT_TRUE(record.takeRead(version(600, 10, 1))) << "back to the bytes known is news";
    EXPECT_EQ(FileRecord::SAME, record.state());
    EXPECT_FALSE(record.kept());

    EXPECT_TRUE(record.take(FILE_CHANGE_DELETED, FileStamp()));
    EXPECT_TRUE(record.needsBytes(version(700, 10, 9).stamp));
    EXPECT_TRUE(record.takeRead(version(700, 10, 1)));
    EXPECT_EQ(FileRecord::SAME, record.state());
    EXPECT_TRUE(record.take(FILE_CHANGE_DELETED, FileStamp()));
    EXPECT_TRUE(record.takeRead(version(800, 10, 4)));
    EXPECT_EQ(FileRecord::CHANGED, record.state());
    // Read under the stamp known, yet with bytes unknown (the read failed): the stamp decides.
    FileVersion unread = version(900, 10, 1);
    record.took(unread);
    unread.digest = FileDigest();
    EXPECT_FALSE(record.takeRead(unread));
    EXPECT_EQ(FileRecord::SAME, record.state());
}

#include "pel/files/SafeSave.h"
#include "pel/files/SafeSaveSteps.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/RamDisk.h"

#include "support/FailingDiskDevice.h"
#include "support/TempFolder.h"
#include "FileContents.h"

#include <gtest/gtest.h>

using namespace pel;

namespace {

class SafeSaveTest : public testing::Test {
protected:
    SafeSaveTest() : disk(folder.path.c_str()) {
        // No native-path device: the renames stay on the target's own device.
        FileIO::attachDevice(L"disk", &disk, 0);
        FileIO::attachDevice(L"mem", &mem, 0);
    }
    ~SafeSaveTest() override {
        SafeSave::setHeldTargetHook(nullptr);
        FileIO::release();
    }

    // The target with the old content and the attributes; what the system then reports.
    DWORD putOld(DWORD attributes) {
        folder.write(L"a.tsConfig", OLD);
        ::SetFileAttributesW((folder / L"a.tsConfig").c_str(), attributes);
        return ::GetFileAttributesW((folder / L"a.tsConfig").c_str());
    }

    // A save of BIG failing as the device's write limit makes it, or abandoned: whether it
    // failed, and the thread's error right after.
    struct Attempt {
        bool failed;
        uint32_t error;
    };
    Attempt attempt(const wchar_t* path, size_t writeLimit, bool commit) {
        disk.writeLimit = mem.writeLimit = writeLimit;
        Attempt result{};
        {
            SafeSave save(path);
            result.failed = !(save.write(BIG.data(), BIG.size()) && commit && save.commit());
            result.error = FileErrorObject::getErrorCode();
        }
        disk.writeLimit = mem.writeLimit = SIZE_MAX;
        return result;
    }

    const std::string OLD = "the old content";
    const std::string BIG = std::string(100000, 'x'); // beyond the disk file's buffer
    tessel_test::TempFolder folder;
    tessel_test::FailingDiskDevice disk;
    tessel_test::FailingRamDisk mem;
};

// Write limits that fail a save of BIG at once, early and late.
const size_t FAILING_LIMITS[] = {0, 10, 70000};

} // namespace

TEST_F(SafeSaveTest, ReplacesTheTargetWithItsAttributesThroughAHiddenTemporaryFile) {
    const DWORD attributes = putOld(FILE_ATTRIBUTE_HIDDEN);
    {
        SafeSave save(L"disk:a.tsConfig");
        ASSERT_TRUE(save.isOpen());
        EXPECT_FALSE(save.inPlace());
        EXPECT_TRUE(save.write("new ", 4) && save.write("content", 7));
        const std::vector<std::wstring> during = folder.names();
        ASSERT_EQ(2u, during.size());
        const std::wstring temporary = during[0] == L"a.tsConfig" ? during[1] : during[0];
        EXPECT_EQ(0u, temporary.find(L".a.tsConfig")) << temporary;
        EXPECT_EQ(OLD, folder.read(L"a.tsConfig")); // untouched until the commit
        EXPECT_TRUE(save.commit());
    }
    EXPECT_EQ("new content", folder.read(L"a.tsConfig"));
    EXPECT_EQ(std::vector<std::wstring>{L"a.tsConfig"}, folder.names());
    EXPECT_EQ(attributes, ::GetFileAttributesW((folder / L"a.tsConfig").c_str()));
    EXPECT_TRUE(SafeSave::saveFile(L"disk:b.txt", "b", 1)); // a new file
    EXPECT_EQ("b", folder.read(L"b.txt"));
}

// Another program reading the target without sharing its deletion (as most programs open a file)
// keeps the system from moving it while it has it open: a reader that lets go soon lets the save
// through, one that holds on fails it as any refused save, the old file as it was and no
// temporary file left. A reader that shares everything is no hold at all: the save goes at once,
// and the old file goes once the reader lets go of it.
TEST_F(SafeSaveTest, ATargetHeldOpenIsReplacedOnceLetGoAndOneHeldOnFailsTheSave) {
    putOld(FILE_ATTRIBUTE_NORMAL);
    const auto openReader = [&](DWORD share) {
        return ::CreateFileW((folder / L"a.tsConfig").c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    const DWORD holding = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE reader = openReader(holding);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    int tries = 0;
    SafeSave::setHeldTargetHook([&] {
        if (++tries == 1)
            ::CloseHandle(reader);
    });
    EXPECT_TRUE(SafeSave::saveFile(L"disk:a.tsConfig", "new", 3)) << FileErrorObject::getErrorCode();
    EXPECT_EQ(1, tries) << "the reader was never in the way";
    EXPECT_EQ("new", folder.read(L"a.tsConfig"));
    EXPECT_EQ(std::vector<std::wstring>{L"a.tsConfig"}, folder.names());

    reader = openReader(holding);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    tries = 0;
    SafeSave::setHeldTargetHook([&] { ++tries; });
    EXPECT_FALSE(SafeSave::saveFile(L"disk:a.tsConfig", BIG.data(), BIG.size()));
    EXPECT_TRUE(safesave::isHeldError(FileErrorObject::getErrorCode())) << FileErrorObject::getErrorCode();
    ::CloseHandle(reader);
    EXPECT_LT(1, tries);
    EXPECT_EQ("new", folder.read(L"a.tsConfig"));
    EXPECT_EQ(std::vector<std::wstring>{L"a.tsConfig"}, folder.names());

    reader = openReader(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    tries = 0;
    EXPECT_TRUE(SafeSave::saveFile(L"disk:a.tsConfig", "newer", 5)) << FileErrorObject::getErrorCode();
    EXPECT_EQ(0, tries);
    EXPECT_EQ("newer", folder.read(L"a.tsConfig"));
    char old[3] = {};
    DWORD got = 0;
    EXPECT_TRUE(::ReadFile(reader, old, 3, &got, nullptr) && got == 3 && std::string(old, 3) == "new")
        << "the reader lost the file it had open";
    ::CloseHandle(reader);
    EXPECT_EQ(std::vector<std::wstring>{L"a.tsConfig"}, folder.names());
}

// A write failing part-way, a read-only target, a save never committed: each leaves the old file
// as it was and no temporary file, and the failing step's error stays on the thread.
TEST_F(SafeSaveTest, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    const struct {
        const char* what;
        DWORD attributes;
        size_t writeLimit;
        bool commit;
        uint32_t error;
    } cases[] = {
        {"disk full at once", FILE_ATTRIBUTE_NORMAL, FAILING_LIMITS[0], true, ERROR_DISK_FULL},
        {"disk full after 10 bytes", FILE_ATTRIBUTE_HIDDEN, FAILING_LIMITS[1], true, ERROR_DISK_FULL},
        {"disk full after 70000 bytes", FILE_ATTRIBUTE_NORMAL, FAILING_LIMITS[2], true, ERROR_DISK_FULL},
        {"read-only target", FILE_ATTRIBUTE_READONLY, SIZE_MAX, true, ERROR_ACCESS_DENIED},
        {"abandoned", FILE_ATTRIBUTE_NORMAL, SIZE_MAX, false, 0},
    };
    for (const auto& c : cases) {
        const DWORD attributes = putOld(c.attributes);
        const Attempt result = attempt(L"disk:a.tsConfig", c.writeLimit, c.commit);
        EXPECT_TRUE(result.failed) << c.what;
        EXPECT_TRUE(!c.commit || c.error == result.error) << c.what;
        EXPECT_EQ(OLD, folder.read(L"a.tsConfig")) << c.what;
        EXPECT_EQ(attributes, ::GetFileAttributesW((folder / L"a.tsConfig").c_str())) << c.what;
        EXPECT_EQ(std::vector<std::wstring>{L"a.tsConfig"}, folder.names()) << c.what;
        ::SetFileAttributesW((folder / L"a.tsConfig").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// The RAM disk cannot rename: the same failures leave the old bytes there too, a new file that
// failed is not left behind, and a save that fits goes through after them.
TEST_F(SafeSaveTest, AFailedSaveInPlaceLeavesTheOldBytes) {
    for (size_t limit : FAILING_LIMITS) {
        for (const std::string& old : {OLD, std::string(90000, 'o'), std::string(120000, 'o')}) {
            ASSERT_TRUE(tessel_test::putFile(L"mem:a.tsConfig", old));
            const Attempt result = attempt(L"mem:a.tsConfig", limit, true);
            const bool fits = old.size() + limit >= BIG.size(); // only growing the file can fail
            EXPECT_EQ(!fits, result.failed) << limit << " over " << old.size();
            EXPECT_EQ(fits ? 0u : ERROR_DISK_FULL, result.error) << limit << " over " << old.size();
            EXPECT_TRUE(tessel_test::getFile(L"mem:a.tsConfig") == (fits ? BIG : old)) << limit << " over " << old.size();
        }
        const Attempt fresh = attempt(L"mem:new.txt", limit, true);
        EXPECT_TRUE(fresh.failed && fresh.error == ERROR_DISK_FULL) << limit;
        EXPECT_FALSE(FileIO::isFile(L"mem:new.txt")) << limit;
    }
    ASSERT_TRUE(tessel_test::putFile(L"mem:a.tsConfig", OLD));
    const Attempt abandoned = attempt(L"mem:a.tsConfig", SIZE_MAX, false);
    EXPECT_TRUE(abandoned.failed);
    EXPECT_EQ(OLD, tessel_test::getFile(L"mem:a.tsConfig"));
    attempt(L"mem:gone.txt", SIZE_MAX, false);
    EXPECT_FALSE(FileIO::isFile(L"mem:gone.txt")) << "an abandoned new file";
    EXPECT_FALSE(attempt(L"mem:a.tsConfig", SIZE_MAX, true).failed);
    EXPECT_EQ(BIG, tessel_test::getFile(L"mem:a.tsConfig"));
}

// In place, the file grows to its new size before a byte of the old is overwritten: a RAM disk out
// of memory fails there, and the old bytes stay without a write to restore them (which would fail
// as well). An old file as long as the new text needs no room and takes it.
TEST_F(SafeSaveTest, AnInPlaceSaveFailsOnlyBeforeTheOldBytesAreOverwritten) {
    const std::string text(300000, 'n');
    mem.failuresStay = true;
    for (size_t limit : {size_t{0}, size_t{100000}, size_t{299999}}) {
        for (const std::string& old : {OLD, std::string(200000, 'o'), std::string(300000, 'o')}) {
            ASSERT_TRUE(tessel_test::putFile(L"mem:a.txt", old));
            mem.writeLimit = limit;
            bool saved;
            {
                SafeSave save(L"mem:a.txt");
                saved = save.write(text.data(), text.size()) && save.commit();
                EXPECT_EQ(saved ? 0u : ERROR_DISK_FULL, FileErrorObject::getErrorCode()) << limit << " over " << old.size();
            }
            mem.writeLimit = SIZE_MAX;
            const bool fits = old.size() + limit >= text.size();
            EXPECT_EQ(fits, saved) << limit << " over " << old.size();
            EXPECT_TRUE(tessel_test::getFile(L"mem:a.txt") == (fits ? text : old)) << limit << " over " << old.size();
        }
    }
}

TEST_F(SafeSaveTest, ADeviceThatCannotRenameIsWrittenInPlace) {
    ASSERT_TRUE(SafeSave::saveFile(L"mem:n.txt", "first", 5));
    SafeSave save(L"mem:n.txt");
    EXPECT_TRUE(save.inPlace());
    EXPECT_TRUE(save.write("second", 6) && save.commit());
    EXPECT_EQ("second", tessel_test::getFile(L"mem:n.txt"));

    for (const wchar_t* path : {static_cast<const wchar_t*>(nullptr), L""}) {
        SafeSave refused(path);
        EXPECT_FALSE(refused.isOpen() || refused.write("x", 1) || refused.commit());
        EXPECT_EQ(FileErrorCode::INVALID_CALL, FileErrorObject::getErrorCode());
    }
}

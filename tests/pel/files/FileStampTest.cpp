// A file's stamp tells every other state of it, whatever the direction of its time, and a save
// that is to replace a file only as it was last known refuses one changed meanwhile; a save
// through a symbolic link writes the file the link leads to, and the link stays.

#include "pel/files/FileStamp.h"
#include "pel/files/SafeSave.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileErrorCodes.h"
#include "pel/files/file_io/FileIO.h"

#include "support/SymbolicLink.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace pel;

namespace {

class FileStampTest : public testing::Test {
protected:
    FileStampTest() { FileIO::attachDevice(L"__winfs", &native, 0); }
    ~FileStampTest() override { FileIO::release(); }

    std::wstring path(const wchar_t* name) const { return folder / name; }
    // Gives the file the write time of another.
    void sameTimeAs(const wchar_t* name, const wchar_t* other) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(::GetFileAttributesExW(path(other).c_str(), GetFileExInfoStandard, &data));
        HANDLE file = ::CreateFileW(path(name).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        ::SetFileTime(file, nullptr, nullptr, &data.ftLastWriteTime);
        ::CloseHandle(file);
    }

    tessel_test::TempFolder folder;
    FileDeviceWin32 native{nullptr, true};
};

// A backup put back with its own older time and size, and another file of the same size and
// time renamed over the name: each is another state of the file.
TEST_F(FileStampTest, AFilePutBackOrReplacedIsAnotherStateWhateverItsTime) {
    folder.write(L"a.txt", "first");
    folder.write(L"backup.txt", "first");
    sameTimeAs(L"backup.txt", L"a.txt");
    const FileStamp read = FileStamp::of(path(L"a.txt"));
    ASSERT_TRUE(read.there && read.known());
    EXPECT_EQ(read, FileStamp::of(path(L"a.txt")));
    EXPECT_NE(0u, read.index) << "no identity from the system";
    // Same bytes, same time, another file.
    ASSERT_TRUE(::MoveFileExW(path(L"backup.txt").c_str(), path(L"a.txt").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_NE(read, FileStamp::of(path(L"a.txt")));
    // Gone: not there, whatever else.
    ::DeleteFileW(path(L"a.txt").c_str());
    EXPECT_FALSE(FileStamp::of(path(L"a.txt")).there);
}

// The file changes after its stamp was taken and before the commit (while the temporary file is
// written): the save fails and leaves the other program's bytes; expecting no file, one made
// meanwhile fails it too. As expected, the save goes through and tells the stamp it left.
TEST_F(FileStampTest, ASaveReplacesTheFileOnlyAsItWasExpected) {
    folder.write(L"a.txt", "read");
    {
        SafeSave save(path(L"a.txt").c_str());
        save.expect(FileStamp::of(path(L"a.txt")));
        ASSERT_TRUE(save.write("mine", 4));
        folder.writeOutside(L"a.txt", "other program");
        EXPECT_FALSE(save.commit());
        EXPECT_EQ(FileErrorCode::TARGET_CHANGED, FileErrorObject::getErrorCode());
    }
    EXPECT_EQ("other program", folder.read(L"a.txt"));
    {
        SafeSave save(path(L"new.txt").c_str());
        save.expect(FileStamp());
        ASSERT_TRUE(save.write("mine", 4));
        folder.write(L"new.txt", "made meanwhile");
        EXPECT_FALSE(save.commit());
    }
    EXPECT_EQ("made meanwhile", folder.read(L"new.txt"));
    {
        SafeSave save(path(L"a.txt").c_str());
        save.expect(FileStamp::of(path(L"a.txt")));
        ASSERT_TRUE(save.write("mine", 4));
        ASSERT_TRUE(save.commit());
        EXPECT_EQ(FileStamp::of(path(L"a.txt")), save.written().stamp);
    }
    EXPECT_EQ("mine", folder.read(L"a.txt"));
}

// Saved through a link, the file it leads to takes the bytes, and the link is still a link.
TEST_F(FileStampTest, ASaveThroughASymbolicLinkWritesItsTargetAndKeepsTheLink) {
    folder.write(L"target.txt", "old");
    const tessel_test::LinkRemoval removal{path(L"link.txt")};
    if (!tessel_test::makeSymbolicLink(path(L"link.txt"), path(L"target.txt")))
        GTEST_SKIP() << "no symbolic link can be made here";
    EXPECT_EQ(path(L"target.txt"), linkTarget(path(L"link.txt")));
    EXPECT_EQ(path(L"target.txt"), linkTarget(path(L"target.txt")));
    ASSERT_TRUE(SafeSave::saveFile(path(L"link.txt").c_str(), "new", 3));
    EXPECT_EQ("new", folder.read(L"target.txt"));
    EXPECT_TRUE(tessel_test::leadsTo(path(L"link.txt"), path(L"target.txt"))) << "the link was replaced";
}

} // namespace

#include "pel/files/SafeSave.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/RamDisk.h"

#include "support/FailingDiskDevice.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pel;

namespace {

class SafeSaveTest : public testing::Test {
protected:
    SafeSaveTest() : disk(folder.path.c_str()) {
        FileIO::attachDevice(L"__winfs", &nativeDisk, 0); // renames resolve to native paths
        FileIO::attachDevice(L"disk", &disk, 0);
        FileIO::attachDevice(L"mem", &mem, 0);
    }
    ~SafeSaveTest() override { FileIO::release(); }

    std::wstring native(const wchar_t* name) const { return folder / name; }

    void put(const wchar_t* name, const std::string& content, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        HANDLE file = ::CreateFileW(native(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        ::CloseHandle(file);
        ::SetFileAttributesW(native(name).c_str(), attributes);
    }

    std::string content(const wchar_t* name) const {
        HANDLE file = ::CreateFileW(native(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        std::string bytes(1 << 20, '\0');
        DWORD got = 0;
        ::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
        ::CloseHandle(file);
        return bytes.substr(0, got);
    }

    // The names in the folder.
    std::vector<std::wstring> listing() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        HANDLE find = ::FindFirstFileW(native(L"*").c_str(), &data);
        for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(find, &data))
            if (data.cFileName[0] != L'.' || (data.cFileName[1] && std::wstring(data.cFileName) != L".."))
                names.push_back(data.cFileName);
        if (find != INVALID_HANDLE_VALUE)
            ::FindClose(find);
        return names;
    }

    tessel_test::TempFolder folder;
    FileDeviceWin32 nativeDisk{nullptr, true};
    tessel_test::FailingDiskDevice disk;
    RamDisk mem;
};

const std::string OLD = "the old content";

} // namespace

TEST_F(SafeSaveTest, ReplacesTheTargetWithItsAttributesThroughAHiddenTemporaryFile) {
    put(L"a.tsConfig", OLD, FILE_ATTRIBUTE_HIDDEN);
    {
        SafeSave save(L"disk:a.tsConfig");
        ASSERT_TRUE(save.isOpen());
        EXPECT_FALSE(save.inPlace());
        EXPECT_TRUE(save.write("new ", 4));
        EXPECT_TRUE(save.write("content", 7));
        const std::vector<std::wstring> during = listing();
        ASSERT_EQ(2u, during.size());
        const std::wstring temporary = during[0] == L"a.tsConfig" ? during[1] : during[0];
        EXPECT_EQ(0u, temporary.find(L".a.tsConfig")) << temporary;
        EXPECT_EQ(OLD, content(L"a.tsConfig")); // untouched until the commit
        EXPECT_TRUE(save.commit());
    }
    EXPECT_EQ("new content", content(L"a.tsConfig"));
    EXPECT_EQ(std::vector<std::wstring>{L"a.tsConfig"}, listing());
    EXPECT_TRUE(::GetFileAttributesW(native(L"a.tsConfig").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(SafeSave::saveFile(L"disk:b.txt", "b", 1)); // a new file
    EXPECT_EQ("b", content(L"b.txt"));
}

// A write failing part-way, a target that is read-only, a save never committed: each leaves the
// old file as it was and no temporary file, and the failing step's error stays on the thread.
TEST_F(SafeSaveTest, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    const std::string big(100000, 'x'); // beyond the disk file's buffer
    const struct {
        const char* what;
        DWORD attributes; // as set: the system may add the archive bit
        size_t writeLimit;
        bool commit;
        uint32_t error;
    } cases[] = {
        {"disk full after 10 bytes", FILE_ATTRIBUTE_HIDDEN, 10, true, ERROR_DISK_FULL},
        {"disk full after 70000 bytes", FILE_ATTRIBUTE_NORMAL, 70000, true, ERROR_DISK_FULL},
        {"read-only target", FILE_ATTRIBUTE_READONLY, SIZE_MAX, true, ERROR_ACCESS_DENIED},
        {"abandoned", FILE_ATTRIBUTE_ARCHIVE, SIZE_MAX, false, 0},
    };
    for (const auto& c : cases) {
        put(L"a.tsConfig", OLD, c.attributes);
        const DWORD attributes = ::GetFileAttributesW(native(L"a.tsConfig").c_str());
        disk.writeLimit = c.writeLimit;
        {
            SafeSave save(L"disk:a.tsConfig");
            const bool saved = save.write(big.data(), big.size()) && c.commit && save.commit();
            EXPECT_FALSE(saved) << c.what;
            if (c.commit) {
                EXPECT_EQ(c.error, FileErrorObject::getErrorCode()) << c.what;
            }
        }
        EXPECT_EQ(OLD, content(L"a.tsConfig")) << c.what;
        EXPECT_EQ(attributes, ::GetFileAttributesW(native(L"a.tsConfig").c_str())) << c.what;
        EXPECT_EQ(std::vector<std::wstring>{L"a.tsConfig"}, listing()) << c.what;
        ::SetFileAttributesW(native(L"a.tsConfig").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(SafeSaveTest, ADeviceThatCannotRenameIsWrittenInPlace) {
    ASSERT_TRUE(SafeSave::saveFile(L"mem:n.txt", "first", 5));
    SafeSave save(L"mem:n.txt");
    ASSERT_TRUE(save.isOpen());
    EXPECT_TRUE(save.inPlace());
    EXPECT_TRUE(save.write("second", 6));
    EXPECT_TRUE(save.commit());
    File* file = FileIO::openFile(L"mem:n.txt", FILE_MODE_READ);
    ASSERT_NE(nullptr, file);
    char bytes[16] = {};
    EXPECT_EQ(6, file->read(bytes, sizeof bytes));
    EXPECT_STREQ("second", bytes);
    FileIO::closeFile(file);

    for (const wchar_t* path : {static_cast<const wchar_t*>(nullptr), L""}) {
        SafeSave refused(path);
        EXPECT_FALSE(refused.isOpen());
        EXPECT_FALSE(refused.write("x", 1));
        EXPECT_FALSE(refused.commit());
        EXPECT_EQ(FileErrorCode::INVALID_CALL, FileErrorObject::getErrorCode());
    }
}

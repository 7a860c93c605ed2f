#include "pel/files/file_io/FileBuffer.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileException.h"
#include "pel/files/file_io/FileIO.h"

#include "support/TempFolder.h"
#include "FileContents.h"

#include <gtest/gtest.h>

#include <set>

using namespace pel;
using tessel_test::getFile;
using tessel_test::putFile;

namespace {

// A rooted device "nd" on a fresh temporary folder, and "__winfs" for native paths.
class NativeDevice : public testing::Test {
protected:
    NativeDevice() : device(folder.path.c_str(), false), native(nullptr, true) {
        FileIO::attachDevice(L"nd", &device, 0);
        FileIO::attachDevice(L"__winfs", &native, 0);
    }
    ~NativeDevice() override { FileIO::release(); }

    std::set<std::wstring> list(const wchar_t* path) {
        std::set<std::wstring> names;
        Directory* directory = FileIO::openDirectory(path);
        if (!directory)
            return names;
        while (const FileInfo* entry = directory->next())
            EXPECT_TRUE(names.insert(entry->name).second) << entry->name;
        EXPECT_EQ(0u, FileErrorObject::getErrorCode());
        FileIO::closeDirectory(directory);
        return names;
    }
    // The record after a failure: its code and parameter 1.
    static std::pair<uint32_t, std::wstring> failure() {
        const ErrorMessageTLS& record = FileErrorObject::ensureRecord();
        return {record.code, record.param(1) ? record.param(1) : L""};
    }

    tessel_test::TempFolder folder;
    FileDeviceWin32 device;
    FileDeviceWin32 native;
};

using Failure = std::pair<uint32_t, std::wstring>;

} // namespace

TEST_F(NativeDevice, ReadsWritesAndBuffersAsThePathSays) {
    ASSERT_TRUE(putFile(L"nd:a.txt", "hello"));
    EXPECT_EQ("hello", getFile(L"nd:a.txt"));
    ASSERT_TRUE(putFile(L"nd:a.txt", " world", FILE_MODE_APPEND));
    EXPECT_EQ("hello world", getFile(L"nd:A.TXT"));
    ASSERT_TRUE(putFile(L"nd:a.txt", "new", FILE_MODE_WRITE));
    EXPECT_EQ("new", getFile(L"nd:a.txt"));

    // No buffer, a buffer of the size given, the largest buffer.
    for (const auto& buffered : {std::make_pair(L"nd[NB]:a.txt", 0u), std::make_pair(L"nd[65536]:a.txt", 65536u),
                                 std::make_pair(L"nd[67108864]:a.txt", FileBuffer::MAX_BUFFER_SIZE)}) {
        File* file = FileIO::openFile(buffered.first, FILE_MODE_READ);
        auto* buffer = dynamic_cast<FileBuffer*>(file);
        EXPECT_EQ(buffered.second, buffer ? buffer->bufferSize() : 0u) << buffered.first;
        FileIO::closeFile(file);
    }
    // A size that would wrap the address space, one just too large, one beyond 32 bits.
    for (const wchar_t* path : {L"nd[4294967290]:a.txt", L"nd[67108865]:a.txt", L"nd[99999999999]:a.txt"}) {
        EXPECT_EQ(nullptr, FileIO::openFile(path, FILE_MODE_READ)) << path;
        EXPECT_EQ(Failure(FileErrorCode::WRONG_DEVICE_PARAMETER, path), failure());
    }
    EXPECT_EQ(0, device.getInfo().ref_count.load());

    FileInfo info;
    ASSERT_TRUE(FileIO::createDirectory(L"nd:dir"));
    ASSERT_TRUE(FileIO::isDirectory((folder / L"dir\\").c_str(), &info));
    EXPECT_STREQ(L"dir", info.name);
    EXPECT_EQ(FILEINFO_DIRECTORY | FILEINFO_READABLE | FILEINFO_SEARCHABLE | FILEINFO_WRITABLE, info.flags & 0x1F);
    EXPECT_TRUE(FileIO::isFile(L"nd:a.txt"));
    ASSERT_TRUE(FileIO::setFileAttributes(L"nd:a.txt", FileIO::makeAttributeChange(FILEINFO_READABLE)));
    ASSERT_TRUE(FileIO::getFileInfo(L"nd:a.txt", &info));
    EXPECT_EQ(0u, info.flags & FILEINFO_WRITABLE);
    EXPECT_EQ(3u, info.size);
    EXPECT_FALSE(FileIO::deleteFile(L"nd:a.txt"));
    EXPECT_EQ(Failure(ERROR_ACCESS_DENIED, L"nd:a.txt"), failure());
    ASSERT_TRUE(FileIO::setFileAttributes(L"nd:a.txt", FileIO::makeAttributeChange(FILEINFO_WRITABLE)));
    EXPECT_TRUE(FileIO::deleteFile(L"nd:a.txt"));
}

TEST_F(NativeDevice, SizesAndPositionsPastFourGibibytes) {
    const int64_t beyond = (5ll << 30) + 7;
    File* file = FileIO::openFile(L"nd[nb]:sparse.bin", FILE_MODE_READ_WRITE_NEW);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(beyond, file->seek(FILE_SEEK_BEGIN, beyond));
    ASSERT_EQ(4, file->write("tail", 4));
    EXPECT_EQ(beyond + 4, file->getSize());
    EXPECT_EQ(beyond + 4, file->tell());
    ASSERT_TRUE(FileIO::closeFile(file));
    FileInfo info;
    ASSERT_TRUE(FileIO::getFileInfo(L"nd:sparse.bin", &info));
    EXPECT_EQ(static_cast<uint64_t>(beyond + 4), info.size);

    file = FileIO::openFile(L"nd:sparse.bin", FILE_MODE_READ_WRITE); // behind a buffer
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(beyond + 4, file->getSize());
    EXPECT_EQ(beyond, file->seek(FILE_SEEK_END, -4));
    char bytes[5] = {};
    EXPECT_EQ(4, file->read(bytes, 8));
    EXPECT_STREQ("tail", bytes);
    EXPECT_EQ(beyond - 1, file->seek(FILE_SEEK_CURRENT, -5));
    EXPECT_EQ(6, file->write("TAIL!!", 6)); // across the end, through a window that starts below it
    ASSERT_TRUE(FileIO::closeFile(file));
    file = FileIO::openFile(L"nd:sparse.bin", FILE_MODE_READ);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(beyond + 5, file->getSize());
    EXPECT_EQ(beyond - 2, file->seek(FILE_SEEK_END, -7));
    char tail[8] = {};
    EXPECT_EQ(7, file->read(tail, 7));
    EXPECT_EQ(std::string("\0TAIL!!", 7), std::string(tail, 7));
    FileIO::closeFile(file);
}

TEST_F(NativeDevice, NamesOutsideTheAnsiCodePageRoundTrip) {
    const std::wstring name = L"\u017elu\u0165ou\u010dk\u00fd \U0001F600.txt";
    const std::wstring renamed = L"p\u0159ejmenovan\u00fd \U0001F600.txt";
    ASSERT_TRUE(putFile((L"nd:" + name).c_str(), "data"));
    ASSERT_TRUE(FileIO::createDirectory(L"nd:sub"));
    const std::set<std::wstring> listed = list(L"nd:");
    EXPECT_EQ((std::set<std::wstring>{L".", L"..", name, L"sub"}), listed);
    EXPECT_TRUE(FileIO::move((L"nd:" + name).c_str(), (L"nd:sub/" + renamed).c_str()));
    EXPECT_EQ((std::set<std::wstring>{L".", L"..", renamed}), list(L"nd:sub"));
    EXPECT_EQ("data", getFile((folder / (L"sub\\" + renamed)).c_str()));
    EXPECT_TRUE(FileIO::deleteFile((L"nd:sub\\" + renamed).c_str()));
    EXPECT_EQ((std::set<std::wstring>{L".", L".."}), list(L"nd:sub"));
    EXPECT_TRUE(FileIO::removeDirectory(L"nd:sub"));
}

TEST_F(NativeDevice, EveryFailureLeavesItsCode) {
    ASSERT_TRUE(putFile(L"nd:f", "x"));
    ASSERT_TRUE(FileIO::createDirectories(L"nd:d/e/f"));
    ASSERT_TRUE(FileIO::createDirectories(L"nd:d/e/g/")); // existing parents stay
    EXPECT_TRUE(FileIO::isDirectory(L"nd:d/e/g"));

    EXPECT_EQ(nullptr, FileIO::openFile(L"nd:f", FILE_MODE_WRITE_CREATE));
    EXPECT_EQ(Failure(ERROR_FILE_EXISTS, folder / L"f"), failure()); // the native path
    EXPECT_THROW(FileIO::throwLastError(), FileExistsException);
    EXPECT_EQ(nullptr, FileIO::openFile(L"nd:missing", FILE_MODE_READ));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, failure().first);
    EXPECT_FALSE(FileIO::deleteFile(L"nd:missing"));
    EXPECT_EQ(Failure(ERROR_FILE_NOT_FOUND, L"nd:missing"), failure());
    EXPECT_FALSE(FileIO::removeDirectory(L"nd:d"));
    EXPECT_EQ(Failure(ERROR_DIR_NOT_EMPTY, L"nd:d"), failure());
    EXPECT_FALSE(FileIO::createDirectory(L"nd:d"));
    EXPECT_EQ(Failure(ERROR_ALREADY_EXISTS, L"nd:d"), failure());
    EXPECT_EQ(nullptr, FileIO::openDirectory(L"nd:nothere"));
    EXPECT_NE(0u, failure().first);
    EXPECT_EQ(L"nd:nothere", failure().second);
    EXPECT_FALSE(FileIO::getFileInfo(L"nd:nothere", nullptr));
    EXPECT_EQ(Failure(ERROR_FILE_NOT_FOUND, L"nd:nothere"), failure());
    EXPECT_FALSE(FileIO::move(L"nd:nothere", L"nd:else"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, failure().first);
    EXPECT_EQ(nullptr, FileIO::openFile(L":", FILE_MODE_READ));
    EXPECT_NE(0u, failure().first);

    device.setReadOnly(true);
    EXPECT_EQ(nullptr, FileIO::openFile(L"nd:f", FILE_MODE_WRITE));
    EXPECT_EQ(Failure(FileErrorCode::READ_ONLY_DEVICE, L"nd:f"), failure());
    EXPECT_FALSE(FileIO::deleteFile(L"nd:f"));
    EXPECT_EQ(FileErrorCode::READ_ONLY_DEVICE, failure().first);
    EXPECT_EQ("x", getFile(L"nd:f")); // untouched, and still readable
    device.setReadOnly(false);

    File* file = FileIO::createUniqueFile(L"nd:f");
    ASSERT_NE(nullptr, file);
    EXPECT_STREQ(L"nd:f_1", file->path());
    FileIO::closeFile(file);
    ASSERT_TRUE(putFile(L"nd:.profile", ""));
    file = FileIO::createUniqueFile(L"nd:.profile");
    ASSERT_NE(nullptr, file);
    EXPECT_STREQ(L"nd:_1.profile", file->path());
    FileIO::closeFile(file);
    EXPECT_EQ(nullptr, FileIO::createUniqueFile(L"nd:nothere/x.txt")); // not a name clash: no 98 tries
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, failure().first);
    EXPECT_EQ(nullptr, FileIO::createUniqueFile(L"nd:f", FILE_MODE_READ_WRITE)); // would open f itself
    EXPECT_EQ(FileErrorCode::INVALID_CALL, failure().first);
}

TEST_F(NativeDevice, PathsResolveToFullPaths) {
    tessel_test::TempFolder other;
    FileDeviceWin32 second(other.path.c_str(), false);
    FileDeviceWin32 alias((folder.path + L"\\").c_str(), false);
    FileIO::attachDevice(L"nd2", &second, 0);
    FileIO::attachDevice(L"alias", &alias, 0);
    EXPECT_TRUE(FileIO::isSamePath(L"nd:A/B", L"nd:a\\b"));
    EXPECT_TRUE(FileIO::isSamePath(L"nd:a", L"alias:a\\x\\..\\"));
    EXPECT_TRUE(FileIO::isSamePath(L"nd:a", (folder / L"A").c_str()));
    EXPECT_FALSE(FileIO::isSamePath(L"nd:a", L"nd2:a"));
    EXPECT_TRUE(FileIO::startsWithPath(L"nd:foo", L"nd:FOObar"));
    EXPECT_EQ(FileIO::getPathHash(L"nd:Some/Dir\\"), FileIO::getPathHash(L"nd:some\\dir"));
    WorkString<> full;
    EXPECT_EQ(FileIO::getPathHash64(L"nd:x"), FileIO::getPathHash64((folder / L"X").c_str(), &full));
    EXPECT_EQ(folder / L"X", full.str());
    ASSERT_TRUE(FileIO::getFullPath(L"nd:", &full));
    EXPECT_EQ(folder.path, full.str());

    // A rooted device whose root is not there yet makes it on the first write.
    FileDeviceWin32 late((folder / L"late\\deeper").c_str(), false);
    FileIO::attachDevice(L"late", &late, 0);
    EXPECT_FALSE(putFile(L"late:x", "1"));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, failure().first);
    late.createRootOnDemand = true;
    EXPECT_TRUE(putFile(L"late:x", "1"));
    EXPECT_EQ("1", getFile((folder / L"late\\deeper\\x").c_str()));
}

TEST_F(NativeDevice, LongPathsTakeTheirLongForm) {
    const std::wstring deep = folder.path + L"/" + std::wstring(120, L'd');
    const std::wstring file = deep + L"/" + std::wstring(150, L'f') + L".txt";
    ASSERT_GT(file.size(), 260u);
    ASSERT_TRUE(FileIO::createDirectory(deep.c_str()));
    ASSERT_TRUE(putFile(file.c_str(), "long"));
    EXPECT_EQ("long", getFile(file.c_str()));
    EXPECT_EQ(3u, list(deep.c_str()).size());

    WorkString<> native;
    const std::wstring tail(260, L'x');
    FileDeviceWin32::makeNativePath(L"", (L"//srv/share/" + tail).c_str(), false, 0, &native);
    EXPECT_EQ(L"\\\\?\\UNC\\srv\\share\\" + tail, native.str());
    FileDeviceWin32::makeNativePath(L"C:\\root\\", (L"a/../" + tail).c_str(), true, 0, &native);
    EXPECT_EQ(L"\\\\?\\C:\\root\\" + tail + L"\\", native.str());
}

TEST_F(NativeDevice, LayeredListingsMergeByName) {
    FileIO::createDirectory(L"nd:root");
    FileIO::createDirectory(L"nd:user");
    FileDeviceWin32 root((folder / L"root").c_str(), false);
    FileDeviceWin32 user((folder / L"user").c_str(), false);
    ASSERT_TRUE(FileIO::attachDevice(L"base:user", &user, 1));
    ASSERT_TRUE(FileIO::attachDevice(L"base:root", &root, 2));
    ASSERT_TRUE(putFile(L"nd:root/a.txt", "root"));
    ASSERT_TRUE(putFile(L"nd:root/r.txt", "r"));
    ASSERT_TRUE(putFile(L"nd:user/A.TXT", "user layer"));
    ASSERT_TRUE(putFile(L"nd:user/u.txt", "u"));

    EXPECT_EQ("root", getFile(L"base:a.txt"));
    EXPECT_EQ("u", getFile(L"base:u.txt"));
    Directory* merged = FileIO::openDirectory(L"base:");
    ASSERT_NE(nullptr, merged);
    for (int pass = 0; pass < 2; ++pass) {
        std::multiset<std::wstring> names;
        while (const FileInfo* entry = merged->next()) {
            names.insert(entry->name);
            if (std::wstring(entry->name) == L"a.txt") {
                EXPECT_EQ(4u, entry->size); // the root layer's
            }
        }
        EXPECT_EQ((std::multiset<std::wstring>{L".", L"..", L"a.txt", L"r.txt", L"u.txt"}), names);
        EXPECT_TRUE(merged->isValid());
        EXPECT_TRUE(merged->rewind());
    }
    EXPECT_TRUE(FileIO::closeDirectory(merged));
    EXPECT_EQ(0, root.getInfo().ref_count.load() + user.getInfo().ref_count.load());
    EXPECT_EQ(nullptr, FileIO::openDirectory(L"base:nowhere")); // no layer has it
    EXPECT_NE(0u, failure().first);
}

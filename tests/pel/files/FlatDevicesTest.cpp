#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/RamDisk.h"
#include "pel/files/file_io/TempDevice.h"

#include "support/LogCapture.h"
#include "support/MemoryFileDevice.h"
#include "support/TempFolder.h"
#include "FileContents.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>

using namespace pel;
using tessel_test::getFile;
using tessel_test::putFile;

namespace {

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}

uint32_t code() { return FileErrorObject::getErrorCode(); }

// The native device "nd" and the temporary folder "tmp" on a fresh folder (and "__winfs", through
// which moves run), the RAM disk "mem" and the temporary-file device "vtmp" over those two.
class FlatDevices : public testing::Test {
protected:
    FlatDevices() : nd(folder.path.c_str(), false), tmp((folder / L"tmp").c_str(), false), vtmp(new TempDevice) {
        tmp.createRootOnDemand = true;
        FileIO::attachDevice(L"nd", &nd, 0);
        FileIO::attachDevice(L"__winfs", &native, 0);
        FileIO::attachDevice(L"tmp", &tmp, 0);
        FileIO::attachDevice(L"mem", &mem, 0);
        FileIO::attachDevice(L"vtmp", vtmp.get(), 0);
    }
    ~FlatDevices() override {
        vtmp.reset(); // its files delete their parts while "mem" and "tmp" are there
        FileIO::release();
    }

    int64_t sizeOf(const std::wstring& path) {
        FileInfo info;
        return FileIO::getFileInfo(path.c_str(), &info) ? static_cast<int64_t>(info.size) : -1;
    }
    using Sizes = std::pair<int64_t, int64_t>;
    Sizes parts(const std::wstring& name) { // of a temporary file
        return {sizeOf(L"mem:" + name + L".vmtmpfs"), sizeOf(L"tmp:" + name + L".vdtmpfs")};
    }
    uint32_t memoryHeld() {
        uint32_t held = 0;
        EXPECT_TRUE(mem.control(RamDisk::CONTROL_QUERY, 4, &held));
        return held;
    }

    tessel_test::TempFolder folder;
    FileDeviceWin32 nd;
    FileDeviceWin32 tmp;
    FileDeviceWin32 native{nullptr, true};
    RamDisk mem;
    std::unique_ptr<TempDevice> vtmp;
};

// The same file operations on every device; the parameter is the device part of the paths.
class FileOperations : public FlatDevices, public testing::WithParamInterface<const wchar_t*> {};

} // namespace

TEST_P(FileOperations, OpenReadWriteSeekTruncateDeleteAndSize) {
    const bool native = std::wstring(GetParam()) == L"nd:";
    std::wstring a = GetParam() + std::wstring(L"a.bin");
    const std::wstring b = GetParam() + std::wstring(L"b.bin");
    EXPECT_EQ(nullptr, FileIO::openFile(a.c_str(), FILE_MODE_READ));
    EXPECT_EQ(static_cast<uint32_t>(ERROR_FILE_NOT_FOUND), code());
    const std::string data = pattern(300);
    ASSERT_TRUE(putFile(a, data));
    for (uint32_t mode : {FILE_MODE_READ_WRITE_CREATE, FILE_MODE_WRITE_CREATE}) {
        EXPECT_EQ(nullptr, FileIO::openFile(a.c_str(), mode));
        EXPECT_EQ(static_cast<uint32_t>(ERROR_FILE_EXISTS), code());
    }

    File* file = FileIO::openFile(a.c_str(), FILE_MODE_READ_WRITE);
    ASSERT_NE(nullptr, file);
    // A refused seek (-1) leaves the position.
    const struct { int origin; int64_t offset; int64_t result; } seeks[] = {
        {FILE_SEEK_BEGIN, 300, 300}, {FILE_SEEK_BEGIN, 301, -1},   {FILE_SEEK_CURRENT, 1, -1}, {FILE_SEEK_CURRENT, -300, 0},
        {FILE_SEEK_BEGIN, -1, -1},   {FILE_SEEK_CURRENT, -1, -1},  {FILE_SEEK_END, 1, -1},     {FILE_SEEK_END, -301, -1},
        {FILE_SEEK_END, 0, 300},     {FILE_SEEK_END, -300, 0},     {FILE_SEEK_CURRENT, 50, 50}};
    int64_t position = 0;
    for (const auto& seek : seeks) {
        EXPECT_EQ(seek.result, file->seek(seek.origin, seek.offset)) << seek.origin << " " << seek.offset;
        position = seek.result < 0 ? position : seek.result;
        EXPECT_EQ(position, file->tell());
    }
    char bytes[100];
    ASSERT_EQ(100, file->read(bytes, 100)); // across chunk edges and the memory limit
    EXPECT_EQ(data.substr(50, 100), std::string(bytes, 100));
    EXPECT_EQ(3, file->write("XYZ", 3));
    EXPECT_EQ(300, file->seek(FILE_SEEK_END, 0));
    EXPECT_EQ(4, file->write("tail", 4));
    EXPECT_EQ(304, file->getSize());
    EXPECT_EQ(270, file->seek(FILE_SEEK_BEGIN, 270));
    EXPECT_TRUE(file->truncate());
    EXPECT_EQ(0, file->read(bytes, 10));
    EXPECT_TRUE(FileIO::closeFile(file));

    file = FileIO::openFile(a.c_str(), FILE_MODE_APPEND);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(270, file->seek(FILE_SEEK_BEGIN, 0)); // an append handle stays at the end
    EXPECT_EQ(2, file->write("!!", 2));
    EXPECT_TRUE(FileIO::closeFile(file));
    EXPECT_EQ(data.substr(0, 150) + "XYZ" + data.substr(153, 117) + "!!", getFile(a));
    EXPECT_EQ(272, sizeOf(a));
    ASSERT_TRUE(putFile(a, "", FILE_MODE_WRITE));
    EXPECT_EQ(0, sizeOf(a));

    EXPECT_EQ(native, FileIO::move(a.c_str(), b.c_str()));
    if (native)
        a = b;
    else
        EXPECT_EQ(static_cast<uint32_t>(FileErrorCode::UNSUPPORTED_OPERATION), code());
    EXPECT_TRUE(FileIO::deleteFile(a.c_str()));
    EXPECT_EQ(-1, sizeOf(a));
    EXPECT_EQ(static_cast<uint32_t>(ERROR_FILE_NOT_FOUND), code());
    EXPECT_FALSE(FileIO::deleteFile(a.c_str()));
    EXPECT_EQ(static_cast<uint32_t>(ERROR_FILE_NOT_FOUND), code());
}

INSTANTIATE_TEST_SUITE_P(Devices, FileOperations, testing::Values(L"nd:", L"mem[64]:", L"vtmp:", L"vtmp[100]:"));

TEST_F(FlatDevices, RamDiskChunkSizeComesFromThePath) {
    const struct { const wchar_t* parameter; uint32_t chunk; const wchar_t* line; } cases[] = {
        {L"100", 4096, L"RamDisk: bad chunk size 100, defaulting to 4096 bytes\n"},
        {L"1", 4096, L"RamDisk: bad chunk size 1, defaulting to 4096 bytes\n"},
        {L"16", 64, L"RamDisk: chunk size 16 is too small, defaulting to 64 bytes\n"},
        {L"x", 4096, L"RamDisk::openFile: unknown device param 'x'\n"},
        {L"128", 128, nullptr}};
    for (const auto& c : cases) {
        tessel_test::LogCapture log;
        const std::wstring path = L"mem[" + std::wstring(c.parameter) + L"]:c";
        ASSERT_TRUE(putFile(path, "1"));
        EXPECT_EQ(c.chunk, memoryHeld()) << c.parameter;
        ASSERT_EQ(c.line ? 1u : 0u, log.lines().size());
        EXPECT_TRUE(!c.line || log.lines()[0].text == c.line) << c.parameter;
        ASSERT_TRUE(FileIO::deleteFile(L"mem:C"));
    }
}

TEST_F(FlatDevices, RamDiskChunkEdgesPurgeAndQuery) {
    const std::string data = pattern(1000);
    File* file = FileIO::openFile(L"mem[64]:big", FILE_MODE_READ_WRITE_NEW);
    ASSERT_NE(nullptr, file);
    for (size_t at = 0; at < data.size(); at += 37)
        ASSERT_EQ(static_cast<int32_t>(std::min<size_t>(37, 1000 - at)),
                  file->write(data.data() + at, static_cast<uint32_t>(std::min<size_t>(37, 1000 - at))));
    EXPECT_EQ(16u * 64, memoryHeld());
    const std::pair<int, int> ranges[] = {{60, 10}, {63, 2}, {64, 64}, {127, 130}, {0, 1000}, {990, 10}};
    for (const auto& range : ranges) {
        std::string bytes(range.second + 5, '\0');
        ASSERT_EQ(range.first, file->seek(FILE_SEEK_BEGIN, range.first));
        EXPECT_EQ(std::min(range.second + 5, 1000 - range.first), file->read(&bytes[0], range.second + 5));
        EXPECT_EQ(data.substr(range.first, range.second), bytes.substr(0, range.second));
    }
    EXPECT_EQ(130, file->seek(FILE_SEEK_BEGIN, 130));
    EXPECT_TRUE(file->truncate());
    EXPECT_EQ(3u * 64, memoryHeld());

    EXPECT_EQ(nullptr, FileIO::openFile(L"mem:BIG", FILE_MODE_READ)); // one handle per file
    EXPECT_EQ(static_cast<uint32_t>(ERROR_SHARING_VIOLATION), code());
    ASSERT_TRUE(putFile(L"mem:closed", "x"));
    uint32_t held = 0;
    EXPECT_FALSE(mem.control(RamDisk::CONTROL_QUERY, 8, &held));
    EXPECT_FALSE(mem.control(RamDisk::CONTROL_PURGE, 0, nullptr)); // the open file stays
    EXPECT_EQ(-1, sizeOf(L"mem:closed"));
    EXPECT_EQ(130, sizeOf(L"mem:big"));
    EXPECT_TRUE(FileIO::closeFile(file));
    EXPECT_EQ(data.substr(0, 130), getFile(L"mem:big")); // closing keeps the content
    EXPECT_TRUE(mem.control(RamDisk::CONTROL_PURGE, 0, nullptr));
}

TEST_F(FlatDevices, UnknownOriginsAndOverflowingSeeksAreRefused) {
    const std::pair<const wchar_t*, const wchar_t*> devices[] = {
        {L"mem[64]:s", L"RamDiskFile: Seek position is out of range\n"},
        {L"vtmp[4]:s", L"TempFile: Seek position is out of range\n"}};
    for (const auto& device : devices) {
        tessel_test::LogCapture log;
        File* file = FileIO::openFile(device.first, FILE_MODE_READ_WRITE);
        ASSERT_NE(nullptr, file);
        ASSERT_EQ(10, file->write("0123456789", 10));
        ASSERT_EQ(7, file->seek(FILE_SEEK_BEGIN, 7));
        EXPECT_EQ(-1, file->seek(3, 1000)); // no write far past the end after it
        EXPECT_EQ(-1, file->seek(3, 2));
        EXPECT_EQ(-1, file->seek(FILE_SEEK_END, INT64_MAX));
        EXPECT_EQ(-1, file->seek(FILE_SEEK_CURRENT, INT64_MIN));
        EXPECT_EQ(static_cast<uint32_t>(ERROR_INVALID_PARAMETER), code());
        EXPECT_EQ(2, file->write("ab", 2));
        EXPECT_TRUE(FileIO::closeFile(file));
        EXPECT_EQ("0123456ab9", getFile(device.first));
        ASSERT_EQ(4u, log.lines().size());
        EXPECT_EQ(device.second, log.lines()[3].text);
    }
}

TEST_F(FlatDevices, UnsupportedOperationsAndBadNames) {
    const std::wstring longName(260, L'n');
    for (const std::wstring device : {L"mem:", L"vtmp:"}) {
        EXPECT_EQ(nullptr, FileIO::openDirectory(device.c_str()));
        EXPECT_STREQ(L"OpenDirectory", FileErrorObject::ensureRecord().param(2));
        EXPECT_EQ(nullptr, FileIO::openFile((device + L"f").c_str(), 7));
        EXPECT_STREQ(L"OpenFile - wrong opening mode", FileErrorObject::ensureRecord().param(2));
        EXPECT_EQ(static_cast<uint32_t>(FileErrorCode::UNSUPPORTED_OPERATION), code());
        EXPECT_EQ(nullptr, FileIO::openFile((device + longName).c_str(), FILE_MODE_WRITE));
        EXPECT_EQ(static_cast<uint32_t>(ERROR_INVALID_NAME), code());
    }
}

TEST_F(FlatDevices, TempFilesSpillPastTheMemoryLimitAndBack) {
    const std::string data = pattern(40000);
    ASSERT_TRUE(putFile(L"vtmp:t", data));
    EXPECT_EQ(Sizes(32768, 7232), parts(L"t"));

    // Each reopen leaves the disk part closed until a seek, read or truncate needs it.
    const std::pair<int, int> cuts[] = {{35000, 2232}, {32768, 0}, {100, 0}}; // position, disk part
    for (const auto& cut : cuts) {
        File* file = FileIO::openFile(L"vtmp:t", FILE_MODE_READ_WRITE);
        ASSERT_NE(nullptr, file);
        char bytes[10];
        EXPECT_EQ(cut.first - 10, file->seek(FILE_SEEK_BEGIN, cut.first - 10));
        EXPECT_EQ(10, file->read(bytes, 10));
        EXPECT_EQ(data.substr(cut.first - 10, 10), std::string(bytes, 10));
        EXPECT_TRUE(file->truncate());
        EXPECT_TRUE(FileIO::closeFile(file));
        EXPECT_EQ(Sizes(std::min(cut.first, 32768), cut.second), parts(L"t"));
        EXPECT_EQ(data.substr(0, cut.first), getFile(L"vtmp:T"));
    }

    ASSERT_TRUE(putFile(L"vtmp[0]:z", data.substr(0, 1000)));
    EXPECT_EQ(Sizes(0, 1000), parts(L"z"));
    File* file = FileIO::openFile(L"vtmp:z", FILE_MODE_READ);
    EXPECT_FALSE(FileIO::deleteFile(L"vtmp:z"));
    EXPECT_EQ(static_cast<uint32_t>(ERROR_ACCESS_DENIED), code());
    EXPECT_TRUE(FileIO::closeFile(file));
    EXPECT_TRUE(FileIO::deleteFile(L"vtmp:z"));
    EXPECT_EQ(Sizes(-1, -1), parts(L"z"));
}

TEST_F(FlatDevices, TempFilePartsNeverTakeOverAFileAlreadyInTheFolder) {
    // What a crashed run left under the names this file's disk part would take, and the part of
    // the same name of a second device on the same folder, as of another process.
    const std::string stale(5000, 'S');
    ASSERT_TRUE(::CreateDirectoryW((folder / L"tmp").c_str(), nullptr));
    folder.write(L"tmp\\s.vdtmpfs", stale);
    folder.write(L"tmp\\s_1.vdtmpfs", stale);
    RamDisk otherMemory;
    TempDevice other(L"mem2:", L"tmp:");
    FileIO::attachDevice(L"mem2", &otherMemory, 0);
    FileIO::attachDevice(L"other", &other, 0);

    const std::string mine = pattern(1000), theirs = pattern(3000).substr(1000);
    ASSERT_TRUE(putFile(L"vtmp[0]:s", mine));
    ASSERT_TRUE(putFile(L"other[0]:s", theirs));
    EXPECT_EQ(mine, getFile(L"vtmp:s"));
    EXPECT_EQ(theirs, getFile(L"other:s"));
    EXPECT_EQ(mine, folder.read(L"tmp\\s_2.vdtmpfs"));
    EXPECT_EQ(theirs, folder.read(L"tmp\\s_3.vdtmpfs"));

    // Each file deletes its own part only.
    EXPECT_TRUE(FileIO::deleteFile(L"vtmp:s"));
    EXPECT_TRUE(FileIO::deleteFile(L"other:s"));
    EXPECT_EQ(stale, folder.read(L"tmp\\s.vdtmpfs"));
    EXPECT_EQ(stale, folder.read(L"tmp\\s_1.vdtmpfs"));
    EXPECT_EQ(Sizes(-1, -1), Sizes(sizeOf(L"tmp:s_2.vdtmpfs"), sizeOf(L"tmp:s_3.vdtmpfs")));
}

TEST_F(FlatDevices, TempFilesAppendAtTheirEndAfterAReopen) {
    for (size_t size : {100u, 32768u, 40000u}) {
        const std::string data = pattern(size);
        ASSERT_TRUE(putFile(L"vtmp:log", data));
        ASSERT_TRUE(putFile(L"vtmp:log", "Z", FILE_MODE_APPEND));
        EXPECT_EQ(data + "Z", getFile(L"vtmp:log")) << size;
    }
}

TEST_F(FlatDevices, TempFilePartsFailWithTheirDevices) {
    tessel_test::MemoryFileDevice full;
    full.writeLimit = 1000;
    TempDevice spill(L"mem:", L"full:");
    TempDevice orphan(L"nomem:", L"tmp:");
    FileIO::attachDevice(L"full", &full, 0);
    FileIO::attachDevice(L"spill", &spill, 0);
    FileIO::attachDevice(L"orphan", &orphan, 0);
    EXPECT_EQ(nullptr, FileIO::openFile(L"orphan:x", FILE_MODE_WRITE));
    EXPECT_EQ(static_cast<uint32_t>(FileErrorCode::UNKNOWN_DEVICE), code());
    EXPECT_EQ(-1, sizeOf(L"orphan:x")); // a file that could not open never came to be

    File* file = FileIO::openFile(L"spill:x", FILE_MODE_WRITE);
    ASSERT_NE(nullptr, file);
    const std::string data = pattern(40000);
    EXPECT_EQ(32768 + 1000, file->write(data.data(), 40000));
    EXPECT_EQ(static_cast<uint32_t>(ERROR_DISK_FULL), code());
    EXPECT_TRUE(FileIO::closeFile(file));
    EXPECT_EQ(data.substr(0, 33768), getFile(L"spill:x"));
}

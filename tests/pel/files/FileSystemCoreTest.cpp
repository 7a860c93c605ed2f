#include "pel/files/file_io/DevicePath.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIFC.h"
#include "pel/files/file_io/FileIO.h"

#include "support/LogCapture.h"
#include "support/MemoryFileDevice.h"
#include "FileContents.h"

#include <gtest/gtest.h>

using namespace pel;
using tessel_test::MemoryFileDevice;

namespace {

class FileSystemCore : public testing::Test {
protected:
    void TearDown() override { FileIO::release(); }
};

} // namespace

TEST(DevicePath, SplitsDeviceParameterAndRest) {
    struct Case {
        std::wstring path;
        bool native;
        const wchar_t* device;
        const wchar_t* parameter;
        const wchar_t* rest;
        uint32_t error;
    };
    const Case cases[] = {
        {L"user:config/a.tsConfig", false, L"user", L"", L"config/a.tsConfig", 0},
        {L"MEM[4096]:x", false, L"mem", L"4096", L"x", 0},
        {L"USER[Nb]x:a", false, L"user", L"Nb", L"a", 0},
        {L"ab:x", false, L"ab", L"", L"x", 0},
        {L"[p]:x", false, L"", L"p", L"x", 0},
        {std::wstring(63, L'd') + L":x", false, nullptr, L"", L"x", 0},
        {L"a:x", true, L"", L"", nullptr, 0},
        {L"C:\\a", true, L"", L"", nullptr, 0},
        {L"\\\\srv\\x:y", true, L"", L"", nullptr, 0},
        {L"//srv/x:y", true, L"", L"", nullptr, 0},
        {L":foo", true, L"", L"", nullptr, 0},
        {L":", true, L"", L"", nullptr, 0},
        {L"", true, L"", L"", nullptr, 0},
        {std::wstring(64, L'd') + L":x", false, nullptr, nullptr, nullptr, FileErrorCode::DEVICE_NAME_TOO_LONG},
        {L"mem[4096:x", false, nullptr, nullptr, nullptr, FileErrorCode::WRONG_DEVICE_PARAMETER},
    };
    for (const Case& c : cases) {
        FileErrorObject::setError(0);
        FileRequest request;
        const bool ok = splitDevicePath(c.path.c_str(), request);
        EXPECT_EQ(c.error == 0, ok) << c.path;
        if (!ok) {
            EXPECT_EQ(c.error, FileErrorObject::getErrorCode()) << c.path;
            EXPECT_EQ(c.path, FileErrorObject::ensureRecord().param(1));
            continue;
        }
        EXPECT_EQ(c.native, isNativeRequest(request)) << c.path;
        if (c.device) {
            EXPECT_STREQ(c.device, request.deviceName) << c.path;
        }
        EXPECT_STREQ(c.parameter, request.deviceParam) << c.path;
        EXPECT_STREQ(c.rest ? c.rest : c.path.c_str(), request.rest) << c.path;
    }
}

TEST(DevicePath, ComparesVolumes) {
    EXPECT_TRUE(isSameVolume(L"C:\\a", L"c:/b"));
    EXPECT_FALSE(isSameVolume(L"C:\\a", L"D:\\a"));
    EXPECT_TRUE(isSameVolume(L"\\\\srv\\a", L"\\\\SRV/b"));
    EXPECT_FALSE(isSameVolume(L"\\\\srv\\a", L"\\\\srv2\\a"));
    EXPECT_TRUE(isSameVolume(L"\\\\?\\UNC\\srv\\a", L"//srv/b"));
    EXPECT_TRUE(isSameVolume(L"\\\\?\\C:\\x", L"c:\\y"));
    EXPECT_FALSE(isSameVolume(L"\\\\srv\\a", L"C:\\a"));
}

TEST_F(FileSystemCore, AttachResolveAndDetach) {
    tessel_test::LogCapture log;
    MemoryFileDevice plain;
    plain.files[L"a"] = "x";
    EXPECT_TRUE(FileIO::attachDevice(L"tst", &plain, 0));
    EXPECT_TRUE(FileIO::isFile(L"TST:a"));
    EXPECT_TRUE(FileIO::isFile(L"tst[Param]:a"));
    EXPECT_EQ(2, plain.calls);
    EXPECT_EQ(&plain, FileIFC::getInstance()->getDevice(L"Tst:whatever"));
    EXPECT_TRUE(log.contains(L"devAttach: device 'tst' attached\n"));

    EXPECT_FALSE(FileIO::attachDevice(L"tst", &plain, 0));
    EXPECT_EQ(FileErrorCode::DEVICE_ALREADY_REGISTERED, FileErrorObject::getErrorCode());
    EXPECT_TRUE(log.contains(L"devAttach: device 'tst' is already registered\n"));
    MemoryFileDevice extra;
    EXPECT_TRUE(FileIO::attachDevice(L"tst:extra", &extra, 0)); // a mapping under the same name
    EXPECT_FALSE(FileIO::attachDevice(L"tst:extra", &extra, 0));
    EXPECT_TRUE(log.contains(L"devAttach: device mapping 'tst:extra' is already registered\n"));
    EXPECT_FALSE(FileIO::attachDevice(std::wstring(64, L'n').c_str(), &extra, 0));
    EXPECT_EQ(FileErrorCode::DEVICE_NAME_TOO_LONG, FileErrorObject::getErrorCode());

    EXPECT_FALSE(FileIO::isFile(L"nodev:x"));
    std::wstring message;
    FileErrorObject::getMessage(&FileErrorObject::ensureRecord(), &message);
    EXPECT_EQ(L"Unknown file system device 'nodev'.", message);
    EXPECT_EQ(nullptr, FileIO::openFile(L"C:\\x", 0)); // nothing serves native paths
    EXPECT_EQ(FileErrorCode::NO_ROOT_DEVICE, FileErrorObject::getErrorCode());

    EXPECT_TRUE(FileIO::detachDevice(L"tst:extra"));
    EXPECT_TRUE(FileIO::detachDevice(L"TST"));
    EXPECT_TRUE(log.contains(L"Device mapping 'tst:extra' detached\n"));
    EXPECT_TRUE(log.contains(L"Device 'tst' detached\n"));
    EXPECT_FALSE(FileIO::detachDevice(L"tst"));
    EXPECT_EQ(FileErrorCode::UNKNOWN_DEVICE, FileErrorObject::getErrorCode());

    std::vector<MemoryFileDevice> many(33);
    for (int i = 0; i < 32; ++i)
        ASSERT_TRUE(FileIO::attachDevice((L"d" + std::to_wstring(i)).c_str(), &many[i], 0));
    EXPECT_FALSE(FileIO::attachDevice(L"d32", &many[32], 0));
    EXPECT_EQ(FileErrorCode::TOO_MANY_DEVICES, FileErrorObject::getErrorCode());
}

TEST_F(FileSystemCore, LayersByPriorityAndSkipsReadOnlyDevices) {
    MemoryFileDevice low;
    MemoryFileDevice high;
    low.files[L"both"] = "low";
    low.files[L"lowonly"] = "low";
    high.files[L"both"] = "high";
    ASSERT_TRUE(FileIO::attachDevice(L"lay:low", &low, 1));
    ASSERT_TRUE(FileIO::attachDevice(L"lay:high", &high, 2));
    EXPECT_EQ(nullptr, FileIFC::getInstance()->getDevice(L"lay:x")); // only mappings
    EXPECT_EQ("high", tessel_test::getFile(L"lay:both"));
    File* file = FileIO::openFile(L"lay:lowonly", FILE_MODE_READ);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(0u, FileErrorObject::getErrorCode()); // the failed layer above leaves no error
    EXPECT_EQ(&low, file->device());
    FileIO::closeFile(file);

    high.setFlags(FILEDEV_READ_ONLY);
    low.setFlags(FILEDEV_READ_ONLY);
    const int before = high.calls + low.calls;
    EXPECT_FALSE(FileIO::deleteFile(L"lay:both"));
    EXPECT_EQ(FileErrorCode::READ_ONLY_DEVICE, FileErrorObject::getErrorCode());
    EXPECT_STREQ(L"lay:both", FileErrorObject::ensureRecord().param(1));
    EXPECT_EQ(before, high.calls + low.calls);
    EXPECT_EQ(1u, low.files.count(L"both"));
}

TEST_F(FileSystemCore, NamesIdsDevicesAndMoves) {
    WorkString<> name;
    FileIFC* core = FileIFC::getInstance();
    core->makeUniqueName(L"undo", &name);
    const std::wstring pid = std::to_wstring(::GetCurrentProcessId());
    EXPECT_EQ(L"undo-" + pid + L"-1", name.str());
    core->makeUniqueName(L"undo", &name);
    EXPECT_EQ(L"undo-" + pid + L"-2", name.str());

    FileDeviceWin32 native(nullptr, true);
    MemoryFileDevice memory;
    ASSERT_TRUE(FileIO::attachDevice(L"__winfs", &native, 0));
    ASSERT_TRUE(FileIO::attachDevice(L"memdev", &memory, 0));
    EXPECT_EQ(0u, core->compareDevices(L"C:\\a", L"c:\\b"));
    EXPECT_EQ(FileErrorCode::DIFFERENT_DEVICES, core->compareDevices(L"C:\\a", L"D:\\b"));
    EXPECT_EQ(FileErrorCode::DIFFERENT_DEVICES, FileErrorObject::getErrorCode());
    EXPECT_EQ(FileErrorCode::DIFFERENT_DEVICES, core->compareDevices(L"C:\\a", L"memdev:b"));
    EXPECT_EQ(FileErrorCode::UNKNOWN_DEVICE, core->compareDevices(L"C:\\a", L"nodev:b"));

    tessel_test::LogCapture log;
    EXPECT_FALSE(core->move(L"memdev:a", L"C:\\b"));
    EXPECT_EQ(FileErrorCode::INTERNAL_ERROR, FileErrorObject::getErrorCode());
    EXPECT_EQ(1u, log.lines().size());
    memory.files[L"a"] = "data";
    EXPECT_FALSE(FileIO::move(L"memdev:a", L"C:\\b"));
    EXPECT_EQ(FileErrorCode::MOVE_FILE_ACROSS_DEVICES, FileErrorObject::getErrorCode());
    EXPECT_EQ(1u, memory.files.count(L"a"));
    EXPECT_EQ(0xFFFFFFFFu, FileIO::getPathHash(L"nodev:x"));
    EXPECT_EQ(0x00000000FFFFFFFFull, FileIO::getPathHash64(L"nodev:x"));
}

#include "pel/files/file_io/FileBuffer.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"

#include "support/LogCapture.h"
#include "support/MemoryFileDevice.h"
#include "support/TempFolder.h"
#include "FileContents.h"

#include <gtest/gtest.h>

#include <random>

using namespace pel;
using tessel_test::MemoryFileDevice;

namespace {

FileBuffer* bufferOver(MemoryFileDevice& device, const wchar_t* name, uint32_t mode, FileBuffer::Parameters parameters = {}) {
    tessel_test::MemoryFile* inferior = new tessel_test::MemoryFile(&device, device.files[name], name);
    ++device.openFiles;
    return new FileBuffer(inferior, mode, parameters);
}

} // namespace

TEST(FileBuffer, MatchesAPlainModelAcrossWindows) {
    MemoryFileDevice device;
    device.files[L"f"] = std::string(30000, 'o');
    std::string model = device.files[L"f"];
    FileBuffer* buffer = bufferOver(device, L"f", FILE_MODE_READ_WRITE, {4096, 16, 512});
    ASSERT_TRUE(buffer->isValid());
    std::mt19937 random(7);
    int64_t position = 0;
    for (int step = 0; step < 3000; ++step) {
        const uint32_t count = random() % 9000;
        const uint32_t kind = random() % 3;
        if (kind == 0) {
            const int origin = static_cast<int>(random() % 3);
            const int64_t base = origin == FILE_SEEK_END ? static_cast<int64_t>(model.size()) : origin == FILE_SEEK_CURRENT ? position : 0;
            const int64_t offset = static_cast<int64_t>(random() % (model.size() + 200)) - base - 100;
            const int64_t target = base + offset;
            const bool inside = target >= 0 && target <= static_cast<int64_t>(model.size());
            ASSERT_EQ(inside ? target : -1, buffer->seek(origin, offset)) << step;
            position = inside ? target : position;
        } else if (kind == 1) {
            std::string bytes(count, '\0');
            const int32_t n = buffer->read(&bytes[0], count);
            const size_t expected = std::min<size_t>(count, model.size() - static_cast<size_t>(position));
            ASSERT_EQ(static_cast<int32_t>(expected), n) << step;
            ASSERT_EQ(model.substr(static_cast<size_t>(position), expected), bytes.substr(0, expected)) << step;
            position += n;
        } else {
            std::string bytes(count, static_cast<char>('a' + step % 26));
            ASSERT_EQ(static_cast<int32_t>(count), buffer->write(bytes.data(), count)) << step;
            if (model.size() < static_cast<size_t>(position) + count)
                model.resize(static_cast<size_t>(position) + count);
            model.replace(static_cast<size_t>(position), count, bytes);
            position += count;
        }
        ASSERT_EQ(position, buffer->tell());
        ASSERT_EQ(static_cast<int64_t>(model.size()), buffer->getSize());
    }
    EXPECT_TRUE(FileIO::closeFile(buffer));
    EXPECT_EQ(0, device.openFiles);
    EXPECT_TRUE(model == device.files[L"f"]);
}

TEST(FileBuffer, SeeksStayInsideTheFile) {
    tessel_test::LogCapture log;
    MemoryFileDevice device;
    device.files[L"ten"] = "0123456789";
    FileBuffer* buffer = bufferOver(device, L"ten", FILE_MODE_READ_WRITE);
    EXPECT_EQ(10, buffer->seek(FILE_SEEK_BEGIN, 10));
    EXPECT_EQ(-1, buffer->seek(FILE_SEEK_BEGIN, 11));
    EXPECT_EQ(-1, buffer->seek(FILE_SEEK_END, 1));
    EXPECT_EQ(-1, buffer->seek(FILE_SEEK_END, -11));
    EXPECT_EQ(0, buffer->seek(FILE_SEEK_END, -10));
    EXPECT_EQ(-1, buffer->seek(FILE_SEEK_CURRENT, -1));
    EXPECT_EQ(5, buffer->seek(7, 5)); // any other origin: the offset itself
    EXPECT_EQ(-1, buffer->seek(7, 20));
    EXPECT_EQ(5, buffer->tell());
    EXPECT_EQ(5u, log.lines().size());
    EXPECT_EQ(L"FileBuffer: Seek position is out of range\n", log.lines()[0].text);
    EXPECT_TRUE(FileIO::closeFile(buffer));

    // Among them sizes whose window would wrap the address space with its alignment.
    const FileBuffer::Parameters wrong[] = {{32768, 24, 2048},          {32768, 16, 3},
                                            {1024, 16, 2048},           {0, 16, 0},
                                            {4294967290u, 16, 2048},    {FileBuffer::MAX_BUFFER_SIZE + 1, 16, 2048},
                                            {32768, 0x80000000u, 2048}};
    for (const FileBuffer::Parameters& parameters : wrong) {
        tessel_test::MemoryFile inferior(&device, device.files[L"ten"], L"ten");
        FileBuffer invalid(&inferior, FILE_MODE_READ, parameters); // leaves the inferior to the caller
        EXPECT_FALSE(invalid.isValid());
        EXPECT_EQ(FileErrorCode::WRONG_DEVICE_PARAMETER, FileErrorObject::getErrorCode());
        EXPECT_STREQ(L"ten", FileErrorObject::ensureRecord().param(1));
    }
    FileBuffer* large = bufferOver(device, L"ten", FILE_MODE_READ, {65536, 16, 2048});
    EXPECT_TRUE(large->isValid());
    FileIO::closeFile(large);
}

TEST(FileBuffer, AppendAddsOnlyWhatIsWritten) {
    tessel_test::TempFolder folder;
    FileDeviceWin32 device(folder.path.c_str(), false);
    FileIO::attachDevice(L"fb", &device, 0);
    const std::string original(100, 'o');
    ASSERT_TRUE(tessel_test::putFile(L"fb:log", original));
    File* file = FileIO::openFile(L"fb[2048]:log", FILE_MODE_APPEND); // windows smaller than what is written
    ASSERT_NE(nullptr, dynamic_cast<FileBuffer*>(file));
    EXPECT_EQ(100, file->getSize());
    EXPECT_EQ(3, file->write("XYZ", 3));
    EXPECT_EQ(103, file->seek(FILE_SEEK_BEGIN, 0)); // seeks do not move an appending file
    EXPECT_TRUE(file->flush());
    const std::string more(5000, 'm');
    EXPECT_EQ(5000, file->write(more.data(), 5000));
    EXPECT_EQ(5103, file->getSize());
    EXPECT_TRUE(FileIO::closeFile(file));
    EXPECT_EQ(original + "XYZ" + more, tessel_test::getFile(L"fb:log"));
    FileIO::release();
}

TEST(FileBuffer, AFailedWriteReachesTheCaller) {
    for (const uint32_t call : {1000u, 100000u}) { // through the window, and straight past it
        MemoryFileDevice device;
        device.writeLimit = 40000;
        FileBuffer* buffer = bufferOver(device, L"full", FILE_MODE_WRITE);
        const std::string data(call, 'd');
        int64_t accepted = 0;
        for (int32_t n = 0; accepted < 100000 && (n = buffer->write(data.data(), call)) == static_cast<int32_t>(call);)
            accepted += n;
        EXPECT_LT(accepted, 100000) << call;
        EXPECT_FALSE(buffer->flush());
        EXPECT_EQ(static_cast<uint32_t>(ERROR_DISK_FULL), FileErrorObject::getErrorCode());
        EXPECT_STREQ(L"full", FileErrorObject::ensureRecord().param(1));
        EXPECT_FALSE(FileIO::closeFile(buffer));
        EXPECT_EQ(static_cast<uint32_t>(ERROR_DISK_FULL), FileErrorObject::getErrorCode());
        EXPECT_EQ(0, device.openFiles);
    }
}

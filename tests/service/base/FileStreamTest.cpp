#include "service/base/FileStream.h"

#include "pel/files/file_io/FileIO.h"
#include "support/MemoryFileDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tessel;

TEST(FileStream, ReadsInChunksUntilAShortOneAndLeavesTheFileOpen) {
    tessel_test::MemoryFileDevice device;
    pel::FileIO::attachDevice(L"memory", &device, 0);
    std::string content(20000, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    device.files[L"f"] = content;

    pel::File* file = pel::FileIO::openFile(L"memory:f", pel::FILE_MODE_READ_WRITE);
    ASSERT_NE(nullptr, file);
    {
        FileStream stream(file);
        std::vector<char> buffer(30000);
        EXPECT_EQ(20000u, stream.read(buffer.data(), 30000));
        EXPECT_EQ(content, std::string(buffer.data(), 20000));
        EXPECT_EQ((std::vector<uint32_t>{8192, 8192, 8192}), device.reads); // the third came back short
        EXPECT_EQ(0u, stream.read(buffer.data(), 10));
        EXPECT_EQ(3u, stream.write("end", 3));
    }
    EXPECT_EQ(1, device.openFiles); // the stream never closes its file
    EXPECT_EQ(content + "end", device.files[L"f"]);
    pel::FileIO::closeFile(file);
    device.writeLimit = device.written;
    file = pel::FileIO::openFile(L"memory:f", pel::FILE_MODE_APPEND);
    EXPECT_EQ(0u, FileStream(file).write("x", 1)); // a write the file refuses moves nothing
    pel::FileIO::closeFile(file);
    pel::FileIO::release();
}

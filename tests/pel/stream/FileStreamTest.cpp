#include "StreamTestSupport.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileException.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/stream/FileStream.h"

#include "support/MemoryFileDevice.h"
#include "support/TempFolder.h"

#include <fstream>
#include <iterator>

using namespace pel;
using tessel_test::thrown;
using tessel_test::pattern;

namespace {

class FileStreams : public testing::Test {
protected:
    FileStreams() : disk(folder.path.c_str(), false) {
        FileIO::attachDevice(L"memdev", &memory, 0);
        FileIO::attachDevice(L"disk", &disk, 0);
    }
    ~FileStreams() override { FileIO::release(); }

    tessel_test::TempFolder folder;
    tessel_test::MemoryFileDevice memory;
    FileDeviceWin32 disk;
};

} // namespace

TEST_F(FileStreams, ReadInDeviceBlocksAndTellTheCallersPosition) {
    memory.files[L"ten"] = pattern(10000);
    FileInputStream in(L"memdev:ten");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(pattern(10000), all);
    EXPECT_EQ((std::vector<uint32_t>{4092, 4092, 4092, 4092}), memory.reads);

    FileInputStream again(L"memdev:ten");
    std::string head(4094, '\0');
    again.read(&head[0], 4094); // two characters into the second block
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(again.unget()) << i;
    EXPECT_EQ(4090, again.tellg()); // not the device's position after the read-ahead
    EXPECT_EQ(pattern(10000)[4090], static_cast<char>(again.get()));
}

TEST_F(FileStreams, AppendWritesAtTheEndEvenAfterASeek) {
    FileOutputStream(L"disk:log") << "start";
    FileOutputStream out(L"disk:log", std::ios_base::app);
    const std::string block(5000, 'a');
    out << block;
    out.seekp(0);
    out << "X";
    out.close();
    EXPECT_TRUE(out.good());
    FileInputStream in(L"disk:log");
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ("start" + block + "X", content);

    FileStream both(L"disk:log", std::ios_base::in | std::ios_base::out | std::ios_base::trunc);
    both << "hello world";
    both.seekg(6);
    std::string word;
    both >> word;
    EXPECT_EQ("world", word);
}

TEST_F(FileStreams, AFailedLastBlockMakesCloseFail) {
    memory.writeLimit = 9000;
    FileOutputStream out(L"memdev:out");
    const std::string data = pattern(10000);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    EXPECT_TRUE(out.good()); // two blocks went out, the rest waits in the buffer
    out.close();
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(static_cast<uint32_t>(ERROR_DISK_FULL), FileErrorObject::getErrorCode());
    EXPECT_EQ(0, memory.openFiles);
    EXPECT_EQ(data.substr(0, 9000), memory.files[L"out"]);

    EXPECT_EQ(L"", thrown<FileNotFoundException>([] { FileInputStream in(L"memdev:missing"); }));
    EXPECT_EQ(L"Invalid call. Please check your parameters.",
              thrown<FileException>([] { FileInputStream in(L""); }));
    FileStream empty(L"disk:empty", std::ios_base::in | std::ios_base::out | std::ios_base::trunc);
    empty.seekg(1); // past the end of the file: the seek throws inside the stream
    EXPECT_TRUE(empty.bad());
}

TEST_F(FileStreams, FlushWritesThroughTheDevicesFileBuffer) {
    // The native device buffers its files: a flush must reach the file itself, where any
    // other reader (or the disk, should the process end now) sees it.
    const auto onDisk = [this] {
        std::ifstream in((folder / L"flushed").c_str(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    FileOutputStream out(L"disk:flushed");
    out << "first line\n";
    EXPECT_EQ("", onDisk()); // still in the stream's buffer
    out.flush();
    EXPECT_TRUE(out.good());
    EXPECT_EQ("first line\n", onDisk());
    out << "second";
    out.flush();
    EXPECT_EQ("first line\nsecond", onDisk());
}

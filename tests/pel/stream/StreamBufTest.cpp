#include "StreamTestSupport.h"

#include "pel/stream/TBasicBufferedBidirectionalStreamBuf.h"
#include "pel/stream/TBasicBufferedStreamBuf.h"

using namespace pel;
using tessel_test::pattern;

namespace {
using TwoAreaDevice = tessel_test::MemoryDevice<BufferedBidirectionalStreamBuf>;
using OneAreaDevice = tessel_test::MemoryDevice<BufferedStreamBuf>;
} // namespace

TEST(BufferedStreamBuf, ReadsInDeviceBlocksAndPutsBackAcrossARefill) {
    const std::string data = pattern(10000);
    TwoAreaDevice device(4096, std::ios_base::in, data);
    std::istream stream(&device);
    std::string first(4092, '\0'), rest(10000 - 4088, '\0');
    stream.read(&first[0], 4092);
    EXPECT_EQ(data[4092], static_cast<char>(stream.get())); // the second fill
    for (int i = 0; i < 5; ++i) // this character and the last four of the first fill
        ASSERT_TRUE(stream.unget()) << i;
    EXPECT_FALSE(stream.unget());
    stream.clear();
    stream.read(&rest[0], static_cast<std::streamsize>(rest.size()));
    EXPECT_EQ(data.substr(4088), rest);
    EXPECT_EQ(EOF, stream.get());
    EXPECT_EQ((std::vector<int>{4092, 4092, 4092, 4092}), device.reads);
    stream.clear();
    ASSERT_TRUE(stream.unget()) << "the end of input keeps the put-back characters";
    EXPECT_EQ(data.back(), static_cast<char>(stream.get()));
}

TEST(BufferedStreamBuf, WritesWholeBuffersAndKeepsWhatTheDeviceRefused) {
    const std::string data = pattern(10000);
    TwoAreaDevice device(4096, std::ios_base::out);
    std::ostream stream(&device);
    stream.write(data.data(), 10000);
    EXPECT_EQ((std::vector<int>{4096, 4096}), device.writes); // the overflow character fills the last place
    ASSERT_TRUE(stream.flush());
    EXPECT_EQ(data, device.output);

    // The device takes part of the last block: the final flush, as a close makes it, fails.
    TwoAreaDevice atClose(4096, std::ios_base::out);
    atClose.writeLimit = 9000;
    std::ostream out(&atClose);
    ASSERT_TRUE(out.write(data.data(), 10000));
    EXPECT_FALSE(out.flush());
    EXPECT_EQ(-1, atClose.pubsync());
    atClose.writeLimit = SIZE_MAX; // what it refused goes out once, nothing twice
    EXPECT_EQ(0, atClose.pubsync());
    EXPECT_EQ(data, atClose.output);

    // The device fails in an overflow: the stream goes bad, the overflow character is not kept.
    OneAreaDevice midway(4096, std::ios_base::out);
    midway.writeLimit = 5000;
    std::ostream early(&midway);
    EXPECT_TRUE(early.write(data.data(), 10000).bad());
    midway.writeLimit = SIZE_MAX;
    EXPECT_EQ(0, midway.pubsync());
    EXPECT_EQ(data.substr(0, 8191), midway.output);
}

TEST(BufferedStreamBuf, ADirectionOutsideTheModeFails) {
    OneAreaDevice reader(16, std::ios_base::in, "0123456789");
    std::istream in(&reader);
    std::ostream out(&reader);
    EXPECT_EQ('0', in.get());
    EXPECT_TRUE(out.write("abcdefgh", 8).bad());
    EXPECT_TRUE(reader.writes.empty());
    EXPECT_EQ('1', in.get()) << "a refused write leaves the read-ahead sharing its buffer alone";
}

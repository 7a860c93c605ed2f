#include "StreamTestSupport.h"

#include "pel/base/Exception.h"
#include "pel/base/Random.h"
#include "pel/stream/CountingStream.h"
#include "pel/stream/NullStream.h"
#include "pel/stream/RandomStream.h"
#include "pel/stream/StreamCopier.h"

#include <set>

using namespace pel;
using tessel_test::MemoryDevice;
using tessel_test::pattern;

namespace {
// "characters line position"
std::string counts(CountingIOS& s) {
    return std::to_string(s.chars()) + ' ' + std::to_string(s.lines()) + ' ' + std::to_string(s.pos());
}
} // namespace

TEST(NullStream, ReadsNothingAndSwallowsEverything) {
    NullInputStream in;
    EXPECT_EQ(EOF, in.get());
    NullOutputStream out;
    const std::string block(1 << 22, 'x');
    EXPECT_TRUE(out.write(block.data(), static_cast<std::streamsize>(block.size())) << 42 << std::endl);
}

TEST(CountingStream, CountsCharactersLinesAndPosition) {
    std::istringstream source("ab\ncd");
    CountingInputStream in(source);
    EXPECT_EQ("0 0 0", counts(in)); // line 0 before any character
    EXPECT_EQ('a', in.peek());
    EXPECT_EQ('a', in.get());
    EXPECT_EQ('b', in.get());
    ASSERT_TRUE(in.unget()); // a character given back is not counted again
    std::string rest;
    std::getline(in, rest, '\0');
    EXPECT_EQ("b\ncd", rest);
    EXPECT_EQ("5 2 2", counts(in));

    std::ostringstream sink;
    CountingOutputStream out(sink);
    out << "one\ntwo\n";
    EXPECT_EQ("one\ntwo\n", sink.str());
    EXPECT_EQ("8 2 0", counts(out)); // a line ended by LF stays current until the next character
    out.reset();
    out << "ab";
    out.setCurrentLineNumber(10); // renumbers the line under way
    out << "c\nd";
    EXPECT_EQ("5 11 1", counts(out));
    EXPECT_EQ(11, out.getCurrentLineNumber());

    CountingOutputStream alone; // counts what is written to it, reads nothing
    alone << "a\nb";
    EXPECT_EQ("3 2 1", counts(alone));
    EXPECT_EQ(EOF, std::istream(alone.rdbuf()).get());

    MemoryDevice<BufferedStreamBuf> device(8, std::ios_base::out);
    device.writeLimit = 0;
    std::ostream failing(&device);
    CountingOutputStream over(failing);
    over << "0123456789"; // the stream below fails at its eighth byte
    EXPECT_TRUE(over.bad());
    EXPECT_EQ(7, over.chars());
}

TEST(RandomStream, GivesEveryByteValueAndSeedsGeneratorsApart) {
    RandomInputStream stream, other;
    std::string first(65536, '\0'), second(64, '\0'), third(64, '\0');
    ASSERT_EQ(65536, stream.read(&first[0], 65536).gcount());
    EXPECT_EQ(256u, std::set<char>(first.begin(), first.end()).size());
    stream.read(&second[0], 64);
    other.read(&third[0], 64);
    EXPECT_EQ(std::string::npos, first.find(second));
    EXPECT_NE(second, third);
    for (int size : {8, 32, 256}) {
        Random a(size), b(size);
        a.seed();
        b.seed();
        EXPECT_FALSE(a.next() == b.next() && a.next() == b.next()) << size;
    }
}

TEST(StreamCopier, CopiesAcrossBlocksCountsTheBytesAndStopsAtAFailingOutput) {
    const std::string data = pattern(100000);
    std::istringstream in(data), again(data), once(data.substr(0, 5000)), empty;
    std::ostringstream out, byteWise, none;
    EXPECT_EQ(100000, StreamCopier::copyStream(in, out, 4096));
    EXPECT_EQ(data, out.str());
    std::string text = "head:";
    EXPECT_EQ(100000, StreamCopier::copyToString(again, text, 333));
    EXPECT_EQ("head:" + data, text);
    EXPECT_EQ(5000, StreamCopier::copyStreamUnbuffered(once, byteWise));
    EXPECT_EQ(data.substr(0, 5000), byteWise.str());
    EXPECT_EQ(0, StreamCopier::copyStream(empty, none, 16));
    EXPECT_THROW(StreamCopier::copyStream(in, out, 0), AssertionViolationException);

    MemoryDevice<BufferedStreamBuf> device(1024, std::ios_base::out);
    device.writeLimit = 3000;
    std::ostream failing(&device);
    std::istringstream source(data);
    const int64_t copied = StreamCopier::copyStream(source, failing, 1000);
    EXPECT_TRUE(failing.bad());
    EXPECT_TRUE(copied >= 3000 && copied < 4000) << copied;
}

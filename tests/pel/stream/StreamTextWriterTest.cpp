#include "StreamTestSupport.h"

#include "pel/base/Exception.h"
#include "pel/stream/TBasicBufferedStreamBuf.h"
#include "support/LogCapture.h"

using namespace pel;
using tessel_test::encoding;

namespace {
using FailingDevice = tessel_test::MemoryDevice<BufferedStreamBuf>;
}

TEST(StreamTextWriter, WritesNoMarkAndEndsLinesAsChosen) {
    std::ostringstream utf8, utf16;
    StreamTextWriter writer(utf8, encoding(L"UTF-8"));
    EXPECT_EQ(1, writer.write(L'\u00E9'));
    EXPECT_EQ("\xC3\xA9", utf8.str()) << "every write call reaches the stream";
    StreamTextWriter defaults(utf16); // UTF-16LE, CR LF
    EXPECT_EQ(2, defaults.write(std::wstring(L"AB")));
    EXPECT_EQ(3, defaults.writeLine(L"x"));
    EXPECT_EQ(std::string("A\0B\0x\0\r\0\n\0", 10), utf16.str());
    const std::pair<int, std::string> endings[] = {{LineEnding::LF, "a\n"}, {LineEnding::CR, "a\r"}};
    for (const auto& [ending, written] : endings) {
        std::ostringstream out;
        EXPECT_EQ(2, StreamTextWriter(out, encoding(L"UTF-8"), ending).writeLine(std::wstring(L"a")));
        EXPECT_EQ(written, out.str());
    }
    std::ostringstream out;
    EXPECT_THROW(StreamTextWriter(out, encoding(L"UTF-8"), 3).writeLine(L"a"), IllegalStateException); // not reached
    EXPECT_THROW(StreamTextWriter(out, nullptr), NullPointerException);
}

TEST(StreamTextWriter, ASurrogatePairSplitAcrossCallsNeverOverflowsTheByteBuffer) {
    std::ostringstream out;
    StreamTextWriter writer(out, encoding(L"UTF-8"));
    writer.write(static_cast<wchar_t>(0xD83D));
    EXPECT_EQ("", out.str()) << "the high surrogate waits for its partner";
    // The completed pair (4 bytes) and 127 three-byte units: one byte more than 3 x 128.
    EXPECT_EQ(128, writer.write(std::wstring(1, static_cast<wchar_t>(0xDE00)) + std::wstring(127, L'\u4E2D')));
    std::string expected = "\xF0\x9F\x98\x80";
    for (int i = 0; i < 127; ++i)
        expected += "\xE4\xB8\xAD";
    EXPECT_EQ(expected, out.str());
}

TEST(StreamTextWriter, ClosedWritersRefuseWorkAndDestroyQuietly) {
    std::ostringstream out;
    auto writer = std::make_unique<StreamTextWriter>(out, encoding(L"UTF-8"));
    writer->write(L"a\xD83D", 2);
    writer->close();
    EXPECT_EQ("a\xEF\xBF\xBD", out.str()) << "closing ends a waiting high surrogate";
    EXPECT_EQ(0, writer->write(nullptr, 5)) << "a null text takes nothing, even when closed";
    EXPECT_EQ(L"stream is closed", tessel_test::thrown<IllegalStateException>([&] { writer->write(L'c'); }));
    EXPECT_THROW(writer->writeLine(L"cd"), IllegalStateException);
    EXPECT_THROW(writer->close(), IllegalStateException);
    EXPECT_NO_THROW(writer.reset());
}

TEST(StreamTextWriter, AFailingStreamIsReportedAndTheDestructorThrowsNothing) {
    FailingDevice device(64, std::ios_base::out);
    device.writeLimit = 10;
    std::ostream stream(&device);
    StreamTextWriter failing(stream, encoding(L"UTF-8"));
    failing.write(L"12345");
    EXPECT_TRUE(stream.good());
    failing.write(L"67890abc");
    EXPECT_TRUE(stream.bad());
    EXPECT_EQ("1234567890", device.output);

    // A stream that throws on failure: write calls pass it on, the destructor swallows it.
    tessel_test::LogCapture log;
    FailingDevice throwingDevice(64, std::ios_base::out);
    throwingDevice.writeLimit = 4;
    std::ostream throwing(&throwingDevice);
    throwing.exceptions(std::ios_base::badbit);
    auto writer = std::make_unique<StreamTextWriter>(throwing);
    writer->write(L"AB");
    writer->write(static_cast<wchar_t>(0xD800)); // waits in the converter
    EXPECT_NO_THROW(writer.reset()); // closing writes its substitute, which the stream refuses
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_NE(std::wstring::npos, log.lines()[0].text.find(L"StreamTextWriter::~StreamTextWriter()"));

    // A final conversion that fails: the converter stops at a lone surrogate.
    std::ostringstream out;
    std::shared_ptr<TextEncoding> strict = encoding(L"UTF-8");
    UErrorCode error = U_ZERO_ERROR;
    ucnv_setFromUCallBack(strict->converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    writer = std::make_unique<StreamTextWriter>(out, strict);
    writer->write(L"ok\xD800", 3);
    EXPECT_NO_THROW(writer.reset());
    EXPECT_EQ("ok", out.str());
}

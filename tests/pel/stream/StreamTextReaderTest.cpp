#include "StreamTestSupport.h"

#include "pel/base/Exception.h"
#include "pel/stream/StreamTextReader.h"

#include <gtest/gtest.h>

using namespace pel;
using tessel_test::bytes;
using tessel_test::encoding;
using tessel_test::readText;

namespace {
std::vector<std::wstring> lines(const std::string& data, const wchar_t* name) {
    std::istringstream stream(data);
    StreamTextReader reader(stream, encoding(name));
    std::vector<std::wstring> result;
    for (std::wstring line; reader.readLine(line) >= 0; line.clear())
        result.push_back(line);
    return result;
}
} // namespace

TEST(StreamTextReader, DetectsEachByteOrderMarkAndElseReadsUtf8) {
    const std::pair<std::string, std::wstring> cases[] = {
        {bytes({0xEF, 0xBB, 0xBF, 0x41}), L"A"},
        {bytes({0xFF, 0xFE, 0x41, 0x00}), L"A"},
        {bytes({0xFE, 0xFF, 0x00, 0x41}), L"A"},
        {bytes({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00}), L"A"},
        {bytes({0x00, 0x00, 0xFE, 0xFF, 0x00, 0x00, 0x00, 0x41}), L"A"},
        {"ABC", L"ABC"},
        {bytes({0xC5, 0xBE, 0x6C, 0x75}), L"\u017Elu"},
        {bytes({0xFF, 0xFE, 0x41}), L"\uFFFD"}, // UTF-16LE cut short
        // Too short to hold a mark: UTF-8.
        {"", L""}, {"x", L"x"}, {"xy", L"xy"}, {bytes({0xC3, 0xA9}), L"\u00E9"}, {bytes({0xEF, 0xBB}), L"\uFFFD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, readText(c.first, nullptr)) << testing::PrintToString(c.first);
    // An explicit encoding looks for no mark.
    EXPECT_EQ(L"\uFEFFA", readText(bytes({0xEF, 0xBB, 0xBF, 0x41}), encoding(L"UTF-8")));
    std::istringstream stream(bytes({0x41, 0x00, 0x42, 0x00}));
    std::wstring text;
    EXPECT_EQ(2, StreamTextReader(stream).readToEnd(text)); // UTF-16LE by default
    EXPECT_EQ(L"AB", text);
}

TEST(StreamTextReader, SplitsLinesAtCrLfAndCrLfAlsoAcrossChunks) {
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c", L"", L"d", L"", L"e"}), lines("a\r\nb\rc\n\nd\n\re", L"UTF-8"));
    // The CR ends the first 1024-byte chunk, the LF starts the next.
    const std::wstring text = std::wstring(511, L'x') + L"\r\nnext";
    EXPECT_EQ((std::vector<std::wstring>{std::wstring(511, L'x'), L"next"}),
              lines(std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2), L"UTF-16LE"));
    EXPECT_EQ((std::vector<std::wstring>{std::wstring(1023, L'y'), std::wstring(5000, L'z')}),
              lines(std::string(1023, 'y') + "\r\n" + std::string(5000, 'z'), L"UTF-8"));

    std::istringstream stream("one\ntwo");
    StreamTextReader reader(stream, encoding(L"UTF-8"));
    std::wstring line = L">";
    EXPECT_EQ(4, reader.readLine(line)); // appends to the caller's text
    EXPECT_EQ(7, reader.readLine(line));
    EXPECT_EQ(-1, reader.readLine(line));
    EXPECT_EQ(L">onetwo", line);
}

TEST(StreamTextReader, PeekReadAndReadToEnd) {
    std::istringstream stream("A\xE2\x82\xAC\xF0\x9F\x98\x80\nrest");
    StreamTextReader reader(stream, encoding(L"UTF-8"));
    EXPECT_EQ(0x41, reader.peek());
    EXPECT_EQ(0x41, reader.peek());
    EXPECT_EQ(0x41, reader.read());
    EXPECT_EQ(0x20AC, reader.peek());
    EXPECT_EQ(0x20AC, reader.read());
    EXPECT_EQ(0xD83D, reader.read()); // units 0..65535, never negative
    std::wstring line;
    reader.readLine(line);
    EXPECT_EQ(L"\xDE00", line);
    std::wstring rest = L"old";
    EXPECT_EQ(4, reader.readToEnd(rest));
    EXPECT_EQ(L"rest", rest);
    EXPECT_EQ(-1, reader.peek());
    EXPECT_EQ(-1, reader.read());
    EXPECT_EQ(0, reader.readToEnd(rest));
}

TEST(StreamTextReader, ChecksArgumentsAndRefusesWorkOnceClosed) {
    std::istringstream stream("abc");
    StreamTextReader reader(stream, encoding(L"UTF-8"));
    wchar_t buffer[8];
    std::wstring text;
    EXPECT_EQ(0, reader.read(buffer, 0));
    tessel_test::expectThrow<NullPointerException>([&] { reader.read(nullptr, 5); }, L"buffer");
    tessel_test::expectThrow<RangeException>([&] { reader.read(buffer, -1); }, L"count");
    reader.close();
    tessel_test::expectThrow<IllegalStateException>([&] { reader.peek(); }, L"stream is closed");
    EXPECT_THROW(reader.read(), IllegalStateException);
    EXPECT_THROW(reader.read(buffer, 4), IllegalStateException);
    EXPECT_THROW(reader.readLine(text), IllegalStateException);
    EXPECT_THROW(reader.readToEnd(text), IllegalStateException);
    EXPECT_THROW(reader.close(), IllegalStateException);
    EXPECT_EQ('a', stream.get()) << "the stream is neither closed nor read";
}

TEST(StreamTextReader, CharactersSplitOrCutOffAtChunkBoundaries) {
    EXPECT_EQ(std::wstring(1023, L'a') + L"\u20ACb", readText(std::string(1023, 'a') + "\xE2\x82\xAC" "b", encoding(L"UTF-8")));
    // The stream ends exactly at the end of a chunk inside a four-byte sequence.
    for (size_t size : {1024u, 2048u}) {
        const std::string data = std::string(size - 3, 'a') + "\xF0\x9F\x98";
        EXPECT_EQ(std::wstring(size - 3, L'a') + L"\uFFFD", readText(data, encoding(L"UTF-8"))) << size;
        EXPECT_EQ(std::wstring(size - 3, L'a') + L"\uFFFD", readText(data, nullptr)) << size;
    }
    // A stream that throws at its end simply ends the text.
    std::istringstream throwing(std::string(1500, 'z'));
    throwing.exceptions(std::ios_base::failbit | std::ios_base::badbit);
    std::wstring text;
    EXPECT_EQ(1500, StreamTextReader(throwing, encoding(L"UTF-8")).readToEnd(text));
}

TEST(StreamTextReader, MoreUnitsThanAChunkHoldsAreNotLost) {
    // Three bytes of an emoji end the first chunk; the next holds its last byte and 1023 ASCII
    // bytes: 2 + 1023 units, one more than the unit buffer holds.
    const std::string data = std::string(1021, 'a') + "\xF0\x9F\x98\x80" + std::string(1023, 'b') + "c";
    const std::wstring expected = std::wstring(1021, L'a') + L"\U0001F600" + std::wstring(1023, L'b') + L"c";
    for (int size : {0, 1, 1000, 1024, 1025, 4000}) // direct decoding into the caller's buffer too
        EXPECT_EQ(expected, readText(data, encoding(L"UTF-8"), size)) << size;
}

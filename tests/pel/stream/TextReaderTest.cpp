#include "StreamTestSupport.h"

#include "pel/base/Exception.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/stream/String16StreamBuf.h"
#include "pel/stream/WideStringTextReader.h"
#include "pel/value/Value.h"

#include <memory>

using namespace pel;
using namespace tessel_test;

namespace {

// The same units through every reader: as they are, as UTF-16LE bytes (the stream reader's
// default encoding) copied into a string stream, and as the bytes of the string itself.
struct Readers {
    explicit Readers(const std::wstring& text)
        : units(text), bytes(std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2)), wide(units),
          stream(bytes), inPlace(units), inPlaceStream(&inPlace), string16(inPlaceStream) {}
    const char* name(const TextReader* reader) const {
        return reader == &wide ? "WideStringTextReader" : reader == &stream ? "StreamTextReader" : "String16StreamBuf";
    }
    std::wstring units;
    std::istringstream bytes;
    WideStringTextReader wide;
    StreamTextReader stream;
    String16StreamBuf inPlace;
    std::istream inPlaceStream;
    StreamTextReader string16;
    TextReader* const all[3] = {&wide, &stream, &string16};
};

} // namespace

TEST(TextReaders, UnitsBlocksAndTheEnd) {
    Readers readers(L"a\xFFFF\xD83D\xDE00" L"bcd");
    for (TextReader* reader : readers.all) {
        SCOPED_TRACE(readers.name(reader));
        EXPECT_EQ(L'a', reader->peek());
        EXPECT_EQ(L'a', reader->peek());
        EXPECT_EQ(L'a', reader->read());
        EXPECT_EQ(0xFFFF, reader->read()); // never mistaken for the end
        EXPECT_EQ(0xD83D, reader->peek()); // units 0..65535, never negative
        wchar_t buffer[8] = {};
        EXPECT_EQ(0, reader->read(buffer, 0));
        EXPECT_EQ(L"buffer", thrown<NullPointerException>([&] { reader->read(nullptr, 5); }));
        EXPECT_EQ(L"count", thrown<RangeException>([&] { reader->read(buffer, -1); }));
        EXPECT_EQ(2, reader->read(buffer, 2));
        EXPECT_EQ(std::wstring(L"\xD83D\xDE00"), std::wstring(buffer, 2));
        std::wstring rest = L"old";
        EXPECT_EQ(3, reader->readToEnd(rest));
        EXPECT_EQ(L"bcd", rest);
        EXPECT_EQ(-1, reader->peek());
        EXPECT_EQ(-1, reader->read());
        EXPECT_EQ(0, reader->read(buffer, 8));
        EXPECT_EQ(0, reader->readToEnd(rest));
    }
}

TEST(TextReaders, LinesEndAtCrLfCrOrLf) {
    Readers readers(L"a\r\nb\rc\n\nd\n\re");
    for (TextReader* reader : readers.all) {
        SCOPED_TRACE(readers.name(reader));
        std::wstring line = L">", all;
        EXPECT_EQ(2, reader->readLine(line)); // appended to what the line held
        while (reader->readLine(all) >= 0)
            all += L'|';
        EXPECT_EQ(L"b|c||d||e|", all);
        EXPECT_EQ(-1, reader->readLine(line));
        EXPECT_EQ(L">a", line);
    }
}

TEST(TextReaders, RefuseWorkOnceClosed) {
    Readers readers(L"abc");
    for (TextReader* reader : readers.all) {
        SCOPED_TRACE(readers.name(reader));
        reader->close();
        std::wstring text;
        wchar_t buffer[4];
        EXPECT_EQ(L"stream is closed", thrown<IllegalStateException>([&] { reader->peek(); }));
        EXPECT_THROW(reader->read(), IllegalStateException);
        EXPECT_THROW(reader->read(buffer, 4), IllegalStateException);
        EXPECT_THROW(reader->readLine(text), IllegalStateException);
        EXPECT_THROW(reader->readToEnd(text), IllegalStateException);
    }
    EXPECT_THROW(readers.stream.close(), IllegalStateException);
    EXPECT_EQ('a', readers.bytes.get()) << "the stream is neither closed nor read";
}

TEST(StreamTextReader, DetectsEachByteOrderMarkAndElseReadsUtf8) {
    const std::pair<std::string, std::wstring> cases[] = {
        {"\xEF\xBB\xBF\x41", L"A"},
        {std::string("\xFF\xFE\x41\0", 4), L"A"},
        {std::string("\xFE\xFF\0\x41", 4), L"A"},
        {std::string("\xFF\xFE\0\0\x41\0\0\0", 8), L"A"},
        {std::string("\0\0\xFE\xFF\0\0\0\x41", 8), L"A"},
        {"ABC", L"ABC"},
        {"\xC5\xBElu", L"\u017Elu"},
        {"\xFF\xFE\x41", L"\uFFFD"}, // UTF-16LE cut short
        // Too short to hold a mark: UTF-8.
        {"", L""}, {"x", L"x"}, {"xy", L"xy"}, {"\xC3\xA9", L"\u00E9"}, {"\xEF\xBB", L"\uFFFD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, readText(c.first, nullptr)) << testing::PrintToString(c.first);
    // An explicit encoding looks for no mark.
    EXPECT_EQ(L"\uFEFFA", readText("\xEF\xBB\xBF\x41", encoding(L"UTF-8")));
}

TEST(StreamTextReader, ChunkBoundaries) {
    // A CR ends the first 1024-byte chunk, its LF starts the next.
    const std::wstring crlf = std::wstring(511, L'x') + L"\r\nnext";
    const std::string bytes(reinterpret_cast<const char*>(crlf.data()), crlf.size() * 2);
    EXPECT_EQ(std::wstring(511, L'x') + L"|next|", readText(bytes, encoding(L"UTF-16LE"), BY_LINES));
    EXPECT_EQ(std::wstring(1023, L'y') + L'|' + std::wstring(5000, L'z') + L'|',
              readText(std::string(1023, 'y') + "\r\n" + std::string(5000, 'z'), encoding(L"UTF-8"), BY_LINES));
    // A character split between chunks, and one cut off where the stream ends with a chunk.
    EXPECT_EQ(std::wstring(1023, L'a') + L"\u20ACb",
              readText(std::string(1023, 'a') + "\xE2\x82\xAC" "b", encoding(L"UTF-8")));
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

TEST(TextReaders, AString16StreamBufServesTheStringItself) {
    // Long enough for several of the reader's chunks, with a surrogate pair across each edge.
    std::wstring text = L"{key: 'caf\u00E9', list: [1 2 3], pair: '";
    while (text.size() < 3 * StreamTextReader::CHUNK_BYTES)
        text += L"\U0001F600\u65E5x";
    text += L"'}";
    String16StreamBuf buffer(text);
    std::istream in(&buffer);
    StreamTextReader reader(in);
    std::unique_ptr<Value> value(JasmineReaderHelper::read(&reader));
    std::unique_ptr<Value> direct(JasmineReaderHelper::read(text));
    EXPECT_TRUE(value->equals(*direct));

    // Seeks move inside the string's bytes only; nothing can be written.
    in.clear();
    in.seekg(2);
    EXPECT_EQ('k', in.get());
    in.seekg(0, std::ios_base::end);
    EXPECT_EQ(static_cast<std::streamoff>(text.size() * 2), static_cast<std::streamoff>(in.tellg()));
    in.seekg(1, std::ios_base::end);
    EXPECT_TRUE(in.fail());
    EXPECT_EQ(std::char_traits<char>::eof(), buffer.sputc('x'));
    String16StreamBuf empty(nullptr, 0);
    EXPECT_EQ(std::char_traits<char>::eof(), empty.sgetc());
}

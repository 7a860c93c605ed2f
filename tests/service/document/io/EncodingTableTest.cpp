#include "pel/files/file_io/FileException.h"
#include "service/base/Stream.h"
#include "service/document/io/DocumentEncoding.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

using namespace tessel;

TEST(EncodingTableTest, NamesAndTitlesOfEveryCode) {
    const struct {
        uint32_t code;
        const wchar_t* config;
        const wchar_t* title;
    } table[] = {
        {0, L"ANSI", L"ANSI"},
        {65001, L"UTF-8", L"UTF-8"},
        {0x8000FDE9, L"UTF-8-PLAIN", L"UTF-8 Plain"},
        {1200, L"UTF-16-LE", L"UTF-16 LE"},
        {1201, L"UTF-16-BE", L"UTF-16 BE"},
        {0x800004B0, L"UTF-32-LE", L"UTF-32 LE"},
        {0x800004B1, L"UTF-32-BE", L"UTF-32 BE"},
    };
    ASSERT_EQ(std::size(table), encoding_table().size());
    for (size_t i = 0; i < std::size(table); ++i) {
        EXPECT_EQ(table[i].code, encoding_table()[i].code) << i;
        EXPECT_STREQ(table[i].config, encoding_config_name(table[i].code));
        EXPECT_STREQ(table[i].title, encoding_title(table[i].code));
        EXPECT_EQ(table[i].code, encoding_from_config_name(table[i].config));
    }
    EXPECT_EQ(1201u, encoding_from_config_name(L"utf-16-be"));
    for (const wchar_t* unknown : {static_cast<const wchar_t*>(nullptr), L"", L"UTF8", L"latin-1"})
        EXPECT_EQ(0x8000FDE9u, encoding_from_config_name(unknown));
    EXPECT_STREQ(L"UTF-8-PLAIN", encoding_config_name(1252));
    EXPECT_STREQ(L"Unknown", encoding_title(1252));
    EXPECT_EQ((std::array<uint32_t, 7>{0x800004B0, 0x800004B1, 65001, 1201, 1200, 0, 0x8000FDE9}),
              bom_encoding_order());
}

namespace {

// Takes at most `room` bytes in all.
struct SmallStream : Stream {
    size_t room;
    std::string bytes;
    explicit SmallStream(size_t r) : room(r) {}
    uint32_t write(const void* data, uint32_t size) override {
        const size_t taken = std::min<size_t>(size, room - bytes.size());
        bytes.append(static_cast<const char*>(data), taken);
        return static_cast<uint32_t>(taken);
    }
    uint32_t read(void*, uint32_t) override { return 0; }
};

} // namespace

TEST(EncodingTableTest, Utf16TextGoesOutWithItsMarkAndAShortWriteThrows) {
    SmallStream whole(100);
    write_utf16_text(L"a\u20ac", whole);
    EXPECT_EQ(std::string("\xFF\xFE\x61\x00\xAC\x20", 6), whole.bytes);
    for (size_t room : {1, 3}) {
        SmallStream shortStream(room);
        EXPECT_THROW(write_utf16_text(L"a\u20ac", shortStream), pel::IOException) << room;
    }
}

#include "pel/base/Exception.h"
#include "pel/stream/WideStringTextReader.h"

#include <gtest/gtest.h>

using namespace pel;

TEST(WideStringTextReader, UnitsAndBlocks) {
    WideStringTextReader reader(L"a\xFFFF" L"bcd");
    EXPECT_EQ(L'a', reader.peek());
    EXPECT_EQ(L'a', reader.read());
    EXPECT_EQ(0xFFFF, reader.read()); // never mistaken for the end
    wchar_t buffer[8] = {};
    EXPECT_EQ(0, reader.read(buffer, 0));
    EXPECT_EQ(3, reader.read(buffer, 8));
    EXPECT_EQ(L"bcd", std::wstring(buffer, 3));
    EXPECT_EQ(-1, reader.peek());
    EXPECT_EQ(-1, reader.read());
    try {
        reader.read(nullptr, 5);
        FAIL();
    } catch (const NullPointerException& e) {
        EXPECT_EQ(L"buffer", e.message);
    }
    try {
        reader.read(buffer, -1);
        FAIL();
    } catch (const RangeException& e) {
        EXPECT_EQ(L"count", e.message);
    }
}

TEST(WideStringTextReader, Lines) {
    WideStringTextReader reader(L"a\r\nb\rc\n\nd");
    std::wstring line;
    for (const wchar_t* expected : {L"a", L"b", L"c", L"", L"d"}) {
        line.clear();
        EXPECT_EQ(static_cast<int>(wcslen(expected)), reader.readLine(line));
        EXPECT_EQ(expected, line);
    }
    EXPECT_EQ(-1, reader.readLine(line));
    EXPECT_EQ(L"d", line);

    WideStringTextReader rest(L"first\nsecond\nthird");
    rest.readLine(line);
    std::wstring all = L"old";
    EXPECT_EQ(12, rest.readToEnd(all));
    EXPECT_EQ(L"second\nthird", all);
}

TEST(WideStringTextReader, ClosedReaderThrows) {
    WideStringTextReader reader(L"x");
    reader.close();
    try {
        reader.peek();
        FAIL();
    } catch (const IllegalStateException& e) {
        EXPECT_EQ(L"stream is closed", e.message);
    }
    EXPECT_THROW(reader.read(), IllegalStateException);
}

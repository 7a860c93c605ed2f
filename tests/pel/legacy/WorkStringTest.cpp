#include "pel/legacy/WorkString.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace pel;

TEST(WorkString, GrowsInStepsOfItsInlineCapacity) {
    WorkString<256> s;
    EXPECT_TRUE(s.isInline());
    s.assign(std::wstring(300, L'a').c_str());
    EXPECT_EQ(512u, s.size());
    EXPECT_FALSE(s.isInline());
    s.assign(L"0123456789"); // fits, at most 2N spare: the block stays
    EXPECT_EQ(512u, s.size());
    EXPECT_EQ(L"0123456789", s.str());
    s.clear(); // a 2N block stays
    EXPECT_EQ(512u, s.size());
    s.append(std::wstring(700, L'b'));
    EXPECT_EQ(768u, s.size());
    s.assign(L"x"); // more than 2N spare: back to the inline buffer
    EXPECT_TRUE(s.isInline());
    s.append(std::wstring(700, L'b'));
    s.clear();
    EXPECT_TRUE(s.isInline());

    s.reserve(257); // discards the text
    EXPECT_EQ(512u, s.size());
    EXPECT_EQ(0u, s.length());
    s.assign(L"keep");
    s.resize(1024); // keeps it
    EXPECT_EQ(L"keep", s.str());
    s.assign(s.c_str() + 1, 2); // a part of itself
    EXPECT_EQ(L"ee", s.str());
    const WorkString<256> copy = s;
    s.append(L"x");
    EXPECT_EQ(L"ee", copy.str());
}

TEST(WorkString, OutOfRangeAccessIsReportedNotFollowed) {
    tessel_test::LogCapture log;
    WorkString<8> s(L"abc");
    EXPECT_EQ(L'\0', s.at(9));
    EXPECT_EQ(s.c_str() + 3, s.pointerAt(7));
    EXPECT_EQ(s.c_str(), s.pointerAt(-1));
    s.setLength(20); // grows instead of writing past the block
    EXPECT_EQ(20u, s.length());
    ASSERT_EQ(4u, log.lines().size());
    EXPECT_NE(std::wstring::npos, log.lines()[0].text.find(L"`index <= m_len`"));
    EXPECT_NE(std::wstring::npos, log.lines()[3].text.find(L"`len < m_size`"));
}

TEST(WorkString, PathHelpers) {
    struct Case {
        const wchar_t* text;
        const wchar_t* fileName;
        const wchar_t* directoryPart;
        const wchar_t* baseName;
        const wchar_t* extension;
        const wchar_t* directory; // after getDirectory
        const wchar_t* withSeparator;
    };
    const Case cases[] = {
        {L"C:\\dir/sub\\file.txt", L"file.txt", L"C:\\dir/sub\\", L"file", L"txt", L"C:\\dir/sub\\",
         L"C:\\dir/sub\\file.txt\\"},
        {L"a.b\\c", L"c", L"a.b\\", L"c", L"", L"a.b\\", L"a.b\\c\\"},
        {L".profile", L".profile", L"", L"", L"profile", L".\\", L".profile\\"},
        {L"file.", L"file.", L"", L"file", L"", L".\\", L"file.\\"},
        {L"x", L"x", L"", L"x", L"", L".\\", L"x\\"},
        {L"a/", L"", L"a/", L"", L"", L"a/", L"a/"},
        {L"", L"", L"", L"", L"", L".\\", L"\\"},
    };
    for (const Case& c : cases) {
        WorkString<> s(c.text);
        EXPECT_EQ(c.fileName, s.getFileName().str()) << c.text;
        EXPECT_STREQ(c.fileName, s.fileNamePointer()) << c.text;
        EXPECT_EQ(c.directoryPart, s.getDirectoryPart().str()) << c.text;
        EXPECT_EQ(c.baseName, s.getBaseName().str()) << c.text;
        EXPECT_STREQ(c.extension, s.getExtension()) << c.text;
        WorkString<> directory(c.text);
        directory.getDirectory();
        EXPECT_EQ(c.directory, directory.str()) << c.text;
        WorkString<> separated(c.text);
        separated.appendSeparator();
        EXPECT_EQ(c.withSeparator, separated.str()) << c.text;
        WorkString<> named(c.text);
        named.removePath();
        EXPECT_EQ(c.fileName, named.str()) << c.text;
    }
    WorkString<> s(L"dir\\old.txt");
    s.replaceFileName(L"new.md");
    EXPECT_EQ(L"dir\\new.md", s.str());
}

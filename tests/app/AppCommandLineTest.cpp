// The program's command line: every file named is taken, in order, with the project wherever
// it stands; and what a second start sends reads back to the same files, spread over as many
// texts as the limit of one hand-over needs.

#include "app/AppCommandLine.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tessel::AppCommandLine;

namespace {

class AppCommandLineTest : public testing::Test {
protected:
    AppCommandLineTest() : native(nullptr, true) { pel::FileIO::attachDevice(L"__winfs", &native, 0); }
    ~AppCommandLineTest() override { pel::FileIO::release(); }

    // The files and project of the text, each as "f:path" and "p:path".
    static std::vector<std::wstring> read(const std::wstring& text) {
        AppCommandLine line;
        line.parse(text);
        std::vector<std::wstring> named;
        if (!line.project.empty())
            named.push_back(L"p:" + line.project);
        for (const std::wstring& file : line.files)
            named.push_back(L"f:" + file);
        return named;
    }

    pel::FileDeviceWin32 native;
};

TEST_F(AppCommandLineTest, EveryFileNamedIsTakenInOrderWithTheProjectAnywhere) {
    const struct {
        const wchar_t* text;
        std::vector<std::wstring> named;
    } cases[] = {
        {L"prog", {}},
        {L"prog C:\\a.txt", {L"f:C:\\a.txt"}},
        {L"prog C:\\a.txt C:\\b.txt \"C:\\c d.txt\"", {L"f:C:\\a.txt", L"f:C:\\b.txt", L"f:C:\\c d.txt"}},
        {L"prog -f C:\\a C:\\b -f C:\\c", {L"f:C:\\a", L"f:C:\\b", L"f:C:\\c"}},
        {L"prog -p C:\\x.tsProject C:\\a C:\\b", {L"p:C:\\x.tsProject", L"f:C:\\a", L"f:C:\\b"}},
        {L"prog -f C:\\a -p C:\\x C:\\b", {L"p:C:\\x", L"f:C:\\a", L"f:C:\\b"}},
        {L"prog C:\\b C:\\a C:\\b", {L"f:C:\\b", L"f:C:\\a", L"f:C:\\b"}},
    };
    for (const auto& row : cases)
        EXPECT_EQ(row.named, read(row.text)) << row.text;
}

// Names in several scripts, with quotes, spaces and backslashes, over limits that leave room
// for one, several or all of them: each text fits, reads back, and together they hold the
// project once and every file in order.
TEST_F(AppCommandLineTest, WhatASecondStartSendsFitsTheLimitAndReadsBackToEveryFile) {
    AppCommandLine line;
    line.project = L"C:\\projects\\p \"q\".tsProject";
    for (int i = 0; i < 40; ++i)
        line.files.push_back(L"C:\\f\\" + std::to_wstring(i) + L" \u00e9\U0001F468\u200D\U0001F469 \u05D0\u0301" +
                             std::wstring(i % 7, L'x') + (i % 5 == 0 ? L"\\y" : L".txt"));
    const std::wstring program = L"C:\\Program Files\\Tessel\\Tessel.exe";
    for (const size_t limit : {size_t(200), size_t(1000), size_t(32767)}) {
        std::vector<std::wstring> left;
        const std::vector<AppCommandLine::Forwarded> texts = line.toForward(program, limit, &left);
        EXPECT_TRUE(left.empty()) << limit;
        std::vector<std::wstring> named, expected;
        for (const AppCommandLine::Forwarded& text : texts) {
            EXPECT_LE(text.text.size(), limit);
            const std::vector<std::wstring> read = this->read(text.text);
            named.insert(named.end(), read.begin(), read.end());
            std::vector<std::wstring> names;
            for (const std::wstring& entry : read)
                names.push_back(entry.substr(2));
            EXPECT_EQ(names, text.names);
        }
        expected.push_back(L"p:" + line.project);
        for (const std::wstring& file : line.files)
            expected.push_back(L"f:" + file);
        EXPECT_EQ(expected, named) << limit;
        EXPECT_EQ(limit == 32767 ? 1u : 2u, std::min<size_t>(texts.size(), 2)) << limit;
    }
}

TEST_F(AppCommandLineTest, ANameTooLongForAnyTextIsLeftOutAndNothingNamedStillSendsOne) {
    AppCommandLine line;
    line.files = {L"C:\\a", L"C:\\" + std::wstring(300, L'n'), L"C:\\b"};
    std::vector<std::wstring> left;
    const std::vector<AppCommandLine::Forwarded> texts = line.toForward(L"C:\\T.exe", 100, &left);
    EXPECT_EQ(std::vector<std::wstring>{line.files[1]}, left);
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ((std::vector<std::wstring>{L"f:C:\\a", L"f:C:\\b"}), read(texts[0].text));

    // A start naming nothing asks for a new document; one naming only a project sends it.
    AppCommandLine nothing;
    const std::vector<AppCommandLine::Forwarded> empty = nothing.toForward(L"C:\\T.exe", 100, nullptr);
    ASSERT_EQ(1u, empty.size());
    EXPECT_EQ(L"\"C:\\T.exe\"", empty[0].text);
    nothing.project = L"C:\\x.tsProject";
    const std::vector<AppCommandLine::Forwarded> project = nothing.toForward(L"C:\\T.exe", 100, nullptr);
    ASSERT_EQ(1u, project.size());
    EXPECT_EQ(std::vector<std::wstring>{L"p:C:\\x.tsProject"}, read(project[0].text));
}

} // namespace

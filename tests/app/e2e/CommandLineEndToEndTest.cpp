// The files named on Tessel.exe's command line: each opens in a tab of its own, in the order
// given, the last in front, names in several scripts among them; a second start hands over all of
// its names, and one that cannot be opened is told while the others open. The tabs are told
// apart by the title Ctrl+Tab brings, one tab after the other.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

namespace tessel_test {
namespace {

using CommandLineEndToEnd = TesselCopyTest;

// Ctrl+Tab from the tab in front, once round all of them: the titles it brings, the tab it
// started from last. Each key waits for the title of the tab before it to go.
std::vector<std::wstring> titlesRound(TesselRun& tessel, size_t tabs) {
    std::vector<std::wstring> titles;
    std::wstring shown = tessel.title();
    for (size_t step = 0; step < tabs; ++step) {
        if (!tessel.focusEditor() || !pressChord({VK_CONTROL, VK_TAB}))
            break;
        const std::wstring before = shown;
        if (!pollFor([&] { return (shown = tessel.title()) != before || tabs == 1; }, WAIT_MS))
            break;
        titles.push_back(shown);
    }
    return titles;
}

std::wstring titleOf(const std::wstring& name) { return name + L" - Tessel"; }

TEST_F(CommandLineEndToEnd, EveryFileNamedOpensInItsOwnTabInOrderAndASecondStartHandsOverAllOfIt) {
    const std::vector<std::wstring> first = {L"a.txt", L"b c.txt", L"\u00e9t\u00e9 \U0001F600.txt"};
    for (const std::wstring& name : first)
        copy.folder.write(name, "text\r\n");
    TesselRun tessel(copy, L"a.txt \"b c.txt\" \"\u00e9t\u00e9 \U0001F600.txt\"");
    ASSERT_TRUE(tessel.hasTitle(titleOf(first.back()))) << "the last file named is not in front";
    // Round the tabs from the last: the first, the second, the last again.
    EXPECT_EQ((std::vector<std::wstring>{titleOf(first[0]), titleOf(first[1]), titleOf(first[2])}),
              titlesRound(tessel, 3));

    // A second start with three names, the middle one missing: that one is told, the others open
    // after the first three, the last in front.
    const std::vector<std::wstring> second = {L"\u65e5\u672c\u8a9e.txt", L"missing.txt", L"z.txt"};
    copy.folder.write(second[0], "text\r\n");
    copy.folder.write(second[2], "text\r\n");
    OtherProcess handing(copy.program(), L"\u65e5\u672c\u8a9e.txt missing.txt z.txt", copy.folder.path);
    ASSERT_EQ(0, handing.exitCode(WAIT_MS)) << "the hand-over was not taken";
    HWND told = tessel.questionOffering(L"OK");
    ASSERT_TRUE(told) << "nothing said missing.txt cannot be opened";
    ASSERT_TRUE(pressChordIn(told, {VK_RETURN}));
    ASSERT_TRUE(pollFor([&] { return !::IsWindow(told) || !::IsWindowVisible(told); }, WAIT_MS));
    ASSERT_TRUE(tessel.hasTitle(titleOf(second[2]))) << "the last file handed over is not in front";
    EXPECT_EQ((std::vector<std::wstring>{titleOf(first[0]), titleOf(first[1]), titleOf(first[2]), titleOf(second[0]),
                                         titleOf(second[2])}),
              titlesRound(tessel, 5));

    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "command-line-close");
}

// More names than one hand-over message holds: a second start hands them over in several, and
// every one opens, in order. Short names given in a deep folder make paths of some 220
// characters: some 170 of them fill more than the 32,767 characters of one message.
TEST_F(CommandLineEndToEnd, ASecondStartWithMoreNamesThanOneMessageHoldsOpensThemAll) {
    copy.folder.write(L"a.txt", "a\r\n");
    TesselRun tessel(copy, L"a.txt");
    ASSERT_TRUE(tessel.hasTitle(L"a.txt - Tessel"));
    std::wstring deep;
    for (int level = 0; level < 3; ++level) {
        deep += (deep.empty() ? L"" : L"\\") + std::wstring(1, L'd') + std::wstring(60, L'0' + level);
        ASSERT_TRUE(::CreateDirectoryW((copy.folder / deep).c_str(), nullptr));
    }
    std::wstring arguments;
    std::vector<std::wstring> names;
    // Enough of them to fill one message and more.
    const size_t count = 32767 / (copy.folder / deep).size() + 20;
    for (size_t i = 0; i < count; ++i) {
        wchar_t name[16];
        std::swprintf(name, 16, L"%03u.txt", static_cast<unsigned>(i));
        copy.folder.write(deep + L"\\" + name, "n\r\n");
        names.push_back(name);
        arguments += (arguments.empty() ? L"" : L" ") + std::wstring(name);
    }
    ASSERT_GT(names.size() * (copy.folder / deep).size(), 32767u) << "the paths would fit in one message";
    OtherProcess handing(copy.program(), arguments, copy.folder / deep);
    ASSERT_EQ(0, handing.exitCode(WAIT_MS)) << "the hand-over was not taken";
    ASSERT_TRUE(tessel.hasTitle(titleOf(names.back()))) << "the last file handed over is not in front";
    const std::vector<std::wstring> round = titlesRound(tessel, 3);
    EXPECT_EQ((std::vector<std::wstring>{L"a.txt - Tessel", titleOf(names[0]), titleOf(names[1])}), round);
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "command-line-many-close");
}

} // namespace
} // namespace tessel_test

// Another program's change asked about as a closed tab gives way to the changed file's tab, and
// the end of the Windows session coming while that question is open, answered with a Save As
// onto that file: Tessel runs on, the file holds the text saved onto it, the window stays
// disabled under every question, and the first question, still open, takes its keys.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <thread>

namespace tessel_test {
namespace {

using QuestionLoopEndToEnd = TesselCopyTest;

// Sends the message from a thread of its own, as another program does: it returns once the
// window has answered, its questions answered meanwhile.
class SentMessage {
public:
    SentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
        : m_thread([=] {
              DWORD_PTR answer = 0;
              m_sent = ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 4 * WAIT_MS, &answer) != 0;
              m_answer = answer;
          }) {}
    ~SentMessage() { wait(); }
    // The window's answer, -1 when it gave none in time.
    LRESULT wait() {
        if (m_thread.joinable())
            m_thread.join();
        return m_sent ? static_cast<LRESULT>(m_answer) : -1;
    }

private:
    bool m_sent = false;
    DWORD_PTR m_answer = 0;
    std::thread m_thread;
};

TEST_F(QuestionLoopEndToEnd, TheSessionsEndUnderTheQuestionOfAChangeMetClosingATabLeavesTesselWhole) {
    copy.folder.write(L"d.txt", "d\r\n");
    copy.folder.write(L"b.txt", "b\r\n");
    TesselRun tessel(copy, L"");
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    ASSERT_TRUE(typeText(tessel.editor(), L"mine"));
    ASSERT_TRUE(tessel.hasTitle(L"Untitled * - Tessel"));
    for (const wchar_t* name : {L"d.txt", L"b.txt"}) {
        OtherProcess second(copy.program(), name, copy.folder.path);
        EXPECT_EQ(0, second.exitCode(WAIT_MS));
        ASSERT_TRUE(tessel.hasTitle(std::wstring(name) + L" - Tessel"));
    }
    const HWND main = tessel.window();
    // Another program writes d.txt; Ctrl+W closes b.txt, and d.txt's tab comes to the front.
    copy.folder.writeOutside(L"d.txt", "changed outside\r\n");
    ASSERT_TRUE(pressChordIn(main, {VK_CONTROL, 'W'}));
    const HWND reload = tessel.questionOffering(L"&Reload");
    ASSERT_TRUE(reload) << "the change was never asked about";
    EXPECT_TRUE(tessel.hasTitle(L"d.txt - Tessel"));
    EXPECT_FALSE(::IsWindowEnabled(main));

    // The end of the session: Save for Untitled, Save As onto d.txt (Yes to write over it), and
    // Replace for d.txt's tab.
    SentMessage ending(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    const HWND save = tessel.questionOffering(L"&Save");
    ASSERT_TRUE(save) << "the end of the session asked nothing";
    EXPECT_FALSE(::IsWindowEnabled(main));
    ASSERT_TRUE(pressChordIn(save, {VK_RETURN}));
    ASSERT_TRUE(confirmFileDialog(tessel, L"Save As", copy.folder / L"d.txt", false));
    const HWND replace = tessel.questionOffering(L"&Replace");
    ASSERT_TRUE(replace) << "d.txt's tab was not asked about";
    EXPECT_FALSE(::IsWindowEnabled(main)) << "enabled once the Save As dialog ended";
    ASSERT_TRUE(pressChordIn(replace, {VK_MENU, 'R'}));
    EXPECT_EQ(TRUE, ending.wait()) << shownQuestion(tessel, "session-end");
    SentMessage kept(main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(0, kept.wait());

    // The change's question is still open, in front, and the window under it disabled: its
    // letter answers it.
    ASSERT_TRUE(::IsWindow(reload) && ::IsWindowVisible(reload));
    EXPECT_FALSE(::IsWindowEnabled(main));
    ASSERT_TRUE(pollFor([&] { return ::GetForegroundWindow() == reload; }, WAIT_MS)) << "the question lost the front";
    ASSERT_TRUE(pressChordIn(reload, {VK_MENU, 'K'}));
    ASSERT_TRUE(pollFor([&] { return !::IsWindow(reload) || !::IsWindowVisible(reload); }, WAIT_MS))
        << "the question took no keys";

    EXPECT_TRUE(tessel.hasTitle(L"d.txt - Tessel"));
    EXPECT_TRUE(::IsWindowEnabled(main));
    EXPECT_EQ("mine", copy.folder.read(L"d.txt"));
    DWORD_PTR answered = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &answered));
    ASSERT_TRUE(tessel.process.running()) << "Tessel is gone";
    // And it ends cleanly.
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "session-end-close");
}

} // namespace
} // namespace tessel_test

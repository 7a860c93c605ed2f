// Replace All over a text long enough that it runs for seconds: the window answers meanwhile,
// holds the keys and clicks the user gives it, and the status bar shows the progress; Escape stops
// it, the matches replaced so far staying as one undo step; a close of the window meanwhile stops
// it too and then asks whether to save, as any close of an edited text does.
//
// Each step waits for a state of the program. Once the progress shows, the program's thread is
// held still while the key or the close goes into its queue, so that what stops the replacement
// is there before the replacement can end, whatever the machine's load.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tessel_test {
namespace {

constexpr int LINES = 1000000;

// One "needle" a line, numbered, in lines of 16 bytes.
std::string needles(int lines, int replaced = 0) {
    std::string text;
    text.reserve(static_cast<size_t>(lines) * 16);
    char line[32];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "%s %07d\r\n", i < replaced ? "pin" : "needle", i);
        text += line;
    }
    return text;
}

BOOL CALLBACK collectContainer(HWND child, LPARAM found) {
    if (OtherProcess::hasClass(child, L"afContainer"))
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
    return TRUE;
}

// What the status bar says: the text its window carries, read through a message that only a
// window handling its messages answers. Empty when none says `prefix` first.
std::wstring statusSaying(HWND main, const std::wstring& prefix) {
    std::vector<HWND> containers;
    ::EnumChildWindows(main, &collectContainer, reinterpret_cast<LPARAM>(&containers));
    for (HWND container : containers) {
        const std::wstring text = OtherProcess::windowText(container);
        if (text.compare(0, prefix.size(), prefix) == 0)
            return text;
    }
    return {};
}

// The two counts of "... N of M ..." after the prefix; false when the text has none.
bool countsOf(const std::wstring& text, size_t prefix, int* o_done, int* o_total) {
    return text.size() > prefix && std::swscanf(text.c_str() + prefix, L"%d of %d", o_done, o_total) == 2;
}

// The window's thread held still for the scope: what is sent meanwhile waits in its queue.
class HeldStill {
public:
    explicit HeldStill(HWND window)
        : m_thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, ::GetWindowThreadProcessId(window, nullptr))) {
        m_held = m_thread && ::SuspendThread(m_thread) != static_cast<DWORD>(-1);
    }
    ~HeldStill() {
        if (m_held)
            ::ResumeThread(m_thread);
        if (m_thread)
            ::CloseHandle(m_thread);
    }
    HeldStill(const HeldStill&) = delete;
    HeldStill& operator=(const HeldStill&) = delete;
    bool held() const { return m_held; }

private:
    HANDLE m_thread;
    bool m_held = false;
};

class ReplaceAllEndToEnd : public TesselCopyTest {
protected:
    // Tessel on n.txt with Replace All of "needle" by "pin" running, its progress shown and
    // painted: the replacements done then, -1 when it never came to that (a failure is added).
    int startReplacing(TesselRun& tessel) {
        EXPECT_TRUE(tessel.hasTitle(L"n.txt - Tessel"));
        EXPECT_TRUE(tessel.focusEditor());
        m_dialog = tessel.openDialog(tessel.editor(), 'H', L"Replace");
        EXPECT_NE(nullptr, m_dialog) << "Ctrl+H showed no Replace dialog";
        if (!m_dialog || !typeValues(m_dialog, L"needle", L"pin") || !pressChord({VK_RETURN}))
            return -1;
        std::wstring progress;
        const bool shown = pollFor(
            [&] { return !(progress = statusSaying(tessel.window(), L"Replacing... ")).empty() || !tessel.process.running(); },
            WAIT_MS);
        int done = -1, total = 0;
        EXPECT_TRUE(shown && countsOf(progress, 13, &done, &total))
            << "no progress shown; the status bar says \"" << TesselRun::narrow(statusSaying(tessel.window(), L""))
            << "\"";
        EXPECT_EQ(LINES, total);
        EXPECT_TRUE(pollFor([&] { return inkOf(statusArea(tessel.window())) > 50; }, WAIT_MS, 5))
            << "the progress was never painted: " << keepCapture(statusArea(tessel.window()), "replacing");
        return done;
    }
    // The replacements done now, as the status bar says; -1 when it says no progress.
    static int progressOf(TesselRun& tessel) {
        int done = -1, total = 0;
        return countsOf(statusSaying(tessel.window(), L"Replacing... "), 13, &done, &total) ? done : -1;
    }

    HWND m_dialog = nullptr;
};

TEST_F(ReplaceAllEndToEnd, TheWindowAnswersShowsTheProgressAndEscapeKeepsWhatWasReplacedAsOneStep) {
    const std::string old = needles(LINES);
    copy.folder.write(L"n.txt", old);
    TesselRun tessel(copy, L"n.txt");
    ASSERT_GE(startReplacing(tessel), 0);
    // Held as during a load: the window and the dialog refuse input, while the window answers
    // and paints (above).
    EXPECT_FALSE(::IsWindowEnabled(tessel.window()));
    EXPECT_FALSE(::IsWindowEnabled(m_dialog));
    const int shown = progressOf(tessel);
    ASSERT_GE(shown, 0);
    ASSERT_LT(shown, LINES / 2) << "the replacement was nearly over before its progress showed";
    {
        const HeldStill still(tessel.window());
        ASSERT_TRUE(still.held());
        // A key typed meanwhile goes nowhere; Escape stops the replacement.
        ASSERT_TRUE(typeKeys(L"Q"));
        ASSERT_TRUE(pressChord({VK_ESCAPE}));
    }
    std::wstring stopped;
    ASSERT_TRUE(pollFor([&] { return !(stopped = statusSaying(tessel.window(), L"Replace All was stopped: ")).empty(); },
                        WAIT_MS))
        << "the status bar says \"" << TesselRun::narrow(statusSaying(tessel.window(), L"")) << "\"";
    int replaced = 0, total = 0;
    ASSERT_TRUE(countsOf(stopped, 25, &replaced, &total)) << TesselRun::narrow(stopped);
    EXPECT_EQ(LINES, total);
    EXPECT_LE(shown, replaced);
    EXPECT_LT(replaced, LINES);
    ASSERT_TRUE(closes(m_dialog));
    ASSERT_TRUE(tessel.hasTitle(L"n.txt * - Tessel"));
    EXPECT_TRUE(needles(LINES, replaced) == savedText(tessel, L"n.txt", old))
        << "the first " << replaced << " lines replaced, the others and nothing else as they were";
    // One undo takes back every replacement made.
    ASSERT_TRUE(tessel.focusEditor());
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_CONTROL, 'Z'}));
    // The undo is walked in steps too, the window holding its input meanwhile: a save pressed
    // before the walk is over goes nowhere. The star comes back with the first step, and the
    // window only answers between steps while it is held, so starred and answering input is over.
    ASSERT_TRUE(pollFor([&] { return tessel.title() == L"n.txt * - Tessel" && ::IsWindowEnabled(tessel.window()); },
                        WAIT_MS))
        << "the undo never ended; the status bar says \"" << TesselRun::narrow(statusSaying(tessel.window(), L""))
        << "\"";
    EXPECT_TRUE(old == savedText(tessel, L"n.txt", needles(LINES, replaced)));
}

TEST_F(ReplaceAllEndToEnd, ACloseMeanwhileStopsItAndAsksWhetherToSaveWhatWasReplaced) {
    copy.folder.write(L"n.txt", needles(LINES));
    TesselRun tessel(copy, L"n.txt");
    ASSERT_GE(startReplacing(tessel), 0);
    ASSERT_LT(progressOf(tessel), LINES / 2) << "the replacement was nearly over before its progress showed";
    {
        const HeldStill still(tessel.window());
        ASSERT_TRUE(still.held());
        ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    }
    // The close waits for the replacement to stop, then asks about the edited text.
    HWND question = tessel.questionOffering(L"&Save");
    ASSERT_NE(nullptr, question) << "the status bar says \"" << TesselRun::narrow(statusSaying(tessel.window(), L""))
                                 << "\"";
    std::wstring stopped = statusSaying(tessel.window(), L"Replace All was stopped: ");
    int replaced = 0, total = 0;
    ASSERT_TRUE(countsOf(stopped, 25, &replaced, &total)) << TesselRun::narrow(stopped);
    EXPECT_LT(replaced, LINES);
    ASSERT_TRUE(tessel.answer({VK_RETURN})); // Save
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS));
    EXPECT_TRUE(needles(LINES, replaced) == copy.folder.read(L"n.txt"));
}

} // namespace
} // namespace tessel_test

#include "afw/core/afInstanceControl.h"
#include "afw/core/afModuleInstance.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <thread>
#include <vector>

using tessel_test::ChildProcess;

namespace {

// What a second process started now says of itself.
std::string secondProcessSays() {
    ChildProcess child(L"instance", true, L"afw_test_helper.exe");
    EXPECT_TRUE(child.started());
    std::string line;
    child.readLine(line);
    child.wait();
    return line;
}

// A top-level window of a class registered for the test, answering WM_COPYDATA with `answer`
// and keeping what it received.
struct CopyDataWindow {
    static inline std::vector<char> received;
    static inline ULONG_PTR dwData = 99;
    static inline LRESULT answer = 1;

    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA) {
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            received.assign(static_cast<const char*>(copy->lpData), static_cast<const char*>(copy->lpData) + copy->cbData);
            dwData = copy->dwData;
            return answer;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    explicit CopyDataWindow(const wchar_t* className) : name(className) {
        WNDCLASSW record = {};
        record.lpfnWndProc = &proc;
        record.hInstance = ::GetModuleHandleW(nullptr);
        record.lpszClassName = className;
        ::RegisterClassW(&record);
        window = ::CreateWindowExW(0, className, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                   record.hInstance, nullptr);
    }
    ~CopyDataWindow() {
        ::DestroyWindow(window);
        ::UnregisterClassW(name.c_str(), ::GetModuleHandleW(nullptr));
    }

    std::wstring name;
    HWND window = nullptr;
};

bool found(HWND window) {
    std::vector<HWND> windows;
    afInstanceControl::findInstanceWindows(windows);
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

class InstanceControlTest : public ::testing::Test {
protected:
    void SetUp() override { afSetModuleInstance(::GetModuleHandleW(nullptr)); }
    void TearDown() override { afInstanceControl::destroy(); }
};

TEST_F(InstanceControlTest, ASecondProcessIsSecondWhileTheFirstHoldsTheMutex) {
    afInstanceControl& control = afInstanceControl::instance();
    ASSERT_TRUE(control.isFirstInstance());
    EXPECT_STREQ(L"Tessel35WindowClass", afInstanceControl::getName());
    EXPECT_EQ("second", secondProcessSays());
    // Asking again keeps the answer: the mutex this object holds is not another instance's.
    EXPECT_TRUE(control.create());
    EXPECT_TRUE(control.isFirstInstance());
    control.close();
    control.close();
    EXPECT_EQ("first", secondProcessSays());
}

TEST_F(InstanceControlTest, OnlyTheExactClassNameIsFound) {
    {
        // Classes register case-insensitively: the lower-case one stands for the real one here.
        CopyDataWindow lower(L"tessel35windowclass");
        CopyDataWindow longer(L"Tessel35WindowClassX");
        EXPECT_FALSE(found(lower.window));
        EXPECT_FALSE(found(longer.window));
    }
    CopyDataWindow real(afInstanceControl::NAME);
    EXPECT_TRUE(found(real.window));
}

TEST_F(InstanceControlTest, CopyDataTellsAcceptedRefusedAndTimedOut) {
    CopyDataWindow target(L"afInstanceControlTestTarget");
    const char bytes[] = "-line 3\0file.txt";
    CopyDataWindow::answer = 1;
    EXPECT_EQ(afInstanceControl::SEND_ACCEPTED, afInstanceControl::sendCopyData(target.window, bytes, sizeof bytes, 5000));
    EXPECT_EQ(std::vector<char>(bytes, bytes + sizeof bytes), CopyDataWindow::received);
    EXPECT_EQ(0u, CopyDataWindow::dwData);
    CopyDataWindow::answer = 0;
    EXPECT_EQ(afInstanceControl::SEND_REFUSED, afInstanceControl::sendCopyData(target.window, bytes, 1, 5000));
    CopyDataWindow::answer = afInstanceControl::ANSWER_CLOSING;
    EXPECT_EQ(afInstanceControl::SEND_CLOSING, afInstanceControl::sendCopyData(target.window, bytes, 1, 5000));

    // A window whose thread does not answer: the send gives up after its timeout.
    HANDLE created = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND hung = nullptr;
    std::thread owner([&] {
        hung = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ::SetEvent(created);
        ::WaitForSingleObject(release, INFINITE);
        ::DestroyWindow(hung);
    });
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(created, 30000)) << "the window's thread never started";
    EXPECT_EQ(afInstanceControl::SEND_TIMED_OUT, afInstanceControl::sendCopyData(hung, bytes, 1, 100));
    ::SetEvent(release);
    owner.join();
    ::CloseHandle(created);
    ::CloseHandle(release);
}

TEST_F(InstanceControlTest, ActivateRestoresAnIconicWindow) {
    CopyDataWindow window(L"afInstanceControlTestIconic");
    ::ShowWindow(window.window, SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(window.window));
    afInstanceControl::activateWindow(window.window);
    EXPECT_FALSE(::IsIconic(window.window));
}

// The window that took a hand-over comes to the front, from behind another, when no question
// holds the program (a question that does comes instead: ActivationTest, with the program's own
// windows).
TEST_F(InstanceControlTest, ActivatingAWindowNoQuestionHoldsBringsItToTheFront) {
    CopyDataWindow main(L"afInstanceControlTestHeld");
    ::ShowWindow(main.window, SW_SHOW);
    const HWND other = ::CreateWindowExW(0, L"Static", L"other", WS_POPUP | WS_CAPTION | WS_VISIBLE, 20, 20, 200, 100,
                                         nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetForegroundWindow(other);
    afInstanceControl::activateWindow(main.window);
    EXPECT_EQ(main.window, ::GetForegroundWindow());
    ::DestroyWindow(other);
}

} // namespace

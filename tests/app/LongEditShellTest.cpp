// A Replace All long enough to pause as the main window runs it: what runs in a pause finds the
// program held and the text as the last step left it. The end of the Windows session asked in a
// pause stops the replacement there: its question saves that text, and no step follows.

#include "ShellFixture.h"

#include "app/StatusBar.h"

#include "bundles/ToolStripStatus.h"

#include "components/SearchManager.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"

#include <functional>
#include <string>

using namespace tessel;

namespace {

// Runs the work on the main thread at each tick of a timer until it answers true: the ticks
// come in whatever loop handles the thread's messages (here the pauses of a long edit).
class OnTicks {
public:
    explicit OnTicks(std::function<bool()> work) : m_work(std::move(work)) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"LongEditShellTicks";
        ::RegisterClassW(&windowClass);
        m_window = ::CreateWindowExW(0, L"LongEditShellTicks", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     windowClass.hInstance, nullptr);
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::SetTimer(m_window, 1, 1, nullptr);
    }
    ~OnTicks() { ::DestroyWindow(m_window); }
    OnTicks(const OnTicks&) = delete;
    OnTicks& operator=(const OnTicks&) = delete;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* ticks = reinterpret_cast<OnTicks*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_TIMER && ticks && ticks->m_work()) {
            ::KillTimer(window, 1);
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    std::function<bool()> m_work;
    HWND m_window = nullptr;
};

using LongEditShellTest = tessel_test::ShellFixture;

TEST_F(LongEditShellTest, TheEndOfTheSessionInAPauseStopsTheReplacementWhereTheQuestionSavedIt) {
    std::string lines;
    for (int i = 0; i < 200000; ++i)
        lines += "needle\n";
    ASSERT_TRUE(startWithFile(L"n.txt", lines));
    ASSERT_TRUE(tessel_test::pumpUntil([] { return ToolStripStatus::getActivities().empty(); }));
    DocumentController& controller = *window->getActivePage()->controller;
    HWND main = window->getHandle();
    bool held = false;
    LRESULT answered = -1;
    std::wstring textThen;
    const OnTicks sessionEnd([&] {
        // Once a step has replaced, in a pause of the replacement.
        if (!controller.isInLongEdit() || !controller.isModified())
            return false;
        held = !::IsWindowEnabled(main);
        controller.getText(&textThen);
        answered = ::SendMessageW(main, WM_QUERYENDSESSION, 0, 0);
        return true;
    });
    answers.push_back(MainWindow::RESULT_SAVE);
    SearchParameters values;
    values.findText = L"needle";
    values.replaceText = L"pin";
    values.scope = SearchManager::SCOPE_DOCUMENT;
    searches.push_back(values);
    run(L"search.replace");
    ASSERT_EQ(TRUE, answered) << "the session's end never came in a pause";
    EXPECT_TRUE(held);
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"Save changes to `n.txt` before closing?", questions[0]);
    std::wstring now;
    controller.getText(&now);
    EXPECT_TRUE(textThen == now) << "a step followed the answer";
    EXPECT_NE(std::wstring::npos, now.find(L"pin\n"));
    EXPECT_NE(std::wstring::npos, now.find(L"needle\n"));
    const std::string onDisk = base.read(L"files\\n.txt");
    EXPECT_TRUE(std::string(now.begin(), now.end()) == onDisk) << "the question saved the text as the pause found it";
    EXPECT_FALSE(controller.isModified());
    EXPECT_EQ(L"Replace All was stopped: ", window->getStatusBar()->getShownText().substr(0, 25));
    EXPECT_TRUE(::IsWindowEnabled(main));
}

} // namespace

// The framework tests' child process, built without the framework's icon resources. The first
// argument picks what it does; every mode ends through afPanic, so the exit code is 1:
//   stock-resources    makes the stock table in a program without its icons; a handler that
//                      prints "handler: TEXT" and returns
//   missing-cursor     loads a system cursor that does not exist, with the same handler
//   no-handler         panics with neither text nor method and no handler; the log lines are
//                      printed, and the message box is refused before it opens, so it cannot wait
//   lost-widget        a test window (given a font of its own, there being no stock table)
//                      loses its widget property and gets a message; the printing handler
//   create-unbound     makes a window of the test class without a widget; the printing handler
//   instance           prints "first" or "second" as the single-instance check answers, exit 0

#include "afw/core/afInstanceControl.h"
#include "afw/core/afModuleInstance.h"
#include "afw/core/afPanic.h"
#include "afw/graphics/afIcon.h"
#include "afw/graphics/afStockResources.h"
#include "afw/view/afWidgetTable.h"
#include "afw/window/afTestWindow.h"
#include "pel/log/LogManager.h"

#include <cstdio>
#include <cwchar>

namespace {

void printingHandler(const wchar_t* text) {
    std::printf("handler: %ls\n", text);
    std::fflush(stdout);
}

class PrintingListener : public pel::LogListener {
public:
    void onMessage(pel::LogMessage* message) override {
        std::printf("log: %ls\n", message->getText());
        std::fflush(stdout);
    }
};

// Refuses every window the message box would create.
LRESULT CALLBACK refuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    return code == HCBT_CREATEWND ? 1 : ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* mode = argc > 1 ? argv[1] : L"";
    afSetModuleInstance(::GetModuleHandleW(nullptr));
    if (std::wcscmp(mode, L"stock-resources") == 0) {
        afSetPanicHandler(&printingHandler);
        afCreateStockResources();
    } else if (std::wcscmp(mode, L"missing-cursor") == 0) {
        afSetPanicHandler(&printingHandler);
        afCursor cursor(MAKEINTRESOURCEW(32000));
    } else if (std::wcscmp(mode, L"lost-widget") == 0) {
        afSetPanicHandler(&printingHandler);
        afTestWindow window;
        window.setFont(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
        window.build();
        ::RemovePropW(window.getHandle(), L"AFWIDGETPTR");
        afWidgetTable::remove(window.getHandle());
        ::SendMessageW(window.getHandle(), WM_NULL, 0, 0);
    } else if (std::wcscmp(mode, L"create-unbound") == 0) {
        afSetPanicHandler(&printingHandler);
        afTestWindow::registerTestClass();
        ::CreateWindowExW(0, afTestWindow::CLASS_NAME, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                          afGetModuleInstance(), nullptr);
    } else if (std::wcscmp(mode, L"instance") == 0) {
        std::printf("%s\n", afInstanceControl::instance().isFirstInstance() ? "first" : "second");
        return 0;
    } else if (std::wcscmp(mode, L"no-handler") == 0) {
        static PrintingListener listener;
        pel::LogManager_Impl::getInstance()->addListener(&listener, false);
        ::SetWindowsHookExW(WH_CBT, &refuseWindows, nullptr, ::GetCurrentThreadId());
        afPanic(nullptr, nullptr);
    }
    std::printf("not ended\n");
    return 0;
}

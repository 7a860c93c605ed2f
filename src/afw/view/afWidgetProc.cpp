// The window procedure every framework window runs.

#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afMainLoop.h"
#include "afw/core/afPanic.h"
#include "afw/view/afWidget.h"
#include "afw/view/afWidgetTable.h"

#include <exception>

LRESULT CALLBACK afWidget::s_WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const afMainLoop::Handling handling;
    if (message == WM_NCCREATE)
        return onNcCreate(window, message, wParam, lParam);
    afViewPlatform* widget = afWidgetTable::find(window);
    if (!widget) {
        // Sent to a top-level window before WM_NCCREATE.
        if (message == WM_GETMINMAXINFO)
            return ::DefWindowProcW(window, message, wParam, lParam);
        afPanic(L"(MSG) HWND to PTR translation failed.", L"afWidget::s_WndProc()");
    }
    afMessage msg(window, message, wParam, lParam);
    if (message == WM_CREATE && !widget->m_previousProc)
        return onCreateMessage(widget, msg);
    if (message == WM_NCDESTROY)
        return onNcDestroy(widget, msg);
    bool handled = false;
    if (!afGuard([&] { handled = widget->onRawMessage(msg); })) {
        // The message counts as handled; a window left invalid would be painted again and again.
        if (message == WM_PAINT)
            ::ValidateRect(window, nullptr);
        return 0;
    }
    if (handled)
        return msg.result;
    // A handler may have deleted the view (closing, say): the system then answers.
    if (afWidgetTable::find(window) != widget)
        return ::DefWindowProcW(window, message, wParam, lParam);
    return widget->defaultProc(msg);
}

LRESULT afWidget::onNcCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    afViewPlatform* widget = create ? static_cast<afViewPlatform*>(create->lpCreateParams) : nullptr;
    if (!widget)
        afPanic(L"(CREATE) HWND to PTR translation failed.", L"afWidget::s_WndProc()");
    try {
        widget->attachHandle(window, false);
        afMessage msg(window, message, wParam, lParam);
        widget->onRawMessage(msg);
    } catch (...) {
        widget->m_creationError = std::current_exception();
        return FALSE;
    }
    // The system's part: the title from the Seed, the scroll bars.
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT afWidget::onCreateMessage(afViewPlatform* widget, afMessage& msg) {
    try {
        widget->onHandleCreated();
        if (!widget->onRawMessage(msg))
            widget->defaultProc(msg);
        return msg.result;
    } catch (...) {
        // Refuses the creation; createWidget throws the exception again.
        widget->m_creationError = std::current_exception();
        return -1;
    }
}

LRESULT afWidget::onNcDestroy(afViewPlatform* widget, const afMessage& msg) {
    afGuard([&] { widget->detachHandle(msg.window); });
    const WNDPROC previous = widget->m_previousProc;
    widget->restorePreviousProcedure();
    widget->m_window = nullptr;
    // A subclassed control frees its own data on this message.
    const LRESULT result = previous ? ::CallWindowProcW(previous, msg.window, msg.message, msg.wParam, msg.lParam)
                                    : ::DefWindowProcW(msg.window, msg.message, msg.wParam, msg.lParam);
    afGuard([&] { widget->onDestroyed(); });
    return result;
}

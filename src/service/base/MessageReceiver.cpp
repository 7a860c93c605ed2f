#include "service/base/MessageReceiver.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"
#include "pel/thread/MainThread.h"
#include "service/base/TaskFailure.h"

namespace tessel {

namespace {

const wchar_t* const kMessageName = L"PEL_MESSAGE_RECEIVER_MSG";
const wchar_t* const kClassName = L"PEL_MESSAGE_RECEIVER_CLASS";
const wchar_t* const kWindowTitle = L"PEL_MESSAGE_WND";
const wchar_t* const kProperty = L"PEL_MESSAGE_RECEIVER";
constexpr DWORD kRetryMilliseconds = 50;

// Registered once per process, on the UI thread (receivers are only made there).
UINT s_messageId = 0;

} // namespace

UINT MessageReceiver::getMessageId() { return s_messageId; }

std::shared_ptr<MessageReceiver> MessageReceiver::create() {
    pel::check_main_thread();
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    if (s_messageId == 0) {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &MessageReceiver::windowProcedure;
        windowClass.hInstance = module;
        windowClass.lpszClassName = kClassName;
        if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            pel::assertionViolation(L"RegisterClassExW", PEL_FILE, __LINE__);
        s_messageId = ::RegisterWindowMessageW(kMessageName);
    }
    std::shared_ptr<MessageReceiver> receiver(new MessageReceiver);
    receiver->m_hwnd = ::CreateWindowExW(0, kClassName, kWindowTitle, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                         CW_USEDEFAULT, HWND_MESSAGE, nullptr, module, receiver.get());
    if (!receiver->m_hwnd)
        pel::assertionViolation(L"hwnd", PEL_FILE, __LINE__);
    return receiver;
}

MessageReceiver::MessageReceiver() : m_queue(std::make_shared<pel::MessageQueue>()) {}

MessageReceiver::~MessageReceiver() {
    if (!m_hwnd)
        return;
    ::RemovePropW(m_hwnd, kProperty);
    if (::GetWindowThreadProcessId(m_hwnd, nullptr) == ::GetCurrentThreadId()) {
        ::DestroyWindow(m_hwnd);
    } else {
        // Receivers belong to the UI thread; from elsewhere the window's own thread closes it.
        pel::softAssertion(L"is_main_thread()", PEL_FILE, __LINE__);
        ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    }
}

void MessageReceiver::post(const std::shared_ptr<pel::Message>& message) {
    m_queue->post(message);
    while (!::PostMessageW(m_hwnd, s_messageId, 0, 0)) {
        if (!::IsWindow(m_hwnd)) {
            pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                            L"MessageReceiver::post(): the receiver's window is gone; message dropped\n");
            return;
        }
        ::Sleep(kRetryMilliseconds);
    }
}

void MessageReceiver::deliver() {
    if (!onMessage)
        return;
    // The delegate may destroy this receiver: it runs from a copy, and nothing of the
    // receiver is touched after it.
    const MessageDelegate handler = onMessage;
    handler(m_queue->get());
}

LRESULT CALLBACK MessageReceiver::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetPropW(window, kProperty, create->lpCreateParams);
    } else if (message == s_messageId && s_messageId != 0) {
        // No exception may pass the system's frames.
        try {
            if (MessageReceiver* receiver = static_cast<MessageReceiver*>(::GetPropW(window, kProperty)))
                receiver->deliver();
        } catch (...) {
            logCaughtException(L"MessageReceiver: delivery");
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace tessel

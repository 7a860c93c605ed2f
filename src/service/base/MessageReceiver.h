#pragma once
// Delivery of messages from any thread to the UI thread: a message-only window made on the UI
// thread, the registered window message "PEL_MESSAGE_RECEIVER_MSG" and a locked queue. Each
// post queues one message and posts one window message, so each window message takes one
// queued message, in the order of posting. The window carries the data only as a wake-up.
//
// A receiver belongs to the UI thread: it is made there (its window delivers on the thread
// that made it) and destroyed there. Destroying it removes its window, so a wake-up still
// pending never reaches it, and releases the messages it still holds.

#include "pel/thread/MessageQueue.h"

#include <functional>
#include <memory>
#include <windows.h>

namespace tessel {

class MessageReceiver {
public:
    using MessageDelegate = std::function<void(const std::shared_ptr<pel::Message>&)>;

    // UI thread only ("Not a main thread."); a window that cannot be made is an assertion
    // violation "hwnd". The window message and class are registered on first use.
    static std::shared_ptr<MessageReceiver> create();
    virtual ~MessageReceiver();
    MessageReceiver(const MessageReceiver&) = delete;
    MessageReceiver& operator=(const MessageReceiver&) = delete;

    // Any thread. When the window refuses the wake-up, it is posted again every 50 ms while
    // the window exists; once the window is gone the wake-up is dropped with a WARNING line
    // (the message stays queued until the receiver goes).
    virtual void post(const std::shared_ptr<pel::Message>& message);

    // Called on the UI thread with each delivered message; while it is empty, arriving
    // wake-ups leave their messages queued.
    MessageDelegate onMessage;

    HWND getWindow() const { return m_hwnd; }
    // The registered message id (0 before the first receiver).
    static UINT getMessageId();

private:
    MessageReceiver();
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void deliver();

    std::shared_ptr<pel::MessageQueue> m_queue;
    HWND m_hwnd = nullptr;
};

} // namespace tessel

#pragma once
// A locked first-in first-out queue of shared messages between threads. Readers never block:
// an empty queue answers an empty pointer.

#include "pel/thread/Mutex.h"

#include <deque>
#include <memory>

namespace pel {

// Base of the messages that cross threads through a MessageQueue; the users derive from it.
class Message {
public:
    virtual ~Message() = default;
};

class MessageQueue {
public:
    MessageQueue() = default;
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // A null message is a null-pointer violation.
    void post(const std::shared_ptr<Message>& message);
    std::shared_ptr<Message> get();

private:
    std::deque<std::shared_ptr<Message>> m_queue;
    FastMutex m_mutex;
};

} // namespace pel

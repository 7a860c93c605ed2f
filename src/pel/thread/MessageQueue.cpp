#include "pel/thread/MessageQueue.h"

#include "pel/base/Assert.h"

namespace pel {

void MessageQueue::post(const std::shared_ptr<Message>& message) {
    PEL_CHECK_PTR(message);
    ScopedLock<FastMutex> lock(m_mutex);
    m_queue.push_back(message);
}

std::shared_ptr<Message> MessageQueue::get() {
    ScopedLock<FastMutex> lock(m_mutex);
    if (m_queue.empty())
        return nullptr;
    std::shared_ptr<Message> front = std::move(m_queue.front());
    m_queue.pop_front();
    return front;
}

} // namespace pel

#include "pel/log/SerializedLogListener.h"

#include "pel/log/Log.h"
#include "pel/log/LogMessage.h"

#include <vector>

namespace pel {

SerializedLogListener::SerializedLogListener() = default;

SerializedLogListener::~SerializedLogListener() {
    ScopedLock<Mutex_Impl> lock(m_lock);
    for (LogMessage* message : m_queue)
        message->release();
    m_queue.clear();
}

void SerializedLogListener::onMessage(LogMessage* message) {
    ScopedLock<Mutex_Impl> lock(m_lock);
    message->addRef();
    m_queue.push_back(message);
    // One wake-up per batch; a post the registry refuses (not running yet) is tried again with
    // the next line.
    if (!m_posted && msgPostData(nullptr))
        m_posted = true;
}

void SerializedLogListener::msgOnMessage(MessageData*) {
    std::vector<LogMessage*> batch;
    {
        ScopedLock<Mutex_Impl> lock(m_lock);
        batch.assign(m_queue.begin(), m_queue.end());
        m_queue.clear();
        m_posted = false;
    }
    for (LogMessage* message : batch) {
        // Every line of the batch is released, whatever one handler does. The failure goes to
        // the debugger only: a line logged here would come back to this handler.
        try {
            onSerializedMessage(message);
        } catch (...) {
            debug_printf(L"SerializedLogListener: a log handler threw an exception\n");
        }
        message->release();
    }
}

} // namespace pel

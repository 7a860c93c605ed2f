#pragma once
// A log listener that hands the lines it receives, on whatever thread logged them, over to the
// main thread: it queues them and posts one wake-up through the message registry per batch;
// the main thread then passes each line, in order, to onSerializedMessage. The base of log
// windows. Made and destroyed on the main thread, like every registry listener.

#include "pel/legacy/MessageListener.h"
#include "pel/log/LogListener.h"
#include "pel/thread/Mutex.h"

#include <deque>

namespace pel {

class SerializedLogListener : public LogListener, private MessageListener {
public:
    SerializedLogListener();
    // Releases the lines still queued. Remove the listener from the log manager first.
    virtual ~SerializedLogListener();

    void onMessage(LogMessage* message) override;
    bool accepts(LogMessage* message) override { return true; }

protected:
    // Called on the main thread for each queued line, in the order they were logged.
    virtual void onSerializedMessage(LogMessage* message) {}

private:
    // The drain, on the registry window's thread.
    void msgOnMessage(MessageData* data) override;

    Mutex_Impl m_lock{0x80000000};
    std::deque<LogMessage*> m_queue; // each holds one reference
    bool m_posted = false;           // a wake-up is on its way to the main thread
};

} // namespace pel

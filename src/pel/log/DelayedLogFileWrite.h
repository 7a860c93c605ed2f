#pragma once
// The log file's background writer "DelayedLogWrite": logging threads only queue their lines
// and wake it at most every 201 ms; it takes the queued lines under the library lock and
// writes them outside it, so that a slow disk never stalls a thread that logs. It flushes
// the file once a wake-up finds nothing new for more than a second, and always at stop.

#include "pel/thread/WorkerThread.h"

#include <atomic>
#include <cstdint>
#include <deque>

namespace pel {

class LogFile;
class LogMessage;

class DelayedLogFileWrite : public WorkerThread {
public:
    static constexpr int64_t WAKE_UP_INTERVAL_MS = 201;
    static constexpr long WAIT_MS = 1000;
    static constexpr int64_t FLUSH_IDLE_MS = 1001;

    explicit DelayedLogFileWrite(LogFile& owner);
    // Stops the thread, which writes what is queued first; lines left are released.
    ~DelayedLogFileWrite() override;

    // Adds a reference to the message and queues it; wakes the writer when the last wake-up
    // is more than 200 ms ago. Takes the library lock.
    void enqueue(LogMessage* message);

    // Introspection: wake-ups signalled by enqueue, and lines not written yet (those in the
    // writer's hands counted: the figure does not change while a batch that could not be
    // written goes back to the queue).
    int32_t wakeUpCount() const { return m_wakeUps.load(); }
    size_t queuedCount() const;

protected:
    int run(void* arg) override;

private:
    // Writes the queue front to back; only taking the lines holds the library lock. Without
    // force a line that cannot be written stays queued, ahead of newer ones, for the next
    // wake-up; with force every line goes.
    void writeQueue(bool force);

    LogFile& m_owner;
    int64_t m_lastWakeUp = 0; // milliseconds since 1970; under the library lock
    int64_t m_lastWrite = 0;  // the writer thread's own
    std::deque<LogMessage*> m_queue; // each holds one reference; under the library lock
    std::atomic<size_t> m_inHand{0}; // lines taken off the queue and not yet written
    std::atomic<int32_t> m_wakeUps{0};
};

} // namespace pel

#pragma once
// The log file's background writer "DelayedLogWrite": logging threads only queue their lines
// and wake it at most every 201 ms; it writes the queue under the library lock and flushes
// the file once a wake-up finds nothing new for more than a second, and always at stop.

#include "pel/thread/LegacyThread.h"
#include "pel/thread/Semaphore.h"

#include <atomic>
#include <cstdint>
#include <deque>

namespace pel {

class LogFile;
class LogMessage;

class DelayedLogFileWrite : public LegacyThread {
public:
    static constexpr int64_t WAKE_UP_INTERVAL_MS = 201;
    static constexpr long WAIT_MS = 1000;
    static constexpr int64_t FLUSH_IDLE_MS = 1001;

    explicit DelayedLogFileWrite(LogFile& owner);
    // Stops the thread, which writes what is queued first; lines left are released.
    ~DelayedLogFileWrite() override;

    bool requestStop() override;

    // Adds a reference to the message and queues it; wakes the writer when the last wake-up
    // is more than 200 ms ago. Takes the library lock.
    void enqueue(LogMessage* message);

    // Introspection: wake-ups signalled by enqueue, and lines waiting.
    int32_t wakeUpCount() const { return m_wakeUps.load(); }
    size_t queuedCount() const;

protected:
    int run(void* arg) override;

private:
    // Writes the queue front to back under the library lock. Without force a line that cannot
    // be written stays queued for the next wake-up; with force every line goes.
    void writeQueue(bool force);
    void wake();

    LogFile& m_owner;
    Semaphore m_semaphore{0, 256};
    int64_t m_lastWakeUp = 0; // milliseconds since 1970
    int64_t m_lastWrite = 0;
    std::deque<LogMessage*> m_queue; // each holds one reference; under the library lock
    std::atomic<int32_t> m_wakeUps{0};
};

} // namespace pel

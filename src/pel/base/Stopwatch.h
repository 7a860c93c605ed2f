#pragma once
// Accumulates elapsed time over start/stop intervals, in microseconds.

#include "pel/base/Timestamp.h"

#include <cstdint>

namespace pel {

class Stopwatch {
public:
    // Where the stopwatch reads the time (microseconds since 1970); tests give their own.
    using Clock = int64_t (*)();

    // Start at the current time, nothing elapsed, not running.
    explicit Stopwatch(Clock clock = &currentTimeMicros);

    void start();   // only when not running
    void stop();    // only when running: adds the interval since start
    void reset();   // nothing elapsed, not running; the start stays
    void restart(); // nothing elapsed, start now, running

    int64_t elapsed() const;
    int64_t elapsedSeconds() const { return elapsed() / resolution(); }
    int64_t elapsedMilliseconds() const { return elapsed() / millisecondResolution(); }
    Timestamp getStart() const { return Timestamp(m_start); }
    bool isRunning() const { return m_running; }

    static int64_t resolution() { return 1000000; }
    static int64_t millisecondResolution() { return 1000; }

private:
    Clock m_clock;
    int64_t m_start;
    int64_t m_elapsed = 0;
    bool m_running = false;
};

} // namespace pel

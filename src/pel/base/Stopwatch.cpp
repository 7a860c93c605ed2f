#include "pel/base/Stopwatch.h"

namespace pel {

Stopwatch::Stopwatch(Clock clock) : m_clock(clock ? clock : &currentTimeMicros), m_start(m_clock()) {}

void Stopwatch::start() {
    if (m_running)
        return;
    m_start = m_clock();
    m_running = true;
}

void Stopwatch::stop() {
    if (!m_running)
        return;
    m_elapsed += m_clock() - m_start;
    m_running = false;
}

void Stopwatch::reset() {
    m_elapsed = 0;
    m_running = false;
}

void Stopwatch::restart() {
    m_elapsed = 0;
    m_start = m_clock();
    m_running = true;
}

int64_t Stopwatch::elapsed() const {
    return m_running ? m_elapsed + (m_clock() - m_start) : m_elapsed;
}

} // namespace pel

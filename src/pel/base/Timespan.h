#pragma once
// A signed length of time in microseconds: the difference of two DateTimes and what DateTime
// arithmetic adds and subtracts.

#include <cstdint>

namespace pel {

class Timespan {
public:
    static constexpr int64_t MILLISECONDS = 1000;
    static constexpr int64_t SECONDS = 1000 * MILLISECONDS;
    static constexpr int64_t MINUTES = 60 * SECONDS;
    static constexpr int64_t HOURS = 60 * MINUTES;
    static constexpr int64_t DAYS = 24 * HOURS;

    Timespan() = default;
    explicit Timespan(int64_t microseconds) : m_span(microseconds) {}

    int64_t totalMicroseconds() const { return m_span; }

    bool operator==(const Timespan& other) const { return m_span == other.m_span; }
    bool operator!=(const Timespan& other) const { return m_span != other.m_span; }
    bool operator<(const Timespan& other) const { return m_span < other.m_span; }
    bool operator>(const Timespan& other) const { return m_span > other.m_span; }

private:
    int64_t m_span = 0;
};

} // namespace pel

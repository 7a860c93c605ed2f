#pragma once
// Points in time as microseconds since 1970-01-01 00:00:00 UTC, with the conversions to the
// Win32 FILETIME and to the UUID time base (100-nanosecond units since 1582-10-15).

#include <cstdint>

namespace pel {

class Timestamp {
public:
    // FILETIME counts 100-nanosecond units from 1601-01-01.
    static constexpr int64_t FILETIME_EPOCH_OFFSET = 116444736000000000LL;
    // Microseconds from 1582-10-15 to 1970-01-01.
    static constexpr int64_t UTC_EPOCH_OFFSET = 12219292800000000LL;

    // The current time.
    Timestamp();
    Timestamp(const Timestamp& other) = default;
    explicit Timestamp(int64_t microseconds) : m_microseconds(microseconds) {}
    Timestamp& operator=(const Timestamp& other) = default;

    static Timestamp fromEpochTime(int64_t seconds) { return Timestamp(seconds * 1000000); }
    static Timestamp fromUtcTime(int64_t utcTime) { return Timestamp(utcTime / 10 - UTC_EPOCH_OFFSET); }
    static Timestamp fromFileTimeNP(uint32_t low, uint32_t high);

    // Re-reads the clock.
    void update();
    void swap(Timestamp& other);

    int64_t epochMicroseconds() const { return m_microseconds; }
    // Whole seconds since 1970, truncated.
    int64_t epochTime() const { return m_microseconds / 1000000; }
    // 100-nanosecond units since 1582-10-15.
    int64_t utcTime() const { return (m_microseconds + UTC_EPOCH_OFFSET) * 10; }
    void toFileTimeNP(uint32_t* o_low, uint32_t* o_high) const;

    // Microseconds from this timestamp to now.
    int64_t elapsed() const;
    bool isElapsed(int64_t interval) const { return elapsed() >= interval; }

    Timestamp operator+(int64_t span) const { return Timestamp(m_microseconds + span); }
    Timestamp operator-(int64_t span) const { return Timestamp(m_microseconds - span); }
    int64_t operator-(const Timestamp& other) const { return m_microseconds - other.m_microseconds; }
    Timestamp& operator+=(int64_t span) { m_microseconds += span; return *this; }
    Timestamp& operator-=(int64_t span) { m_microseconds -= span; return *this; }

    bool operator==(const Timestamp& other) const { return m_microseconds == other.m_microseconds; }
    bool operator!=(const Timestamp& other) const { return m_microseconds != other.m_microseconds; }
    bool operator<(const Timestamp& other) const { return m_microseconds < other.m_microseconds; }
    bool operator<=(const Timestamp& other) const { return m_microseconds <= other.m_microseconds; }
    bool operator>(const Timestamp& other) const { return m_microseconds > other.m_microseconds; }
    bool operator>=(const Timestamp& other) const { return m_microseconds >= other.m_microseconds; }

private:
    int64_t m_microseconds;
};

// Milliseconds since 1970 from the system clock.
int64_t currentTimeMillis();
// Microseconds since 1970 from the system clock.
int64_t currentTimeMicros();
// The current time in microseconds minus `since`.
int64_t elapsedMicroseconds(int64_t since);

} // namespace pel

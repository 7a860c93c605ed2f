#pragma once
// A date and time in a zone tzd seconds east of UTC: the calendar fields show local time, and
// utcTime() gives the instant in UTC. Compared by their UTC instants.

#include "pel/base/DateTime.h"

namespace pel {

class LocalDateTime : public DateTime {
public:
    // The local fields as given (checked as DateTime's are).
    LocalDateTime(int tzd, int year, int month, int day, int hour = 0, int minute = 0,
                  int second = 0, int millisecond = 0, int microsecond = 0);
    // The local time of a UTC instant.
    LocalDateTime(int tzd, const DateTime& utc);
    LocalDateTime(const LocalDateTime& other) = default;
    LocalDateTime& operator=(const LocalDateTime& other) = default;
    void swap(LocalDateTime& other);

    int tzd() const { return m_tzd; }
    // The instant in UTC.
    int64_t utcTime() const;

    bool operator==(const LocalDateTime& other) const { return utcTime() == other.utcTime(); }
    bool operator!=(const LocalDateTime& other) const { return utcTime() != other.utcTime(); }
    bool operator<(const LocalDateTime& other) const { return utcTime() < other.utcTime(); }
    bool operator>(const LocalDateTime& other) const { return utcTime() > other.utcTime(); }

protected:
    // Moves the instant by tzd seconds, from UTC to local time.
    void adjustForTzd();

private:
    int m_tzd;
};

} // namespace pel

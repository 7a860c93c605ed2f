#include "pel/base/LocalDateTime.h"

#include <utility>

namespace pel {

namespace {
constexpr int64_t UNITS_PER_SECOND = 10000000;
} // namespace

LocalDateTime::LocalDateTime(int tzd, int year, int month, int day, int hour, int minute, int second,
                             int millisecond, int microsecond)
    : DateTime(year, month, day, hour, minute, second, millisecond, microsecond), m_tzd(tzd) {}

LocalDateTime::LocalDateTime(int tzd, const DateTime& utc) : DateTime(utc), m_tzd(tzd) {
    adjustForTzd();
}

void LocalDateTime::swap(LocalDateTime& other) {
    DateTime::swap(other);
    std::swap(m_tzd, other.m_tzd);
}

int64_t LocalDateTime::utcTime() const {
    return DateTime::utcTime() - static_cast<int64_t>(m_tzd) * UNITS_PER_SECOND;
}

void LocalDateTime::adjustForTzd() {
    setUtcTime(DateTime::utcTime() + static_cast<int64_t>(m_tzd) * UNITS_PER_SECOND);
}

} // namespace pel

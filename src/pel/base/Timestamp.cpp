#include "pel/base/Timestamp.h"

#include "pel/base/Assert.h"

#include <windows.h>

#include <utility>

namespace pel {

namespace {

int64_t fileTimeToMicroseconds(uint32_t low, uint32_t high) {
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
    return (ticks - Timestamp::FILETIME_EPOCH_OFFSET) / 10;
}

} // namespace

int64_t currentTimeMicros() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return fileTimeToMicroseconds(now.dwLowDateTime, now.dwHighDateTime);
}

int64_t currentTimeMillis() {
    return currentTimeMicros() / 1000;
}

int64_t elapsedMicroseconds(int64_t since) {
    return currentTimeMicros() - since;
}

Timestamp::Timestamp() : m_microseconds(currentTimeMicros()) {}

Timestamp Timestamp::fromFileTimeNP(uint32_t low, uint32_t high) {
    return Timestamp(fileTimeToMicroseconds(low, high));
}

void Timestamp::update() {
    m_microseconds = currentTimeMicros();
}

void Timestamp::swap(Timestamp& other) {
    std::swap(m_microseconds, other.m_microseconds);
}

void Timestamp::toFileTimeNP(uint32_t* o_low, uint32_t* o_high) const {
    PEL_CHECK_PTR(o_low);
    PEL_CHECK_PTR(o_high);
    const uint64_t ticks = static_cast<uint64_t>(m_microseconds * 10 + FILETIME_EPOCH_OFFSET);
    *o_low = static_cast<uint32_t>(ticks);
    *o_high = static_cast<uint32_t>(ticks >> 32);
}

int64_t Timestamp::elapsed() const {
    return currentTimeMicros() - m_microseconds;
}

} // namespace pel

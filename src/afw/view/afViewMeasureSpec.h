#pragma once
// The constraint a parent hands a view to measure itself by: 32 bits, the mode in the top four
// (unspecified, exactly, at most) and the size in the low 28, read as a signed number.

#include <cstdint>

class afViewMeasureSpec {
public:
    static constexpr uint32_t UNSPECIFIED = 0;
    static constexpr uint32_t EXACTLY = 0x40000000;
    static constexpr uint32_t AT_MOST = 0x80000000;
    static constexpr uint32_t MODE_MASK = 0xF0000000;
    static constexpr uint32_t SIZE_MASK = 0x0FFFFFFF;

    static constexpr uint32_t make(int32_t size, uint32_t mode) {
        return (static_cast<uint32_t>(size) & SIZE_MASK) | (mode & MODE_MASK);
    }
    static constexpr uint32_t exactly(int32_t size) { return make(size, EXACTLY); }
    static constexpr uint32_t atMost(int32_t size) { return make(size, AT_MOST); }

    static constexpr uint32_t getMode(uint32_t spec) { return spec & MODE_MASK; }
    // The size of an exactly or at-most spec; any other mode throws
    // pel::InvalidArgumentException.
    static int32_t getSize(uint32_t spec) {
        const uint32_t mode = getMode(spec);
        if (mode != EXACTLY && mode != AT_MOST)
            throwInvalidMode();
        return getRawSize(spec);
    }
    // The 28-bit size whatever the mode, for measures that take the size of any spec; never throws.
    static constexpr int32_t getRawSize(uint32_t spec) {
        return static_cast<int32_t>(spec << 4) >> 4;
    }

private:
    [[noreturn]] static void throwInvalidMode();
};

#pragma once
// 128-bit identifiers of bundles, entries, projects and presets, in the Win32 GUID layout.
// The library orders them by their 16 stored bytes, greatest first.

#include <cstdint>
#include <string>

namespace pel {

struct UUID {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};

    // A new random UUID; throws SystemException when the system cannot make one.
    static void create(UUID* o_guid);
    static UUID create();
    // Parses the 36-character form (no braces). On failure stores the nil UUID and returns false.
    static bool parse(const wchar_t* guid_string, UUID* o_guid);
    // The parsed UUID, or nil when the text is not a UUID.
    static UUID fromString(const std::wstring& text);
    // Lower-case 8-4-4-4-12 hexadecimal form without braces.
    static void toString(const UUID* guid, std::wstring* o_string);
    std::wstring toString() const;
    // Compares the 16 stored bytes as unsigned values; the first difference decides:
    // 1 when it is greater in b, -1 when greater in a, 0 when all are equal.
    static int compare(const UUID& a, const UUID& b);
    static void copy(const UUID& source, UUID* o_dst);

    static UUID nil() { return UUID(); }
    bool isNil() const;
};

inline bool operator==(const UUID& a, const UUID& b) { return UUID::compare(a, b) == 0; }
inline bool operator!=(const UUID& a, const UUID& b) { return UUID::compare(a, b) != 0; }
// Ordered maps keyed by UUID run from the greatest byte string to the smallest.
inline bool operator<(const UUID& a, const UUID& b) { return UUID::compare(a, b) < 0; }

} // namespace pel

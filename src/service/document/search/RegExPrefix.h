#pragma once
// What every match of a regular expression starts with, read from the pattern when it is
// compiled: for each of its first units, a set that holds every unit the pattern can match
// there (or any unit); the reading ends behind a character that may take one unit or two. The regular-expression finder runs its engine only at places whose
// units lie in these sets, found by a vectorised scan (ProbeHits) for the two sets that are
// rarest in text. The sets may hold more than the pattern matches, never less; where the
// pattern cannot be read that way (alternatives at the top, a leading optional part, an escape
// it does not know) the prefix is not usable and the finder runs its engine everywhere.

#include "service/document/GapBuffer.h"
#include "service/document/search/UnicodeRegExTraits.h"
#include "service/document/search/ProbeHits.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessel {

class RegExPrefix {
public:
    // The most units of a pattern read.
    static constexpr int MAX_UNITS = 16;

    // For the pattern as the finder compiles it (ECMAScript syntax, the Unicode traits).
    RegExPrefix(const std::wstring& pattern, bool ignoreCase, const UnicodeRegExTraits& traits);

    bool usable() const { return m_hits != nullptr; }
    // How many units every match starts with.
    int32_t length() const { return static_cast<int32_t>(m_sets.size()); }

    // The first place in [first, last] whose units hold the prefix's sets; -1 when none.
    // last + length() must not pass the buffer's length.
    int32_t next(const GapBuffer& buffer, int32_t first, int32_t last) const;

    // The set of the unit at offset (tests): whether it holds the unit.
    bool holds(int32_t offset, wchar_t unit) const { return m_sets[offset].has(unit); }

private:
    // A set of units as 65,536 bits; no bits: any unit.
    struct UnitSet {
        std::vector<uint32_t> bits;
        bool any() const { return bits.empty(); }
        bool has(wchar_t unit) const { return bits.empty() || (bits[unit >> 5] >> (unit & 31)) & 1; }
    };
    class Reader;

    void chooseProbes(bool ignoreCase);
    // Whether the units from place on hold every set; text is the buffer, or a base that reads
    // one side of its gap by position.
    template <class Text>
    bool holdsAt(const Text& text, int32_t place) const;
    int32_t scan(const wchar_t* base, int32_t first, int32_t last) const;

    std::vector<UnitSet> m_sets;
    // The probes: of the sets of up to four units, or of one range of ASCII units (and maybe
    // units above ASCII, rare in text), the two rarest (one twice where only one fits); null
    // when none fits.
    std::unique_ptr<ProbeHits> m_hits;
};

} // namespace tessel

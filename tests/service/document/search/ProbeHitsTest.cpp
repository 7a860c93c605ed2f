#include "service/document/search/ProbeHits.h"

#include "SearchTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using tessel::ProbeHits;
using tessel::ProbeKind;
using tessel::ProbeUnits;
using tessel::VectorWidth;

namespace {

// Units around the edges the vector tests make: ASCII, the digits' neighbours, the last ASCII
// unit and the first above it, other scripts, the largest unit.
const std::wstring ALPHABET = L"ab0129 .\n/:`{A\x7F\x80\u00e9\u0661\uFFFF";

ProbeUnits randomProbe(std::mt19937& random, int32_t offset) {
    ProbeUnits probe;
    probe.offset = offset;
    probe.kind = static_cast<ProbeKind>(random() % 6);
    if (probe.kind == ProbeKind::RANGE || probe.kind == ProbeKind::RANGE_AND_ABOVE) {
        probe.units[0] = static_cast<wchar_t>(0x20 + random() % 0x50);
        probe.units[1] = static_cast<wchar_t>(random() % (0x80 - probe.units[0]));
    } else if (probe.kind == ProbeKind::ABOVE) {
        // Ranges that one xor maps onto [0, width]: aligned to a power of two.
        const int bits = static_cast<int>(random() % 4);
        probe.units[1] = static_cast<wchar_t>((1 << bits) - 1);
        probe.units[0] = static_cast<wchar_t>((0x20 + random() % 0x50) & ~probe.units[1]);
        if (!ProbeUnits::fitsAbove(probe.units[0], probe.units[1])) {
            probe.units[0] = L'0';
            probe.units[1] = 9;
        }
    } else {
        const int forms = probe.kind == ProbeKind::ONE ? 1 : probe.kind == ProbeKind::TWO ? 2 : 1 + random() % 4;
        for (int i = 0; i < ProbeUnits::MAX_FORMS; ++i)
            probe.units[i] = i < forms ? ALPHABET[random() % ALPHABET.size()] : probe.units[0];
    }
    return probe;
}

// Every place in [first, last] where both probes hit, in order, as the scan's blocks give them;
// a block that strays outside the range or from the order stops the list with -1.
std::vector<int32_t> forwardPlaces(const ProbeHits& hits, const wchar_t* base, int32_t first, int32_t last) {
    std::vector<int32_t> places;
    ProbeHits::Block block;
    for (int32_t place = first; place <= last && hits.forward(base, place, last, &block);
         place = block.place + ProbeHits::PLACES) {
        if (block.place < place || block.bits == 0) {
            places.push_back(-1);
            break;
        }
        for (uint64_t bits = block.bits; bits; bits &= bits - 1)
            places.push_back(block.place + __builtin_ctzll(bits) <= last ? block.place + __builtin_ctzll(bits) : -1);
    }
    return places;
}

std::vector<int32_t> backwardPlaces(const ProbeHits& hits, const wchar_t* base, int32_t first, int32_t last) {
    std::vector<int32_t> places;
    ProbeHits::Block block;
    for (int32_t place = last; place >= first && hits.backward(base, first, place, &block); place = block.place - 1) {
        if (block.place < first || block.bits == 0 || block.place + 63 - __builtin_clzll(block.bits) > place) {
            places.push_back(-1);
            break;
        }
        for (int bit = 63; bit >= 0; --bit)
            if ((block.bits >> bit) & 1)
                places.push_back(block.place + bit);
    }
    return places;
}

std::vector<int32_t> placesByUnits(const ProbeUnits& nearProbe, const ProbeUnits& farProbe, const std::wstring& text,
                                   int32_t first, int32_t last) {
    std::vector<int32_t> places;
    for (int32_t place = first; place <= last; ++place)
        if (nearProbe.has(text[place + nearProbe.offset]) && farProbe.has(text[place + farProbe.offset]))
            places.push_back(place);
    return places;
}

} // namespace

// Probes of every kind over random text, the ranges long and short: each vector width finds,
// in both directions, exactly the places whose units the probes' sets hold.
TEST(ProbeHitsTest, EveryWidthFindsThePlacesWhoseUnitsTheProbesHold) {
    std::mt19937 random(316);
    int found = 0;
    for (int round = 0; round < 1500; ++round) {
        const int32_t length = static_cast<int32_t>(round % 10 == 0 ? 1 + random() % 5000 : 1 + random() % 400);
        std::wstring text;
        for (int32_t i = 0; i < length; ++i)
            text += ALPHABET[random() % (round % 3 == 0 ? 6 : ALPHABET.size())];
        const int32_t nearOffset = static_cast<int32_t>(random() % 8);
        const int32_t farOffset = nearOffset + static_cast<int32_t>(random() % 24);
        const ProbeUnits nearProbe = randomProbe(random, nearOffset), farProbe = randomProbe(random, farOffset);
        if (farOffset >= length)
            continue;
        const int32_t first = static_cast<int32_t>(random() % (length - farOffset));
        const int32_t last = first + static_cast<int32_t>(random() % (length - farOffset - first));
        const std::vector<int32_t> expected = placesByUnits(nearProbe, farProbe, text, first, last);
        const std::vector<int32_t> expectedBackward(expected.rbegin(), expected.rend());
        found += !expected.empty();
        tessel_test::forEachVectorWidth([&](VectorWidth width) {
            const ProbeHits hits(nearProbe, farProbe);
            ASSERT_EQ(width, hits.width());
            ASSERT_EQ(expected, forwardPlaces(hits, text.data(), first, last))
                << tessel_test::widthName(width) << " round " << round << " [" << first << ", " << last << "]";
            ASSERT_EQ(expectedBackward, backwardPlaces(hits, text.data(), first, last))
                << tessel_test::widthName(width) << " backwards, round " << round;
        });
        if (::testing::Test::HasFailure())
            return;
    }
    EXPECT_GT(found, 500) << "the rounds should hit often";
}

// A long text whose few hits stand at the edges of the scan's steps and of the range, and
// where the range ends at the text's end: every hit comes back, no other place.
TEST(ProbeHitsTest, FindsTheHitsAtTheEdgesOfALongText) {
    const int32_t length = (1 << 20) + 77;
    std::wstring text(length, L'a');
    ProbeUnits nearProbe, farProbe;
    nearProbe.units[0] = nearProbe.units[1] = nearProbe.units[2] = nearProbe.units[3] = L'x';
    farProbe.offset = 5;
    farProbe.kind = ProbeKind::RANGE_AND_ABOVE;
    farProbe.units[0] = L'0';
    farProbe.units[1] = 9;
    const int32_t first = 3, last = length - 1 - farProbe.offset;
    std::vector<int32_t> expected;
    for (const int32_t place : {first, first + 1, first + 63, first + 64, first + 127, first + 128, first + 129,
                                length / 2, last - 128, last - 127, last - 64, last - 1, last}) {
        text[place] = L'x';
        text[place + farProbe.offset] = expected.size() % 2 ? L'7' : L'\u0661';
        expected.push_back(place);
    }
    // Near misses: the near unit without the far one, and the far one alone.
    text[first + 300] = L'x';
    text[first + 900 + farProbe.offset] = L'5';
    const std::vector<int32_t> expectedBackward(expected.rbegin(), expected.rend());
    tessel_test::forEachVectorWidth([&](VectorWidth width) {
        const ProbeHits hits(nearProbe, farProbe);
        EXPECT_EQ(expected, forwardPlaces(hits, text.data(), first, last)) << tessel_test::widthName(width);
        EXPECT_EQ(expectedBackward, backwardPlaces(hits, text.data(), first, last)) << tessel_test::widthName(width);
    });
}

// Scans set up under a limit use the narrower vectors; after it, the widest again.
TEST(ProbeHitsTest, ALimitNarrowsTheVectorsOfScansSetUpUnderIt) {
    const ProbeUnits probe;
    {
        const tessel_test::VectorLimit limit(VectorWidth::SSE2);
        EXPECT_EQ(VectorWidth::SSE2, ProbeHits(probe, probe).width());
    }
    EXPECT_EQ(tessel::widestVectors(), ProbeHits(probe, probe).width());
}

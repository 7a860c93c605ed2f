#include "afw/data/afClipboardRing.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <tuple>

namespace {

using Entry = std::tuple<uint32_t, std::wstring, std::wstring>; // status, preview, text

std::vector<Entry> entriesOf(const afClipboardRing& ring) {
    std::vector<Entry> entries;
    for (uint32_t i = 0; const afClipboardRingEntry* entry = ring.getEntry(i); ++i)
        entries.emplace_back(entry->status, entry->preview, entry->text ? entry->text.get() : L"");
    EXPECT_EQ(ring.getCount(), entries.size());
    return entries;
}

TEST(ClipboardRingTest, PreviewsShowTheTextOnOneLineAndNullTextIsRefused) {
    afClipboardRing ring(10, 0x80000, 32);
    EXPECT_TRUE(ring.putText(L"  \tab\r\ncd", 9));
    EXPECT_EQ(L"ab cd", ring.getEntry(0)->preview);
    tessel_test::LogCapture log;
    EXPECT_FALSE(ring.putText(nullptr, 3));
    EXPECT_EQ(1u, ring.getCount());
    EXPECT_TRUE(log.contains(L"afClipboardRing::putText(): Cannot put NULL text.\n", 1));
}

// Random texts against a plain list of what the ring should hold: null, empty, blank runs and
// texts just under and at the ring's capacity among them.
TEST(ClipboardRingTest, FollowsAPlainModel) {
    afClipboardRing ring(10, 0x80000, 32);
    std::deque<Entry> model;
    std::mt19937 random(2000);
    const wchar_t alphabet[] = L" \t\r\nab\x1\xE9";
    for (int call = 0; call < 2000; ++call) {
        std::wstring text;
        const uint32_t kind = random() % 10;
        if (kind == 1)
            text.assign(0x7FFFF + random() % 2, alphabet[random() % 8]);
        for (uint32_t i = 0, length = kind < 2 ? 0 : random() % 50; i < length; ++i)
            text += kind == 2 ? L' ' : alphabet[random() % 8];
        const bool null = kind == 3 && random() % 2;
        const bool stored = ring.putText(null ? nullptr : text.c_str(), static_cast<uint32_t>(text.size()));

        if (!null && !text.empty()) {
            std::wstring preview;
            if (text.size() >= 0x80000) {
                preview = L"ERROR: Text exceeds capacity of the ring.";
            } else {
                const size_t start = text.find_first_not_of(L" \t\r\n\x1");
                for (size_t i = start; i < text.size() && preview.size() <= 28; ++i)
                    if (text[i] > L' ' || text[i] == L' ' || text[i] == L'\t' || text[i] == L'\n')
                        preview += text[i] > L' ' ? text[i] : L' ';
                if (preview.size() > 28)
                    preview += L"...";
            }
            const bool fits = text.size() < 0x80000;
            model.emplace_back(fits ? AF_RING_STORED : AF_RING_TOO_LONG, preview, fits ? text : L"");
            if (model.size() > 10)
                model.pop_front();
        }
        ASSERT_EQ(!null && !text.empty() && text.size() < 0x80000, stored) << call;
        ASSERT_EQ(std::vector<Entry>(model.begin(), model.end()), entriesOf(ring)) << call;
    }
}

} // namespace

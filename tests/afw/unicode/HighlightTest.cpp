#include "afw/support/TextLayout.h"
#include "pel/base/Exception.h"
#include "pel/thread/MainThread.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

// A layer of one look that marks entry 1 of every line it is asked about.
struct Layer : tessel::TextHighlighter {
    Layer(float red, float alpha, uint16_t flags = 0) {
        tessel::HighlightStyle style = {{0, 0, red, 1.0f}, {red, 0.5f, 0, alpha}, flags};
        setStyle(style);
    }
    void update(int line, tessel::LineAttributes& attributes, int first, int last) override {
        calls.push_back({line, first, last});
        markAttributeRange(attributes, 1, 2, getBit());
    }
    std::vector<std::vector<int>> calls;
};

bool same(const tessel::HighlightStyle& a, const tessel::HighlightStyle& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(HighlightTest, FiveLayersAtMostEachWithABitNoOtherHolds) {
    afUnicode layout(tessel_test::testFontSet());
    Layer layers[6] = {{0.2f, 0.5f, 0x10}, {0.4f, 0.5f}, {1.0f, 0.25f, 0x40}, {0.6f, 1}, {0.8f, 1}, {0.9f, 1}};
    for (Layer& layer : layers)
        layout.addClient(&layer);
    layout.addClient(&layers[0]);
    ASSERT_EQ(5u, layout.getClients().size());
    EXPECT_EQ(0u, layers[5].getBit()) << "a sixth is ignored";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(1u << i, layers[i].getBit());

    // Slots blend the later layers of their mask over the first, which keeps its alpha.
    tessel::HighlightStyle first;
    layers[0].getStyle(first);
    EXPECT_TRUE(same(first, layout.blendSlot(0b001)));
    const tessel::HighlightStyle& both = layout.blendSlot(0b101);
    EXPECT_FLOAT_EQ(0.2f - (0.2f - 1.0f) * 0.25f, both.background[0]);
    EXPECT_FLOAT_EQ(0.5f, both.background[3]);
    EXPECT_FLOAT_EQ(0.2f - (0.2f - 1.0f) * 1.0f, both.foreground[2]);
    EXPECT_EQ(0x50, both.flags);
    EXPECT_EQ(&both, &layout.blendSlot(0xE5)) << "masks index the table by their low five bits";
    EXPECT_EQ(0.0f, layout.blendSlot(0).background[3]);

    const tessel::HighlightStyle before = layout.blendSlot(0b11);
    layout.removeClient(&layers[5]);
    EXPECT_EQ(5u, layout.getClients().size()) << "never added: nothing changes";
    EXPECT_TRUE(same(before, layout.blendSlot(0b11)));
    layout.removeClient(&layers[0]);
    EXPECT_EQ(0u, layers[0].getBit());
    layout.addClient(&layers[5]);
    EXPECT_EQ(1u, layers[5].getBit()) << "the bit layer 0 held, not one still in use";
}

TEST(HighlightTest, UpdateClearsOldMarksAndAsksEveryLayerOnceWhileTheLineIsDirty) {
    pel::store_main_thread_id();
    afUnicode layout(tessel_test::testFontSet());
    Layer first(0.1f, 1), second(0.2f, 1);
    layout.addClient(&first);
    layout.addClient(&second);
    afUnicodeData data;
    tessel_test::fillRecord(data, L"abcd");
    tessel::TextHighlighter::markAttributeRange(data.attributes, 3, 4, 0x10);
    int context = 0;
    layout.updateHighlights(data, &context, 7, 100);
    layout.updateHighlights(data, &context, 7, 100);
    EXPECT_EQ((std::vector<uint32_t>{0, 0x030000, 0, 0}), data.attributes.entries);
    EXPECT_EQ((std::vector<std::vector<int>>{{7, 100, 104}}), first.calls) << "once: then the line is clean";
    EXPECT_EQ(first.calls, second.calls);

    data.highlightDirty = true;
    std::wstring message;
    std::thread([&] {
        try {
            layout.updateHighlights(data, &context, 7, 100);
        } catch (const pel::Exception& e) {
            message = e.message;
        }
    }).join();
    EXPECT_EQ(L"Not a main thread.", message);
}

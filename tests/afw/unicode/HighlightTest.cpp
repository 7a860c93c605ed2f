#include "afw/support/TextLayout.h"
#include "pel/base/Exception.h"
#include "pel/thread/MainThread.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

// A layer of one background colour that marks one range of every line it is asked about.
class Layer : public tessel::TextHighlighter {
public:
    Layer(float red, float alpha, uint16_t flags = 0) {
        tessel::HighlightStyle style;
        style.background[0] = red;
        style.background[1] = 0.5f;
        style.background[3] = alpha;
        style.foreground[2] = red;
        style.foreground[3] = 1.0f;
        style.flags = flags;
        setStyle(style);
    }
    void update(int line, tessel::LineAttributes& attributes, int first, int last) override {
        calls.push_back({line, first, last});
        markAttributeRange(attributes, 1, 2, getBit());
    }
    std::vector<std::vector<int>> calls;
};

class HighlightTest : public testing::Test {
protected:
    afUnicode layout{tessel_test::testFontSet()};
    Layer layers[6] = {{0.2f, 0.5f, 0x10}, {0.4f, 0.5f}, {1.0f, 0.25f, 0x40}, {0.6f, 1}, {0.8f, 1}, {0.9f, 1}};
};

} // namespace

TEST_F(HighlightTest, FiveLayersAtMostEachWithItsOwnBit) {
    for (Layer& layer : layers)
        layout.addClient(&layer);
    layout.addClient(&layers[0]);
    ASSERT_EQ(5u, layout.getClients().size());
    EXPECT_EQ(0u, layers[5].getBit()) << "a sixth is ignored";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(1u << i, layers[i].getBit());

    const tessel::HighlightStyle before = layout.blendSlot(0b11);
    layout.removeClient(&layers[5]);
    EXPECT_EQ(5u, layout.getClients().size()) << "never added";
    EXPECT_EQ(0, std::memcmp(&before, &layout.blendSlot(0b11), sizeof before));

    layout.removeClient(&layers[0]);
    EXPECT_EQ(0u, layers[0].getBit());
    layout.addClient(&layers[5]);
    EXPECT_EQ(1u, layers[5].getBit()) << "the bit layer 0 held, no bit still in use";
}

TEST_F(HighlightTest, BlendSlotsLayLaterLayersOverEarlierOnes) {
    for (int i = 0; i < 3; ++i)
        layout.addClient(&layers[i]);
    const tessel::HighlightStyle& none = layout.blendSlot(0);
    EXPECT_EQ(0.0f, none.background[3]);
    tessel::HighlightStyle first;
    layers[0].getStyle(first);
    EXPECT_EQ(0, std::memcmp(&first, &layout.blendSlot(0b001), sizeof first));

    const tessel::HighlightStyle& both = layout.blendSlot(0b101);
    EXPECT_FLOAT_EQ(0.2f - (0.2f - 1.0f) * 0.25f, both.background[0]);
    EXPECT_FLOAT_EQ(0.5f, both.background[1]);
    EXPECT_FLOAT_EQ(0.5f, both.background[3]) << "the first layer's alpha stays";
    EXPECT_FLOAT_EQ(0.2f - (0.2f - 1.0f) * 1.0f, both.foreground[2]);
    EXPECT_EQ(0x50, both.flags);
    EXPECT_EQ(&both, &layout.blendSlot(0xE5)) << "masks index the table by their low five bits";
}

TEST_F(HighlightTest, UpdateClearsOldMarksAndAsksEveryLayerOnceWhileTheLineIsDirty) {
    pel::store_main_thread_id();
    layout.addClient(&layers[0]);
    layout.addClient(&layers[1]);
    afUnicodeData data;
    tessel_test::fillRecord(data, L"abcd");
    tessel::TextHighlighter::markAttributeRange(data.attributes, 3, 4, 0x10);
    int context = 0;
    layout.updateHighlights(data, &context, 7, 100);
    EXPECT_EQ((std::vector<uint32_t>{0, 0x030000, 0, 0}), data.attributes.entries);
    EXPECT_EQ((std::vector<std::vector<int>>{{7, 100, 104}}), layers[0].calls);
    EXPECT_EQ(layers[0].calls, layers[1].calls);
    EXPECT_FALSE(data.highlightDirty);
    layout.updateHighlights(data, &context, 7, 100);
    EXPECT_EQ(1u, layers[0].calls.size()) << "a clean line is not marked again";

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
    EXPECT_EQ(1u, layers[0].calls.size());
}

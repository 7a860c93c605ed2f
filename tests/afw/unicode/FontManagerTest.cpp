#include "afw/impl/win32/uniscribe/RegistryKey.h"
#include "afw/unicode/afCharacterMap.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::wstring> kTestSet = {L"DejaVu Sans Mono", L"DejaVu Sans"};
using Ranges = std::vector<std::pair<uint32_t, uint32_t>>;

// Big-endian 16-bit words (a 32-bit value as two) after a cmap header with one Windows encoding
// record whose subtable follows at once.
std::vector<uint8_t> table(uint16_t encoding, std::vector<uint32_t> words) {
    std::vector<uint32_t> all = {0, 1, 3, encoding, 0, 12};
    all.insert(all.end(), words.begin(), words.end());
    std::vector<uint8_t> bytes;
    for (uint32_t word : all)
        bytes.insert(bytes.end(), {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)});
    return bytes;
}

// Format 12 with the groups (start, end), claiming `count` groups when given.
std::vector<uint8_t> format12(const Ranges& groups, uint32_t count = 0) {
    const uint32_t length = 16 + 12 * static_cast<uint32_t>(groups.size()), n = count ? count : groups.size();
    std::vector<uint32_t> words = {12, 0, length >> 16, length & 0xFFFF, 0, 0, n >> 16, n & 0xFFFF};
    for (auto& group : groups)
        words.insert(words.end(), {group.first >> 16, group.first & 0xFFFF, group.second >> 16, group.second & 0xFFFF, 0, 1});
    return table(10, words);
}

// Format 4 with the segment [first, last] (glyphs through the array at the range offset) and
// the closing 0xFFFF segment.
std::vector<uint8_t> format4(uint32_t first, uint32_t last, uint32_t rangeOffset, std::vector<uint32_t> glyphs) {
    std::vector<uint32_t> words = {4, static_cast<uint32_t>(32 + 2 * glyphs.size()), 0, 4, 4, 1, 0,
                                   last, 0xFFFF, 0, first, 0xFFFF, 0, 1, rangeOffset, 0};
    words.insert(words.end(), glyphs.begin(), glyphs.end());
    return table(1, words);
}

Ranges read(const std::vector<uint8_t>& bytes, afCharacterMap::Kind& kind) {
    const afCharacterMap map = afReadCharacterMap(bytes.data(), bytes.size());
    kind = map.kind;
    Ranges ranges;
    for (const afCodePointRange& range : map.ranges)
        ranges.emplace_back(range.first, range.last);
    return ranges;
}

} // namespace

TEST(CharacterMapTest, ReadsWhatTheSubtablesMapAndSurvivesBrokenOnes) {
    std::vector<uint8_t> truncated = format12({{0x41, 0x5A}});
    truncated.resize(truncated.size() - 6);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        afCharacterMap::Kind kind;
        Ranges ranges;
    } cases[] = {
        {"symbol", table(0, {4}), afCharacterMap::MAP_SYMBOL, {}},
        {"format 12, joined and sorted", format12({{0x1F600, 0x1F64F}, {0x41, 0x5A}, {0x5B, 0x60}}),
         afCharacterMap::MAP_UNICODE, {{0x41, 0x60}, {0x1F600, 0x1F64F}}},
        {"an end past U+10FFFF", format12({{0x10FF00, 0xFFFFFFFF}}), afCharacterMap::MAP_UNICODE, {{0x10FF00, 0x10FFFF}}},
        {"a start past its end", format12({{0x300, 0x200}, {0x41, 0x41}}), afCharacterMap::MAP_UNICODE, {{0x41, 0x41}}},
        {"0x20000000 groups", format12({{0x41, 0x5A}}, 0x20000000), afCharacterMap::MAP_NONE, {}},
        {"truncated", truncated, afCharacterMap::MAP_NONE, {}},
        {"records past the table", {0, 0, 0xFF, 0xFF}, afCharacterMap::MAP_NONE, {}},
        {"format 4 through the glyph array", format4(0x61, 0x64, 4, {7, 0, 9, 9}), afCharacterMap::MAP_UNICODE,
         {{0x61, 0x61}, {0x63, 0x64}}},
        {"format 4, range offset 0", format4(0x61, 0x64, 0, {}), afCharacterMap::MAP_UNICODE, {{0x61, 0x64}}},
        {"format 4, range offset past the end", format4(0x61, 0x64, 0x4000, {7}), afCharacterMap::MAP_UNICODE, {}},
        {"format 4, array ends inside the range", format4(0x61, 0x64, 4, {7, 7}), afCharacterMap::MAP_UNICODE,
         {{0x61, 0x62}}},
    };
    for (const auto& c : cases) {
        afCharacterMap::Kind kind;
        EXPECT_EQ(c.ranges, read(c.bytes, kind)) << c.name;
        EXPECT_EQ(c.kind, kind) << c.name;
    }

    // A family without Unicode coverage (a symbol font) claims only U+0000..U+00FF of a group.
    afFontFamilyInfo symbol, emoji;
    symbol.map = afReadCharacterMap(cases[0].bytes.data(), cases[0].bytes.size());
    symbol.unicodeRanges = 0;
    emoji.map = afReadCharacterMap(cases[1].bytes.data(), cases[1].bytes.size());
    afFontGroup group(0, 10);
    group.claim(emoji, 2);
    group.claim(symbol, 3);
    const std::vector<uint32_t> points = {0x41, 0xFF, 0x100, 0xF041, 0x1F64F, 0x1F650};
    std::vector<int> indices;
    for (uint32_t point : points)
        indices.push_back(group.fontIndexFor(point));
    EXPECT_EQ((std::vector<int>{3, 3, 1, 1, 2, 1}), indices) << "a new page starts filled with 1";
}

TEST(FontManagerTest, ResolvesNamesBuildsSetsOnceAndCoversByTheFirstListedFont) {
    afUnicodeFontManager& fonts = afUnicodeFontManager::instance();
    ASSERT_NE(nullptr, fonts.findFamily(L"MS Shell Dlg"));
    EXPECT_EQ(L"Tahoma", fonts.findFamily(L"MS Shell Dlg")->name) << "through the substitutes";
    EXPECT_EQ(fonts.findFamily(L"Courier"), fonts.getFontSet({L"No Such Family"}, 10)->group(0).family(1))
        << "no Courier New in the prefix: the next of the fallbacks";

    afFontSet* set = fonts.getFontSet(kTestSet, 10);
    EXPECT_EQ(set, fonts.getFontSet(kTestSet, 10));
    EXPECT_NE(set, fonts.getFontSet(kTestSet, 11));
    const afFontGroup& reversed = fonts.getFontSet({L"DejaVu Sans", L"DejaVu Sans Mono"}, 10)->group(0);
    for (int variant = 0; variant < AF_FONT_VARIANTS; ++variant) {
        const afFontGroup& group = set->group(variant);
        ASSERT_EQ(2, group.fontCount());
        EXPECT_EQ(L"DejaVu Sans", group.family(1)->name) << "names are added last to first";
        EXPECT_EQ((std::vector<int>{2, 1, 1, 1}),
                  (std::vector<int>{group.fontIndexFor('A'), group.fontIndexFor(0x05D0), group.fontIndexFor(0x1F600),
                                    group.fontIndexFor(0x0915)}));
    }
    EXPECT_EQ(2, reversed.fontIndexFor(0x1F600)) << "DejaVu Sans's, from its format-12 table";
    EXPECT_EQ(1, reversed.fontIndexFor(0x1D400)) << "no font of the set has it";

    afFontEntry* mono = fonts.fontFor(*set, 0, AF_LAST_FONT);
    EXPECT_EQ(mono, fonts.fontFor(*set, 0, 2));
    EXPECT_EQ(13, mono->metrics.tmHeight - mono->metrics.tmInternalLeading) << "10 pt at 96 DPI";
    afFontEntry* bold = fonts.fontFor(*set, AF_FONT_BOLD, 2);
    EXPECT_EQ(FW_BOLD, bold->metrics.tmWeight);
    EXPECT_EQ(bold, fonts.createFont(*set, AF_FONT_BOLD, 2)) << "found under its key";
    tessel_test::LogCapture log;
    afFontEntry* none = fonts.fontFor(*set, 0, 7);
    EXPECT_EQ(::GetStockObject(SYSTEM_FONT), none->font);
    EXPECT_FALSE(none->owned);
    EXPECT_TRUE(log.contains(L"afUnicodeFontManager::createFont(): Unable to locate info for 7.\n"));
}

TEST(FontManagerTest, EditorFontTellsItsListenersAfterAChange) {
    afUnicodeFontManager& fonts = afUnicodeFontManager::instance();
    EXPECT_EQ(std::vector<std::wstring>{L"Courier New"}, fonts.getEditorFontNames());
    EXPECT_EQ(10, fonts.getEditorFontSize());
    // The first listener takes the new set and removes the second before its turn.
    struct Listener : afFontListener {
        void onFontChanged() override {
            sets.push_back(afUnicodeFontManager::instance().getEditorFontSet());
            afUnicodeFontManager::instance().removeFontListener(other);
        }
        afFontListener* other = nullptr;
        std::vector<afFontSet*> sets;
    } first, second;
    first.other = &second;
    for (afFontListener* listener : {&first, &first, &second})
        fonts.addFontListener(listener);
    fonts.setEditorFont(kTestSet, 12);
    fonts.removeFontListener(&first);
    fonts.setEditorFont({L"Courier New"}, 10);
    EXPECT_EQ(std::vector<afFontSet*>{fonts.getFontSet(kTestSet, 12)}, first.sets);
    EXPECT_TRUE(second.sets.empty());
}

TEST(RegistryKeyTest, ReadsStringValuesWithOrWithoutTheirNul) {
    const wchar_t* path = L"Software\\TesselTests\\RegistryKey";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                               nullptr));
    const DWORD number = 7;
    const struct {
        const wchar_t* name;
        DWORD type;
        const void* data;
        DWORD bytes;
        bool read;
        const wchar_t* value;
    } cases[] = {{L"unterminated", REG_SZ, L"abc", 6, true, L"abc"}, {L"terminated", REG_SZ, L"abc", 8, true, L"abc"},
                 {L"multi", REG_MULTI_SZ, L"one\0two\0", 18, true, L"one"}, {L"empty", REG_SZ, L"", 0, true, L""},
                 {L"odd", REG_SZ, "abc", 3, false, L""}, {L"number", REG_DWORD, &number, 4, false, L""}};
    for (const auto& c : cases)
        ::RegSetValueExW(key, c.name, 0, c.type, static_cast<const BYTE*>(c.data), c.bytes);
    ::RegCloseKey(key);
    const RegistryKey reader(path);
    EXPECT_EQ(6, reader.valueCount());
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), reader.valueType(L"number"));
    for (const auto& c : cases) {
        std::wstring value;
        EXPECT_EQ(c.read, reader.readString(c.name, value)) << c.name;
        EXPECT_EQ(std::wstring(c.value), value) << c.name;
    }
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path);
    EXPECT_EQ(-1, reader.valueCount());
}

#include "afw/impl/win32/uniscribe/RegistryKey.h"
#include "afw/impl/win32/uniscribe/afResourceManager_WIN32.h"
#include "afw/impl/win32/uniscribe/afTextFactory_WIN32_US.h"
#include "afw/unicode/afCharacterMap.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "pel/base/Exception.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::wstring> kTestSet = {L"DejaVu Sans Mono", L"DejaVu Sans"};

// A cmap table written field by field, big-endian.
class Table {
public:
    Table& u16(uint32_t value) {
        bytes.push_back(static_cast<uint8_t>(value >> 8));
        bytes.push_back(static_cast<uint8_t>(value));
        return *this;
    }
    Table& u32(uint32_t value) { return u16(value >> 16).u16(value & 0xFFFF); }
    // The header and one encoding record whose subtable follows at once.
    static Table withRecord(uint16_t encoding) { return std::move(Table().u16(0).u16(1).u16(3).u16(encoding).u32(12)); }
    std::vector<uint8_t> bytes;
};

// Format 12 with the groups (start, end).
std::vector<uint8_t> format12(std::vector<std::pair<uint32_t, uint32_t>> groups, uint32_t count = 0) {
    Table table = Table::withRecord(10);
    const uint32_t n = count ? count : static_cast<uint32_t>(groups.size());
    table.u16(12).u16(0).u32(16 + 12 * static_cast<uint32_t>(groups.size())).u32(0).u32(n);
    for (auto& group : groups)
        table.u32(group.first).u32(group.second).u32(1);
    return table.bytes;
}

// Format 4 with one segment [first, last] whose glyphs come through the glyph array at the
// range offset, plus the closing 0xFFFF segment.
std::vector<uint8_t> format4(uint16_t first, uint16_t last, uint16_t rangeOffset, std::vector<uint16_t> glyphs) {
    Table table = Table::withRecord(1);
    const uint16_t length = static_cast<uint16_t>(16 + 8 * 2 + 2 * glyphs.size());
    table.u16(4).u16(length).u16(0).u16(4).u16(4).u16(1).u16(0);
    table.u16(last).u16(0xFFFF).u16(0).u16(first).u16(0xFFFF).u16(0).u16(1).u16(rangeOffset).u16(0);
    for (uint16_t glyph : glyphs)
        table.u16(glyph);
    return table.bytes;
}

afCharacterMap read(const std::vector<uint8_t>& bytes) {
    return afReadCharacterMap(bytes.data(), bytes.size());
}

} // namespace

TEST(CharacterMapTest, ReadsWhatTheSubtablesMapAndSurvivesBrokenOnes) {
    struct Case {
        const char* name;
        std::vector<uint8_t> table;
        afCharacterMap::Kind kind;
        std::vector<std::pair<uint32_t, uint32_t>> ranges;
    };
    std::vector<uint8_t> truncated = format12({{0x41, 0x5A}});
    truncated.resize(truncated.size() - 6);
    std::vector<uint8_t> manyRecords = {0, 0, 0xFF, 0xFF};
    const Case cases[] = {
        {"symbol", Table::withRecord(0).u16(4).bytes, afCharacterMap::MAP_SYMBOL, {}},
        {"format 12, groups joined and sorted", format12({{0x1F600, 0x1F64F}, {0x41, 0x5A}, {0x5B, 0x60}}),
         afCharacterMap::MAP_UNICODE, {{0x41, 0x60}, {0x1F600, 0x1F64F}}},
        {"end past U+10FFFF is clamped", format12({{0x10FF00, 0xFFFFFFFF}}), afCharacterMap::MAP_UNICODE,
         {{0x10FF00, 0x10FFFF}}},
        {"a start past its end is skipped", format12({{0x300, 0x200}, {0x41, 0x41}}), afCharacterMap::MAP_UNICODE,
         {{0x41, 0x41}}},
        {"0x20000000 groups", format12({{0x41, 0x5A}}, 0x20000000), afCharacterMap::MAP_NONE, {}},
        {"truncated", truncated, afCharacterMap::MAP_NONE, {}},
        {"records past the table", manyRecords, afCharacterMap::MAP_NONE, {}},
        {"format 4 through the glyph array", format4(0x61, 0x64, 4, {7, 0, 9, 9}), afCharacterMap::MAP_UNICODE,
         {{0x61, 0x61}, {0x63, 0x64}}},
        {"format 4, range offset 0", format4(0x61, 0x64, 0, {}), afCharacterMap::MAP_UNICODE, {{0x61, 0x64}}},
        {"format 4, range offset past the end", format4(0x61, 0x64, 0x4000, {7}), afCharacterMap::MAP_UNICODE, {}},
        {"format 4, array ends inside the range", format4(0x61, 0x64, 4, {7, 7}), afCharacterMap::MAP_UNICODE,
         {{0x61, 0x62}}},
    };
    for (const Case& c : cases) {
        const afCharacterMap map = read(c.table);
        EXPECT_EQ(c.kind, map.kind) << c.name;
        std::vector<std::pair<uint32_t, uint32_t>> ranges;
        for (const afCodePointRange& range : map.ranges)
            ranges.emplace_back(range.first, range.last);
        EXPECT_EQ(c.ranges, ranges) << c.name;
    }
}

TEST(CharacterMapTest, FamiliesWithoutUnicodeCoverageClaimOnlyLatin1AndPagesStartAtOne) {
    afFontFamilyInfo symbol;
    symbol.map = read(Table::withRecord(0).u16(4).bytes);
    symbol.unicodeRanges = 0;
    afFontFamilyInfo emoji;
    emoji.map = read(format12({{0x1F600, 0x1F601}}));
    afFontGroup group(0, 10);
    group.claim(emoji, 2);
    group.claim(symbol, 3);
    EXPECT_EQ(3, group.fontIndexFor(0x41));
    EXPECT_EQ(3, group.fontIndexFor(0xFF));
    EXPECT_EQ(1, group.fontIndexFor(0x100));
    EXPECT_EQ(1, group.fontIndexFor(0xF041));
    EXPECT_EQ(2, group.fontIndexFor(0x1F601));
    EXPECT_EQ(1, group.fontIndexFor(0x1F602)) << "a new page starts filled with 1";
    EXPECT_EQ(1u, group.extraPages());
}

class FontManagerTest : public testing::Test {
protected:
    afUnicodeFontManager& fonts = afUnicodeFontManager::instance();
};

TEST_F(FontManagerTest, ResolvesSubstitutesAndFallsBackForUnknownNames) {
    const afFontFamilyInfo* shell = fonts.findFamily(L"MS Shell Dlg");
    ASSERT_NE(nullptr, shell);
    EXPECT_EQ(L"Tahoma", shell->name);
    EXPECT_EQ(nullptr, fonts.findFamily(L"No Such Family"));

    const afFontFamilyInfo* expected = nullptr;
    for (const wchar_t* name : {L"Courier New", L"Courier", L"SYSTEM"})
        if (!expected)
            expected = fonts.findFamily(name);
    ASSERT_NE(nullptr, expected);
    afFontSet* set = fonts.getFontSet({L"No Such Family"}, 10);
    ASSERT_EQ(1, set->group(0).fontCount());
    EXPECT_EQ(expected, set->group(0).family(1));
}

TEST_F(FontManagerTest, SetsAreSharedByNamesAndSizeAndCoverByTheFirstListedFont) {
    afFontSet* set = fonts.getFontSet(kTestSet, 10);
    EXPECT_EQ(set, fonts.getFontSet(kTestSet, 10));
    EXPECT_NE(set, fonts.getFontSet(kTestSet, 11));
    EXPECT_NE(set, fonts.getFontSet({L"DejaVu Sans", L"DejaVu Sans Mono"}, 10));
    for (int variant = 0; variant < AF_FONT_VARIANTS; ++variant) {
        const afFontGroup& group = set->group(variant);
        ASSERT_EQ(2, group.fontCount());
        EXPECT_EQ(L"DejaVu Sans", group.family(1)->name) << "names are added last to first";
        EXPECT_EQ(2, group.fontIndexFor('A'));
        EXPECT_EQ(1, group.fontIndexFor(0x05D0));
        EXPECT_EQ(1, group.fontIndexFor(0x1F600));
        EXPECT_EQ(1, group.fontIndexFor(0x0915));
    }
    // The emoji is DejaVu Sans's (its format-12 table), whichever index that family has.
    const afFontGroup& reversed = fonts.getFontSet({L"DejaVu Sans", L"DejaVu Sans Mono"}, 10)->group(0);
    EXPECT_EQ(2, reversed.fontIndexFor(0x1F600));
    EXPECT_EQ(1, reversed.fontIndexFor(0x0915)) << "no font of the set has it";
    EXPECT_EQ(1, reversed.fontIndexFor(0x1D400));
}

TEST_F(FontManagerTest, FontsAreMadeOncePerKeyAndFallBackToTheSystemFont) {
    afFontSet* set = fonts.getFontSet(kTestSet, 10);
    afFontEntry* mono = fonts.fontFor(*set, 0, AF_LAST_FONT);
    EXPECT_EQ(mono, fonts.fontFor(*set, 0, 2));
    EXPECT_TRUE(mono->owned);
    EXPECT_EQ(-13, [&] {
        LOGFONTW font;
        ::GetObjectW(mono->font, sizeof font, &font);
        return font.lfHeight;
    }()) << "10 pt at 96 DPI";
    afFontEntry* bold = fonts.fontFor(*set, AF_FONT_BOLD, 2);
    EXPECT_NE(mono, bold);
    EXPECT_EQ(FW_BOLD, bold->metrics.tmWeight);
    EXPECT_EQ(bold, fonts.createFont(*set, AF_FONT_BOLD, 2)) << "found under its key";

    tessel_test::LogCapture log;
    afFontEntry* none = fonts.fontFor(*set, 0, 7);
    EXPECT_FALSE(none->owned);
    EXPECT_EQ(::GetStockObject(SYSTEM_FONT), none->font);
    EXPECT_TRUE(log.contains(L"afUnicodeFontManager::createFont(): Unable to locate info for 7.\n"));
}

TEST_F(FontManagerTest, EditorFontTellsItsListenersAfterAChange) {
    EXPECT_EQ(std::vector<std::wstring>{L"Courier New"}, fonts.getEditorFontNames());
    EXPECT_EQ(10, fonts.getEditorFontSize());
    struct Listener : afFontListener {
        void onFontChanged() override {
            sets.push_back(manager->getEditorFontSet());
            if (other)
                manager->removeFontListener(other);
        }
        IFontManager* manager = nullptr;
        afFontListener* other = nullptr;
        std::vector<afFontSet*> sets;
    } first, second;
    first.manager = second.manager = &fonts;
    first.other = &second;
    fonts.addFontListener(&first);
    fonts.addFontListener(&first);
    fonts.addFontListener(&second);
    fonts.setEditorFont(kTestSet, 12);
    fonts.removeFontListener(&first);
    fonts.setEditorFont({L"Courier New"}, 10);
    ASSERT_EQ(1u, first.sets.size());
    EXPECT_EQ(fonts.getFontSet(kTestSet, 12), first.sets[0]);
    EXPECT_TRUE(second.sets.empty()) << "removed before its turn";
}

TEST(RegistryKeyTest, ReadsStringValuesWithOrWithoutTheirNul) {
    const wchar_t* path = L"Software\\TesselTests\\RegistryKey";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                               nullptr));
    auto set = [&](const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
    };
    set(L"unterminated", REG_SZ, L"abc", 6);
    set(L"terminated", REG_SZ, L"abc", 8);
    set(L"multi", REG_MULTI_SZ, L"one\0two\0", 18);
    set(L"empty", REG_SZ, L"", 0);
    set(L"odd", REG_SZ, "abc", 3);
    const DWORD number = 7;
    set(L"number", REG_DWORD, &number, 4);
    ::RegCloseKey(key);

    const RegistryKey reader(path);
    EXPECT_EQ(6, reader.valueCount());
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), reader.valueType(L"number"));
    struct Case {
        const wchar_t* name;
        bool read;
        const wchar_t* value;
    } cases[] = {{L"unterminated", true, L"abc"}, {L"terminated", true, L"abc"}, {L"multi", true, L"one"},
                 {L"empty", true, L""},           {L"odd", false, L""},          {L"number", false, L""},
                 {L"missing", false, L""}};
    for (const Case& c : cases) {
        std::wstring value;
        EXPECT_EQ(c.read, reader.readString(c.name, value)) << c.name;
        EXPECT_EQ(std::wstring(c.value), value) << c.name;
    }
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path);
    EXPECT_EQ(-1, reader.valueCount());
}

TEST(TextPlatformTest, FactoriesShareTheFamilyFactoryAndCompareFamiliesByName) {
    afResourceManager_WIN32 resources;
    std::shared_ptr<afIFontManager> families = resources.getFontManager();
    EXPECT_EQ(families, resources.getFontManager());
    auto mono = families->createFamily(L"DejaVu Sans Mono");
    EXPECT_TRUE(mono->equals(*families->createFamily(L"DejaVu Sans Mono")));
    EXPECT_TRUE(mono->notEquals(*families->createFamily(L"DejaVu Sans")));
    EXPECT_THROW(mono->createFont(10, 0), pel::NotImplementedException);
    auto text = std::make_shared<const std::wstring>(L"x");
    afTextFactory_WIN32_US factory;
    EXPECT_EQ(nullptr, factory.createText(text, mono));
    EXPECT_EQ(1, text.use_count());
}

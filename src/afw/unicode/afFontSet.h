#pragma once
// What the font manager hands the text layout: a font set (family names and a point size) with
// one font group per font variant; a group lists the families added to it by index and knows,
// for every code point, the index of the font that serves it. Fonts themselves (handle,
// metrics, Uniscribe cache) are font entries, made on first use.

#include "afw/unicode/afCharacterMap.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>
#include <windows.h>
#include <usp10.h>

class IFontManager;

// Font variants: a number 0-8 whose bits pick the style; variant 8 has none of them.
enum afFontVariantBits {
    AF_FONT_BOLD = 1,
    AF_FONT_ITALIC = 2,
    AF_FONT_UNDERLINE = 4,
};
constexpr int AF_FONT_VARIANTS = 9;
// The font index that asks for a group's last font: its first-listed family.
constexpr int AF_LAST_FONT = 0xFF;

// An installed family as the system enumerated it.
struct afFontFamilyInfo {
    std::wstring name;
    uint32_t charsets[8] = {};  // one bit per lfCharSet value seen
    uint32_t subranges[4] = {}; // the Unicode subrange bits of its font signature
    uint16_t weight = 0;
    uint8_t symbol = 0;
    uint8_t unicodeRanges = 1;
    uint8_t family = 0; // high nibble of lfPitchAndFamily
    uint8_t pitch = 0;  // low nibble
    // Its character map, read once for every group it joins (the groups measure the same font).
    bool mapRead = false;
    bool mapFailed = false;
    afCharacterMap map;
};

// What Uniscribe gives each printable ASCII character (U+0020 to U+007E) of a font when it does
// not shape (no script, left to right): one glyph a character whatever stands around it, so
// the layout looks the glyphs up instead of asking again for every run.
struct afAsciiShapes {
    static constexpr wchar_t FIRST = 0x20;
    static constexpr int COUNT = 0x7F - FIRST;

    WORD glyphs[COUNT] = {};
    SCRIPT_VISATTR attributes[COUNT] = {};
};

// A created font: its handle (deleted with the entry when owned), its Uniscribe cache, its
// metrics and, once the layout asked for them, its ASCII shapes (null when they could not be
// had: the layout then shapes such runs as any other).
struct afFontEntry {
    bool owned = false;
    HFONT font = nullptr;
    SCRIPT_CACHE cache = nullptr;
    TEXTMETRICW metrics = {};
    bool asciiTried = false;
    std::unique_ptr<afAsciiShapes> ascii;
};

class afFontGroup {
public:
    static constexpr int MAX_FONTS = 254;

    afFontGroup(uint8_t variant, uint16_t pointSize);

    uint8_t variant() const { return m_variant; }
    uint16_t pointSize() const { return m_pointSize; }
    // Fonts hold the indices 1..fontCount(); 0 is no font.
    int fontCount() const { return static_cast<int>(m_families.size()) - 1; }
    // The family of a font index; null for 0 and beyond the last.
    const afFontFamilyInfo* family(int index) const;
    // Gives the family the next index; 0 when the group is full.
    int addFamily(const afFontFamilyInfo* family);

    // The index of the font serving the code point; 1 where no font claimed it.
    uint8_t fontIndexFor(uint32_t codePoint) const {
        const uint32_t page = codePoint >> 8;
        if (page < kDirectPages)
            return m_direct[page][codePoint & 0xFF];
        auto found = m_pages.find(page);
        return found == m_pages.end() ? 1 : (*found->second)[codePoint & 0xFF];
    }
    // Gives the code points first..last (at most U+10FFFF) to the font index.
    void cover(uint32_t first, uint32_t last, uint8_t index);
    // Gives the font index what the family's character map holds; a family without Unicode
    // coverage (a symbol font, or one whose map could not be read) claims U+0000..U+00FF.
    void claim(const afFontFamilyInfo& family, uint8_t index);
    // How many pages beyond the first four exist: what coverage costs.
    size_t extraPages() const { return m_pages.size(); }

private:
    using Page = std::array<uint8_t, 256>;
    static constexpr uint32_t kDirectPages = 4;

    uint8_t m_variant;
    uint16_t m_pointSize;
    std::vector<const afFontFamilyInfo*> m_families;
    Page m_direct[kDirectPages];
    std::unordered_map<uint32_t, std::unique_ptr<Page>> m_pages;
};

class afFontSet {
public:
    afFontSet(IFontManager& manager, std::vector<std::wstring> names, uint16_t pointSize);

    IFontManager& manager() const { return m_manager; }
    const std::vector<std::wstring>& names() const { return m_names; }
    uint16_t pointSize() const { return m_pointSize; }
    afFontGroup& group(int variant) { return *m_groups[variant]; }
    const afFontGroup& group(int variant) const { return *m_groups[variant]; }

    // The entry cached for a variant and font index (0-254); null until the manager makes it.
    afFontEntry*& cachedEntry(int variant, int index) { return m_entries[variant][index]; }

private:
    IFontManager& m_manager;
    std::vector<std::wstring> m_names;
    std::unique_ptr<afFontGroup> m_groups[AF_FONT_VARIANTS];
    uint16_t m_pointSize;
    std::array<afFontEntry*, 256> m_entries[AF_FONT_VARIANTS] = {};
};

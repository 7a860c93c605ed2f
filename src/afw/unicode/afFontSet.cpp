#include "afw/unicode/afFontSet.h"

#include <algorithm>

afFontGroup::afFontGroup(uint8_t variant, uint16_t pointSize)
    : m_variant(variant), m_pointSize(pointSize), m_families(1, nullptr) {
    for (Page& page : m_direct)
        page.fill(1);
}

const afFontFamilyInfo* afFontGroup::family(int index) const {
    return index > 0 && index < static_cast<int>(m_families.size()) ? m_families[index] : nullptr;
}

int afFontGroup::addFamily(const afFontFamilyInfo* family) {
    if (fontCount() >= MAX_FONTS)
        return 0;
    m_families.push_back(family);
    return fontCount();
}

void afFontGroup::cover(uint32_t first, uint32_t last, uint8_t index) {
    last = std::min<uint32_t>(last, 0x10FFFF);
    for (uint32_t page = first >> 8; first <= last; ++page) {
        const uint32_t end = std::min(last, page << 8 | 0xFF);
        Page* target;
        if (page < kDirectPages) {
            target = &m_direct[page];
        } else {
            std::unique_ptr<Page>& slot = m_pages[page];
            if (!slot) {
                slot.reset(new Page);
                slot->fill(1);
            }
            target = slot.get();
        }
        std::fill(target->begin() + (first & 0xFF), target->begin() + (end & 0xFF) + 1, index);
        first = end + 1;
    }
}

void afFontGroup::claim(const afFontFamilyInfo& family, uint8_t index) {
    for (const afCodePointRange& range : family.map.ranges)
        cover(range.first, range.last, index);
    if (!family.unicodeRanges)
        cover(0, 0xFF, index);
}

afFontSet::afFontSet(IFontManager& manager, std::vector<std::wstring> names, uint16_t pointSize)
    : m_manager(manager), m_names(std::move(names)), m_pointSize(pointSize) {
    for (int variant = 0; variant < AF_FONT_VARIANTS; ++variant)
        m_groups[variant].reset(new afFontGroup(static_cast<uint8_t>(variant), pointSize));
}

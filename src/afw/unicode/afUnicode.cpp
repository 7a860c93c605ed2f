#include "afw/unicode/afUnicode.h"

#include "afw/impl/win32/uniscribe/afUniscribe.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "pel/text/CharacterBoundaries.h"

#include <algorithm>

afUnicode::afUnicode(afFontSet* fontSet) : m_characters(new pel::CharacterBoundaries) {
    HDC screen = ::GetDC(nullptr);
    m_dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    afUniscribe().getProperties(&m_scriptProperties, &m_scriptCount);
    m_items.resize(6);
    setFontSet(fontSet ? fontSet : afUnicodeFontManager::instance().getEditorFontSet());
}

afUnicode::~afUnicode() {
    for (tessel::TextHighlighter* client : m_clients)
        client->setBit(0);
    ::SelectObject(m_dc, ::GetStockObject(SYSTEM_FONT));
    ::DeleteDC(m_dc);
}

bool afUnicode::setWrapWidth(int width) {
    const bool enabled = width >= 1;
    if (!enabled)
        width = 0;
    const bool changed = enabled != m_wrapEnabled || width != m_wrapWidth;
    m_wrapEnabled = enabled;
    m_wrapWidth = width;
    return changed;
}

void afUnicode::setPadding(int above, int below) {
    m_paddingAbove = above;
    m_paddingBelow = below;
}

void afUnicode::setFontSet(afFontSet* fontSet) {
    // The fonts of the old set may be deleted with it: none stays selected here.
    ::SelectObject(m_dc, ::GetStockObject(SYSTEM_FONT));
    m_selectedFont = nullptr;
    m_primaryFont = nullptr;
    m_fontSet = fontSet;
    updateMetrics();
}

void afUnicode::updateMetrics() {
    if (!m_fontSet)
        return;
    const afFontEntry* primary = m_fontSet->manager().fontFor(*m_fontSet, 0, AF_LAST_FONT);
    m_primaryFont = primary;
    HDC dc = selectFont(primary);
    SIZE space = {};
    ::GetTextExtentPoint32W(dc, L" ", 1, &space);
    const TEXTMETRICW& metrics = primary->metrics;
    // A width of 0 would divide by 0 in tab stops and column conversions.
    m_spaceWidth = std::max<int>(space.cx, 1);
    m_ascent = metrics.tmAscent;
    m_averageCharWidth = std::max<int>(metrics.tmAveCharWidth, 1);
    m_lineHeight = metrics.tmHeight + metrics.tmExternalLeading + m_paddingAbove + m_paddingBelow;
}

int afUnicode::glyphTop(const afFontEntry& font) const {
    return m_paddingAbove + m_ascent - font.metrics.tmAscent;
}

HDC afUnicode::selectFont(const afFontEntry* font) const {
    if (font && font != m_selectedFont) {
        ::SelectObject(m_dc, font->font);
        m_selectedFont = font;
    }
    return m_dc;
}

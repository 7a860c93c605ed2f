// The highlight layers of a layout: up to five, each marking its own bit into the lines'
// attribute entries, and the table of their blended looks for every combination of bits.

#include "afw/unicode/afUnicode.h"
#include "afw/unicode/afUnicodeColour.h"
#include "pel/thread/MainThread.h"

#include <algorithm>

void afUnicode::addClient(tessel::TextHighlighter* highlighter) {
    if (!highlighter || static_cast<int>(m_clients.size()) >= MAX_HIGHLIGHTERS ||
        std::find(m_clients.begin(), m_clients.end(), highlighter) != m_clients.end())
        return;
    // The lowest bit no layer holds: after a removal a new layer must not share a bit in use.
    uint32_t held = 0;
    for (const tessel::TextHighlighter* client : m_clients)
        held |= client->getBit();
    uint32_t bit = 1;
    while (held & bit)
        bit <<= 1;
    highlighter->setBit(bit);
    m_clients.push_back(highlighter);
    rebuildBlendTable();
}

void afUnicode::removeClient(tessel::TextHighlighter* highlighter) {
    auto found = std::find(m_clients.begin(), m_clients.end(), highlighter);
    if (found == m_clients.end())
        return;
    m_clients.erase(found);
    highlighter->setBit(0);
    rebuildBlendTable();
}

void afUnicode::rebuildBlendTable() {
    for (uint32_t mask = 0; mask < BLEND_SLOTS; ++mask) {
        tessel::HighlightStyle& slot = m_blend[mask];
        slot = tessel::HighlightStyle();
        bool first = true;
        for (const tessel::TextHighlighter* client : m_clients) {
            if (!(client->getBit() & mask))
                continue;
            tessel::HighlightStyle style;
            client->getStyle(style);
            if (first) {
                slot = style;
                first = false;
            } else {
                blendColour(slot.foreground, style.foreground, style.foreground[3]);
                blendColour(slot.background, style.background, style.background[3]);
                slot.flags |= style.flags;
            }
        }
    }
}

void afUnicode::updateHighlights(afUnicodeData& data, void* /*context*/, int line, int lineStart) {
    if (!data.highlightDirty)
        return;
    pel::check_main_thread();
    tessel::TextHighlighter::clearAttributeMarks(data.attributes);
    for (tessel::TextHighlighter* client : m_clients)
        client->update(line, data.attributes, lineStart, lineStart + data.lineLength);
    data.highlightDirty = false;
}

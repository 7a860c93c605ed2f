// afUnicode::process: itemise, break, merge, cut into runs, shape and place, measure the runs
// the layout draws itself, wrap (afUnicodeWrap.cpp) and order each subline visually. Every step
// is linear in the line's length and its run count; the vectors of the record and the scratch
// of the layout only grow, except that a record far larger than its line gives memory back.

#include "afw/core/afLog.h"
#include "afw/impl/win32/uniscribe/afUniscribe.h"
#include "afw/unicode/IFontManager.h"
#include "afw/unicode/afUnicode.h"
#include "afw/unicode/afUnicodeText.h"
#include "pel/base/Assert.h"
#include "pel/base/CharacterProperties.h"
#include "pel/text/CharacterBoundaries.h"

#include <algorithm>

namespace {

constexpr int kMaxGlyphRoom = 65535;

// What ScriptShape is expected to need for a run of that many characters.
int glyphEstimate(int characters) {
    return characters + characters / 2 + 16;
}

bool isHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

template <class T>
size_t heldBytes(const std::vector<T>& vector) {
    return vector.capacity() * sizeof(T);
}

template <class T>
void shrink(std::vector<T>& vector, size_t needed) {
    vector.resize(std::min(vector.size(), needed));
    vector.shrink_to_fit();
}

} // namespace

bool afUnicode::process(afUnicodeData* io_data) {
    if (!io_data)
        pel::nullPointerViolation(L"io_data", L".\\afw\\unicode\\Unicode.cpp", __LINE__);
    afUnicodeData& data = *io_data;
    const int textLength = static_cast<int>(data.text.size());
    const int attributeCount = static_cast<int>(data.attributes.entries.size());
    if (textLength > attributeCount) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                        L"afUnicode::process: Text and style data lengths are not compatible. T=%d > S=%d\n",
                        textLength, attributeCount);
        return fail(data);
    }
    int length = textLength;
    if (length > MAX_LAID_OUT) {
        m_characters->setText(data.text.data(), textLength);
        length = m_characters->isBoundary(MAX_LAID_OUT) ? MAX_LAID_OUT : m_characters->preceding(MAX_LAID_OUT);
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                        L"afUnicode::process: A line of %d characters is laid out up to its first %d.\n", textLength,
                        length);
    }
    reset(data, length);
    if (length == 0) {
        data.laidOut = true;
        return true;
    }
    if (!itemize(data, length))
        return fail(data);
    findCharacters(data, length);
    breakItems(data, length);
    keepStopsOnCharacters(data, length);
    if (!mergeItems())
        return fail(data);
    buildRuns(data);
    for (afUnicodeItem& run : data.items)
        if (!buildItem(data, run))
            return fail(data);
    measureSpecialRuns(data);
    for (const afUnicodeItem& run : data.items)
        data.totalWidth += run.width;
    if (m_wrapEnabled && m_wrapWidth > 0 && availableWidth(data, 0) < data.totalWidth) {
        wrap(data);
    } else {
        data.sublineEnds.assign(1, static_cast<int>(data.items.size()) - 1);
        data.sublineWidths.assign(1, data.totalWidth);
        data.widestWidth = data.totalWidth;
    }
    orderSublines(data);
    for (afUnicodeItem& run : data.items)
        settleClusters(data, run);
    trimCapacity(data);
    data.laidOut = true;
    return true;
}

void afUnicode::reset(afUnicodeData& data, int length) {
    data.laidOut = false;
    data.laidLength = length;
    data.items.clear();
    data.visualOrder.clear();
    data.sublineEnds.assign(1, -1);
    data.sublineWidths.assign(1, 0);
    data.logAttrs.assign(length, SCRIPT_LOGATTR{});
    data.logClusters.resize(length);
    data.logicalWidths.resize(length);
    const size_t glyphs = length ? glyphEstimate(length) : 0;
    data.glyphs.resize(glyphs);
    data.visAttrs.resize(glyphs);
    data.offsets.resize(glyphs);
    data.advances.resize(glyphs);
    data.glyphCount = 0;
    data.totalWidth = 0;
    data.widestWidth = 0;
}

bool afUnicode::fail(afUnicodeData& data) {
    reset(data, 0);
    return false;
}

bool afUnicode::itemize(const afUnicodeData& data, int length) {
    const afUniscribeApi& uniscribe = afUniscribe();
    for (;;) {
        int count = 0;
        // Uniscribe writes a terminal item after the last one: the buffer holds one more than
        // the items it is told of.
        const HRESULT result = uniscribe.itemize(data.text.data(), length, static_cast<int>(m_items.size()) - 1,
                                                 &m_control, &m_state, m_items.data(), &count);
        if (SUCCEEDED(result)) {
            m_itemCount = count;
            return true;
        }
        // A line of n characters has at most n items: more room than that cannot help.
        if (result != E_OUTOFMEMORY || m_items.size() > static_cast<size_t>(length) + 2) {
            pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afUnicode::process: Itemizing failed (0x%08X).\n",
                            static_cast<unsigned>(result));
            return false;
        }
        m_items.resize(m_items.size() * 2);
    }
}

void afUnicode::breakItems(afUnicodeData& data, int length) {
    const afUniscribeApi& uniscribe = afUniscribe();
    const wchar_t* text = data.text.data();
    SCRIPT_LOGATTR* attributes = data.logAttrs.data();
    m_pieces.clear();
    for (int i = 0; i < m_itemCount; ++i) {
        int start = m_items[i].iCharPos;
        const int end = m_items[i + 1].iCharPos;
        for (;;) {
            SCRIPT_ITEM piece = m_items[i];
            piece.iCharPos = start;
            m_pieces.push_back(piece);
            const int count = end - start;
            uniscribe.breakText(text + start, std::min(count, MAX_ITEM), &piece.a, attributes + start);
            if (count <= MAX_ITEM)
                break;
            // The rest starts at the last character stop that keeps this piece within the limit
            // (the breaker's, where a character starts too; else where a character starts); it
            // is broken again in its own turn.
            int split = MAX_ITEM, starts = 0;
            for (int k = MAX_ITEM - 1; k >= 1; --k) {
                if (!m_characterStarts[static_cast<size_t>(start + k)])
                    continue;
                if (attributes[start + k].fCharStop) {
                    split = k;
                    break;
                }
                if (!starts)
                    starts = k;
            }
            if (split == MAX_ITEM && starts)
                split = starts;
            start += split;
        }
    }
    SCRIPT_ITEM terminal = {};
    terminal.iCharPos = length;
    m_pieces.push_back(terminal);
    m_pieceCount = static_cast<int>(m_pieces.size()) - 1;
}

void afUnicode::findCharacters(const afUnicodeData& data, int length) {
    m_characterStarts.assign(static_cast<size_t>(length) + 1, 0);
    m_characters->setText(data.text.data(), length);
    for (int at = 0; at < length; at = m_characters->following(at))
        m_characterStarts[static_cast<size_t>(at)] = 1;
    m_characterStarts[static_cast<size_t>(length)] = 1;
}

void afUnicode::keepStopsOnCharacters(afUnicodeData& data, int length) {
    // Uniscribe's breaker (Wine's especially) stops between the halves of a pair, inside emoji
    // joined by ZWJ and between a flag's two letters: inside a character none of its stops stay.
    SCRIPT_LOGATTR* attributes = data.logAttrs.data();
    for (int at = 0; at < length; ++at) {
        const bool starts = m_characterStarts[static_cast<size_t>(at)] != 0;
        attributes[at].fCharStop = starts ? 1 : 0;
        if (!starts)
            attributes[at].fSoftBreak = attributes[at].fWordStop = 0;
    }
}

bool afUnicode::mergeItems() {
    if (m_pieceCount < 0) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afUnicode::merge(): Invalid items passed.\n");
        return false;
    }
    auto complex = [this](const SCRIPT_ITEM& item) {
        return item.a.eScript < m_scriptCount && m_scriptProperties[item.a.eScript]->fComplex;
    };
    // Items pair up from the start: once a pair merged, the item after it is taken as it is and
    // only the one after that is compared with it.
    int kept = 1;
    int next = 1;
    while (next < m_pieceCount) {
        SCRIPT_ITEM& previous = m_pieces[kept - 1];
        const SCRIPT_ITEM& candidate = m_pieces[next];
        const int together = m_pieces[next + 1].iCharPos - previous.iCharPos;
        if (together < MAX_ITEM && !complex(previous) && !complex(candidate) &&
            previous.a.s.uBidiLevel == candidate.a.s.uBidiLevel) {
            previous.a.eScript = SCRIPT_UNDEFINED;
            ++next;
            if (next < m_pieceCount)
                m_pieces[kept++] = m_pieces[next++];
        } else {
            m_pieces[kept++] = m_pieces[next++];
        }
    }
    if (m_pieceCount > 0) {
        m_pieces[kept] = m_pieces[m_pieceCount];
        m_pieceCount = kept;
    }
    return true;
}

void afUnicode::buildRuns(afUnicodeData& data) {
    IFontManager& fonts = m_fontSet->manager();
    const wchar_t* text = data.text.data();
    const uint32_t* attributes = data.attributes.entries.data();
    SCRIPT_LOGATTR* logical = data.logAttrs.data();
    // Of the line's previous code point: word stops ignore items, and a piece of a line goes on
    // with the word its line has before it.
    uint32_t previousClass = data.textBefore ? pel::getCharacterProperties(data.characterBefore) & 0x88 : 0;
    uint32_t styleId = 0x10000; // no style looked up yet
    int styleVariant = 0;
    for (int i = 0; i < m_pieceCount; ++i) {
        const SCRIPT_ITEM& piece = m_pieces[i];
        const int end = m_pieces[i + 1].iCharPos;
        afUnicodeItem* run = nullptr;
        int runVariant = -1, runIndex = -1;
        for (int at = piece.iCharPos; at < end;) {
            uint32_t codePoint = text[at];
            int units = 1;
            if (isHighSurrogate(text[at]) && at + 1 < end && isLowSurrogate(text[at + 1])) {
                codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[at + 1] - 0xDC00);
                units = 2;
            }
            const uint32_t wordClass = pel::getCharacterProperties(codePoint) & 0x88;
            // Words stop only where characters start.
            logical[at].fWordStop =
                logical[at].fCharStop && !(wordClass && previousClass && wordClass == previousClass);
            previousClass = wordClass;

            int kind = afUnicodeItem::TEXT, variant = 0, index = AF_LAST_FONT;
            if (codePoint < 0x20)
                kind = codePoint == L'\t'                         ? afUnicodeItem::TAB
                       : codePoint == L'\r' || codePoint == L'\n' ? afUnicodeItem::LINE_END
                                                                  : afUnicodeItem::CONTROL;
            if (kind == afUnicodeItem::TAB)
                logical[at].fWhiteSpace = 1;
            if (kind == afUnicodeItem::TEXT || kind == afUnicodeItem::LINE_END) {
                const uint32_t id = attributes[at] & tessel::LineAttributes::STYLE_MASK;
                if (id != styleId) {
                    styleId = id;
                    styleVariant = std::min<int>(styleFor(static_cast<uint16_t>(id)).flags & afUnicodeStyle::VARIANT_MASK,
                                                 AF_FONT_VARIANTS - 1);
                }
                variant = styleVariant;
                index = m_fontSet->group(variant).fontIndexFor(codePoint);
            }
            if (!run || kind != afUnicodeItem::TEXT || run->kind != afUnicodeItem::TEXT || variant != runVariant ||
                index != runIndex) {
                if (run)
                    run->analysis.fLinkAfter = 0;
                data.items.emplace_back();
                run = &data.items.back();
                run->analysis = piece.a;
                run->analysis.fLinkBefore = 0;
                run->analysis.eScript = SCRIPT_UNDEFINED;
                run->kind = kind;
                run->first = at;
                run->font = fonts.fontFor(*m_fontSet, variant, index);
                runVariant = variant;
                runIndex = index;
            }
            // Runs of Latin-1 only are shaped without a script: nothing there needs shaping.
            if (codePoint > 0xFF)
                run->script = piece.a.eScript;
            run->count += units;
            at += units;
        }
    }
}

bool afUnicode::buildItem(afUnicodeData& data, afUnicodeItem& run) {
    run.analysis.eScript = run.script;
    // Glyphs in logical order even in right-to-left runs: glyph ranges, the caret's mirroring
    // and the right-aligned drawing count on it.
    run.analysis.fLogicalOrder = 1;
    const wchar_t* characters = data.text.data() + run.first;
    if (!shapeItem(data, run, characters)) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                        L"afUnicode::buildItem(): Shaping failed. Disabling shaping and starting again.\n");
        run.script = SCRIPT_UNDEFINED;
        run.analysis.eScript = SCRIPT_UNDEFINED;
        m_scratch.assign(characters, characters + run.count);
        for (int i = 0; i < run.count; ++i) {
            const wchar_t c = m_scratch[i];
            const bool paired = isHighSurrogate(c)   ? i + 1 < run.count && isLowSurrogate(m_scratch[i + 1])
                                : isLowSurrogate(c) ? i > 0 && isHighSurrogate(characters[i - 1])
                                                    : true;
            if (!paired)
                m_scratch[i] = 0xFFFD;
        }
        if (!shapeItem(data, run, m_scratch.data()))
            return false;
    }
    return placeItem(data, run);
}

bool afUnicode::shapeAscii(afUnicodeData& data, afUnicodeItem& run, const wchar_t* characters) {
    // Only the system's shaper is known to leave such runs alone; a replaced one is asked.
    if (run.kind != afUnicodeItem::TEXT || run.analysis.eScript != SCRIPT_UNDEFINED || run.analysis.fRTL ||
        (run.analysis.s.uBidiLevel & 1) || &afUniscribe() != &afSystemUniscribe() || !run.font)
        return false;
    for (int i = 0; i < run.count; ++i)
        if (characters[i] < afAsciiShapes::FIRST || characters[i] >= afAsciiShapes::FIRST + afAsciiShapes::COUNT)
            return false;
    const afAsciiShapes* shapes = asciiShapes(*run.font);
    if (!shapes)
        return false;
    if (static_cast<int>(data.glyphs.size()) - data.glyphCount < run.count)
        growGlyphs(data, glyphEstimate(run.count));
    WORD* glyphs = data.glyphs.data() + data.glyphCount;
    SCRIPT_VISATTR* attributes = data.visAttrs.data() + data.glyphCount;
    WORD* clusters = data.logClusters.data() + run.first;
    for (int i = 0; i < run.count; ++i) {
        const int index = characters[i] - afAsciiShapes::FIRST;
        glyphs[i] = shapes->glyphs[index];
        attributes[i] = shapes->attributes[index];
        clusters[i] = static_cast<WORD>(i);
    }
    run.firstGlyph = run.clusterBase = data.glyphCount;
    run.glyphCount = run.count;
    data.glyphCount += run.count;
    return true;
}

const afAsciiShapes* afUnicode::asciiShapes(afFontEntry& font) {
    if (font.asciiTried)
        return font.ascii.get();
    font.asciiTried = true;
    wchar_t text[afAsciiShapes::COUNT];
    for (int i = 0; i < afAsciiShapes::COUNT; ++i)
        text[i] = static_cast<wchar_t>(afAsciiShapes::FIRST + i);
    SCRIPT_ANALYSIS analysis = {};
    analysis.eScript = SCRIPT_UNDEFINED;
    analysis.fLogicalOrder = 1;
    std::unique_ptr<afAsciiShapes> shapes(new afAsciiShapes);
    WORD clusters[afAsciiShapes::COUNT];
    const int room = afAsciiShapes::COUNT;
    int produced = 0;
    HRESULT result = afUniscribe().shape(nullptr, &font.cache, text, afAsciiShapes::COUNT, room, &analysis,
                                         shapes->glyphs, clusters, shapes->attributes, &produced);
    if (result == E_PENDING)
        result = afUniscribe().shape(selectFont(&font), &font.cache, text, afAsciiShapes::COUNT, room, &analysis,
                                     shapes->glyphs, clusters, shapes->attributes, &produced);
    // The table stands for per-run shaping only when every character kept a glyph of its own.
    bool oneToOne = SUCCEEDED(result) && produced == afAsciiShapes::COUNT && analysis.eScript == SCRIPT_UNDEFINED;
    for (int i = 0; oneToOne && i < afAsciiShapes::COUNT; ++i)
        oneToOne = clusters[i] == i;
    if (oneToOne)
        font.ascii = std::move(shapes);
    return font.ascii.get();
}

bool afUnicode::shapeItem(afUnicodeData& data, afUnicodeItem& run, const wchar_t* characters) {
    if (shapeAscii(data, run, characters))
        return true;
    const afUniscribeApi& uniscribe = afUniscribe();
    // Every character needs a glyph at least: room below that cannot succeed.
    if (static_cast<int>(data.glyphs.size()) - data.glyphCount < run.count)
        growGlyphs(data, glyphEstimate(run.count));
    int room = std::min({glyphEstimate(run.count), static_cast<int>(data.glyphs.size()) - data.glyphCount,
                         kMaxGlyphRoom});
    HDC dc = nullptr;
    for (;;) {
        int produced = 0;
        const HRESULT result = uniscribe.shape(dc, &run.font->cache, characters, run.count, room, &run.analysis,
                                               data.glyphs.data() + data.glyphCount,
                                               data.logClusters.data() + run.first,
                                               data.visAttrs.data() + data.glyphCount, &produced);
        if (SUCCEEDED(result)) {
            run.firstGlyph = run.clusterBase = data.glyphCount;
            run.glyphCount = produced;
            data.glyphCount += produced;
            return true;
        }
        if (result == E_PENDING) {
            if (dc)
                return false;
            dc = selectFont(run.font);
        } else if (result == E_OUTOFMEMORY) {
            if (room >= kMaxGlyphRoom)
                return false;
            growGlyphs(data, glyphEstimate(run.count));
            room = std::min(static_cast<int>(data.glyphs.size()) - data.glyphCount, kMaxGlyphRoom);
        } else {
            if (result == E_INVALIDARG)
                pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                                L"afUnicode::shapeItem(): Too much glyphs for shaping, we cannot shape this item run.\n");
            return false;
        }
    }
}

void afUnicode::growGlyphs(afUnicodeData& data, int count) {
    const size_t size = data.glyphs.size() + count;
    data.glyphs.resize(size);
    data.visAttrs.resize(size);
    data.offsets.resize(size);
    data.advances.resize(size);
}

bool afUnicode::placeItem(afUnicodeData& data, afUnicodeItem& run) {
    if (run.glyphCount == 0)
        return true;
    const afUniscribeApi& uniscribe = afUniscribe();
    HDC dc = nullptr;
    for (;;) {
        ABC abc = {};
        const HRESULT result =
            uniscribe.place(dc, &run.font->cache, data.glyphs.data() + run.firstGlyph, run.glyphCount,
                            data.visAttrs.data() + run.firstGlyph, &run.analysis, data.advances.data() + run.firstGlyph,
                            data.offsets.data() + run.firstGlyph, &abc);
        if (SUCCEEDED(result)) {
            run.width = abc.abcA + static_cast<int>(abc.abcB) + abc.abcC;
            return true;
        }
        if (result != E_PENDING || dc) {
            pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afUnicode::buildItem(): Placing failed (0x%08X).\n",
                            static_cast<unsigned>(result));
            return false;
        }
        dc = selectFont(run.font);
    }
}

void afUnicode::measureSpecialRuns(afUnicodeData& data) {
    bool any = false;
    for (const afUnicodeItem& run : data.items)
        any |= run.kind != afUnicodeItem::TEXT;
    if (!any)
        return;
    // Tab stops count from the line's left end as the line shows unwrapped, from where the
    // record stands on it.
    m_provisional.clear();
    orderRuns(data, 0, static_cast<int>(data.items.size()) - 1, m_provisional);
    const int tabStop = tabStopWidth();
    int x = std::max(data.rowX, 0) % tabStop;
    for (int index : m_provisional) {
        afUnicodeItem& run = data.items[index];
        if (run.kind == afUnicodeItem::TAB) {
            setRunWidth(data, run, tabStop - ((x % tabStop) + tabStop) % tabStop);
        } else if (run.kind == afUnicodeItem::LINE_END) {
            setRunWidth(data, run, m_spaceWidth);
            for (int i = run.first; i < run.end(); ++i)
                data.logAttrs[i].fWhiteSpace = 1;
        } else if (run.kind == afUnicodeItem::CONTROL) {
            wchar_t code[8];
            const int length = afControlCodeText(data.text[run.first], code);
            SIZE size = {};
            ::GetTextExtentPoint32W(selectFont(run.font), code, length, &size);
            setRunWidth(data, run, size.cx);
        }
        x += run.width;
    }
}

bool afUnicode::tabsMoveAt(const afUnicodeData& data, int rowX) const {
    const int tabStop = tabStopWidth();
    if (!data.laidOut || std::max(rowX, 0) % tabStop == std::max(data.rowX, 0) % tabStop)
        return false;
    for (const afUnicodeItem& run : data.items)
        if (run.kind == afUnicodeItem::TAB)
            return true;
    return false;
}

void afUnicode::setRunWidth(afUnicodeData& data, afUnicodeItem& run, int width) {
    run.width = width;
    for (int i = 0; i < run.glyphCount; ++i) {
        data.advances[run.firstGlyph + i] = i == 0 ? width : 0;
        data.offsets[run.firstGlyph + i] = GOFFSET{};
    }
}

void afUnicode::orderRuns(const afUnicodeData& data, int firstRun, int lastRun, std::vector<int>& visual) {
    m_levels.clear();
    m_included.clear();
    bool levelled = false;
    for (int i = firstRun; i <= lastRun; ++i) {
        const afUnicodeItem& run = data.items[i];
        if (run.kind == afUnicodeItem::LINE_END)
            continue;
        m_levels.push_back(static_cast<BYTE>(run.analysis.s.uBidiLevel));
        m_included.push_back(i);
        levelled |= run.analysis.s.uBidiLevel != 0;
    }
    const int count = static_cast<int>(m_included.size());
    if (levelled && count > 0) {
        m_visualToLogical.resize(count);
        if (SUCCEEDED(afUniscribe().layout(count, m_levels.data(), m_visualToLogical.data(), nullptr))) {
            for (int k = 0; k < count; ++k)
                visual.push_back(m_included[m_visualToLogical[k]]);
        } else {
            visual.insert(visual.end(), m_included.begin(), m_included.end());
        }
    } else {
        visual.insert(visual.end(), m_included.begin(), m_included.end());
    }
    // Line ends come last: nothing is drawn for them.
    for (int i = firstRun; i <= lastRun; ++i)
        if (data.items[i].kind == afUnicodeItem::LINE_END)
            visual.push_back(i);
}

void afUnicode::orderSublines(afUnicodeData& data) {
    data.visualOrder.clear();
    int first = 0;
    for (int last : data.sublineEnds) {
        orderRuns(data, first, last, data.visualOrder);
        first = last + 1;
    }
}

void afUnicode::fillLogicalWidths(afUnicodeData& data, afUnicodeItem& run) {
    if (run.flags & afUnicodeItem::LOGICAL_WIDTHS)
        return;
    run.flags |= afUnicodeItem::LOGICAL_WIDTHS;
    int* widths = data.logicalWidths.data() + run.first;
    if (run.kind != afUnicodeItem::TEXT || run.glyphCount == 0) {
        std::fill(widths, widths + run.count, 0);
        widths[0] = run.width;
        return;
    }
    settleClusters(data, run);
    if (FAILED(afUniscribe().getLogicalWidths(&run.analysis, run.count, run.glyphCount,
                                              data.advances.data() + run.firstGlyph,
                                              data.logClusters.data() + run.first,
                                              data.visAttrs.data() + run.firstGlyph, widths))) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                        L"afUnicodeItem::getLogicalWidths(): Cannot get logical glyph widths for the item.");
        std::fill(widths, widths + run.count, 0);
    }
}

void afUnicode::settleClusters(afUnicodeData& data, afUnicodeItem& run) {
    if (run.clusterBase == run.firstGlyph)
        return;
    const WORD shift = static_cast<WORD>(run.firstGlyph - run.clusterBase);
    for (int i = run.first; i < run.end(); ++i)
        data.logClusters[i] = static_cast<WORD>(data.logClusters[i] - shift);
    run.clusterBase = run.firstGlyph;
}

void afUnicode::trimCapacity(afUnicodeData& data) {
    // One long line must not pin its memory in a cache slot that now holds a short one: a
    // record holding far more than its line needs gives the rest back.
    const size_t length = static_cast<size_t>(data.laidLength);
    const size_t glyphs = static_cast<size_t>(data.glyphCount);
    const size_t needed = data.items.size() * sizeof(afUnicodeItem) + data.visualOrder.size() * sizeof(int) +
                          length * (sizeof(SCRIPT_LOGATTR) + sizeof(WORD) + sizeof(int)) +
                          glyphs * (sizeof(WORD) + sizeof(SCRIPT_VISATTR) + sizeof(GOFFSET) + sizeof(int));
    const size_t held = heldBytes(data.items) + heldBytes(data.visualOrder) + heldBytes(data.logAttrs) +
                        heldBytes(data.logClusters) + heldBytes(data.logicalWidths) + heldBytes(data.glyphs) +
                        heldBytes(data.visAttrs) + heldBytes(data.offsets) + heldBytes(data.advances);
    if (held <= 4 * needed + (1 << 20))
        return;
    shrink(data.items, data.items.size());
    shrink(data.visualOrder, data.visualOrder.size());
    shrink(data.logAttrs, length);
    shrink(data.logClusters, length);
    shrink(data.logicalWidths, length);
    shrink(data.glyphs, glyphs);
    shrink(data.visAttrs, glyphs);
    shrink(data.offsets, glyphs);
    shrink(data.advances, glyphs);
}

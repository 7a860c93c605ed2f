#pragma once
// Lays out one logical line of text for display through Uniscribe: itemises, breaks and shapes
// the line into runs (with fallback fonts for what the editor font lacks), measures tabs and
// control characters, wraps it into sublines and orders each subline visually. The results go
// into the caller's afUnicodeData; the queries below (offsets and x, sublines, caret stops) and
// the renderer read them. It also holds the highlight layers whose colours are blended over
// the text. One per editor, UI thread only.

#include "afw/unicode/afUnicodeData.h"
#include "service/document/TextHighlighter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

struct afAsciiShapes;
class afFontSet;

namespace pel {
class CharacterBoundaries;
}

class afUnicode {
public:
    // At most this many characters of a line are laid out; the rest is not drawn.
    static constexpr int MAX_LAID_OUT = 1 << 20;
    // Every run holds at most this many characters.
    static constexpr int MAX_ITEM = 32768;
    static constexpr int MAX_HIGHLIGHTERS = 5;
    static constexpr int BLEND_SLOTS = 32;

    // Lays out with the font set given, or the font manager's editor font.
    explicit afUnicode(afFontSet* fontSet = nullptr);
    ~afUnicode();
    afUnicode(const afUnicode&) = delete;
    afUnicode& operator=(const afUnicode&) = delete;

    // Rebuilds every result of the record. False when the text is longer than its attributes
    // or a Uniscribe step fails; such a record is left "not laid out" (an empty line).
    bool process(afUnicodeData* io_data);
    bool process(afUnicodeData& data) { return process(&data); }

    // Settings.
    // Below 1 turns wrapping off; otherwise wraps at that width, however narrow (every row
    // still takes a whole character). True when wrapping or its width changed.
    bool setWrapWidth(int width);
    int getWrapWidth() const { return m_wrapWidth; }
    bool isWrapEnabled() const { return m_wrapEnabled; }
    int getTabSize() const { return m_tabSize; }
    void setTabSize(int columns) { m_tabSize = columns; }
    // Pixels from one tab stop to the next.
    int tabStopWidth() const { return std::max(m_tabSize * m_spaceWidth, 1); }
    bool getContinuationIndent() const { return m_continuationIndent; }
    void setContinuationIndent(bool on) { m_continuationIndent = on; }
    bool getKeepIndentation() const { return m_keepIndentation; }
    void setKeepIndentation(bool on) { m_keepIndentation = on; }
    int getPaddingAbove() const { return m_paddingAbove; }
    int getPaddingBelow() const { return m_paddingBelow; }
    // Takes effect with the next updateMetrics.
    void setPadding(int above, int below);

    // The primary font (the font set's first face) and its metrics.
    const afFontEntry* getPrimaryFont() const { return m_primaryFont; }
    int getAscent() const { return m_ascent; }
    int getLineHeight() const { return m_lineHeight; }
    int getSpaceWidth() const { return m_spaceWidth; }
    int getAverageCharWidth() const { return m_averageCharWidth; }

    void setStyleProvider(afUnicodeStyleProvider* provider) { m_styleProvider = provider; }
    afUnicodeStyle& styleFor(uint16_t styleId) {
        return m_styleProvider ? m_styleProvider->styleFor(styleId) : m_defaultStyle;
    }
    const afUnicodeStyle& getDefaultStyle() const { return m_defaultStyle; }

    afFontSet* getFontSet() const { return m_fontSet; }
    void setFontSet(afFontSet* fontSet);
    void updateMetrics();
    // How far below the line's top a font's glyphs are drawn so that its baseline meets the
    // primary font's.
    int glyphTop(const afFontEntry& font) const;
    // The layout's memory DC with the font selected.
    HDC selectFont(const afFontEntry* font) const;

    // Queries on a laid-out record.
    int columnsToX(int columns) const { return columns * m_spaceWidth; }
    int xToColumns(int x) const;
    // x of a caret offset on the whole line; trailing puts it at the end of the character
    // before. extraColumns are virtual columns past the line's end.
    int getX(const afUnicodeData& data, int offset, bool trailing, int extraColumns) const;
    // x within the offset's subline (its origin included); subline receives it.
    int getSublineX(const afUnicodeData& data, int offset, bool trailing, int extraColumns, int& subline) const;
    // The caret offset at x among the visual runs firstVisual..lastVisual; trailing and the
    // virtual columns past the end come back beside it. -1 when Uniscribe fails.
    int getOffsetFromXRange(const afUnicodeData& data, int firstVisual, int lastVisual, int x, bool isLastSubline,
                            bool& trailing, int& extraColumns) const;
    int getOffsetFromX(const afUnicodeData& data, int x, bool& trailing, int& extraColumns) const;
    // x is relative to the subline's left edge (its origin included).
    int getSublineOffsetFromX(const afUnicodeData& data, int subline, int x, bool& trailing,
                              int& extraColumns) const;
    int sublineStart(const afUnicodeData& data, int subline) const;
    int sublineEnd(const afUnicodeData& data, int subline, bool& wrapped) const;
    int sublineOf(const afUnicodeData& data, int offset, bool trailing) const;
    int sublineOrigin(const afUnicodeData& data, int subline) const;
    int wrapIndent(const afUnicodeData& data) const;
    int availableWidth(const afUnicodeData& data, int subline) const;
    // Whether the subline is drawn as a continuation: wrapped, every row after its line's first,
    // the first row of a piece after a long line's first too.
    bool continuesRow(const afUnicodeData& data, int subline) const;
    // Whether the record, standing at rowX on its row, would lay its tabs out otherwise than
    // where it was laid out from: it must be laid out again there.
    bool tabsMoveAt(const afUnicodeData& data, int rowX) const;
    // The next character (or word) stop after the offset, or the line length; backward, the
    // previous one, or -1.
    int findStop(const afUnicodeData& data, int offset, bool forward, bool wordStops) const;
    // The glyphs [first, last] of the run's characters [a, b).
    void getGlyphRange(const afUnicodeData& data, const afUnicodeItem& run, int a, int b, int& firstGlyph,
                       int& lastGlyph) const;
    // The characters the queries and the renderer see: none for a record not laid out.
    static int lengthOf(const afUnicodeData& data);
    // The logical runs of a subline: [first, last]; last < first when it has none.
    static void sublineRuns(const afUnicodeData& data, int subline, int& first, int& last);

    // Highlight layers.
    void addClient(tessel::TextHighlighter* highlighter);
    void removeClient(tessel::TextHighlighter* highlighter);
    const std::vector<tessel::TextHighlighter*>& getClients() const { return m_clients; }
    // The blended look of the layers whose bits are in the mask's low five bits.
    const tessel::HighlightStyle& blendSlot(uint32_t mask) const { return m_blend[mask & (BLEND_SLOTS - 1)]; }
    // Lets every layer mark the record's line again when it is marked dirty (UI thread only);
    // lineStart is the document offset of the line's first character.
    void updateHighlights(afUnicodeData& data, void* context, int line, int lineStart);

private:

    void reset(afUnicodeData& data, int length);
    bool fail(afUnicodeData& data);
    // Where the characters of the text begin (pel::CharacterBoundaries): the caret's stops, the
    // places a run may be cut at; the text's first `length` units, its end counted.
    void findCharacters(const afUnicodeData& data, int length);
    // Keeps Uniscribe's stops, breaks and word stops at the starts of characters only.
    void keepStopsOnCharacters(afUnicodeData& data, int length);
    bool itemize(const afUnicodeData& data, int length);
    void breakItems(afUnicodeData& data, int length);
    bool mergeItems();
    void buildRuns(afUnicodeData& data);
    bool buildItem(afUnicodeData& data, afUnicodeItem& run);
    bool shapeItem(afUnicodeData& data, afUnicodeItem& run, const wchar_t* characters);
    // Shapes a left-to-right run of printable ASCII without a script from the font's table;
    // false leaves the run to shapeItem.
    bool shapeAscii(afUnicodeData& data, afUnicodeItem& run, const wchar_t* characters);
    const afAsciiShapes* asciiShapes(afFontEntry& font);
    bool placeItem(afUnicodeData& data, afUnicodeItem& run);
    void growGlyphs(afUnicodeData& data, int count);
    void measureSpecialRuns(afUnicodeData& data);
    void setRunWidth(afUnicodeData& data, afUnicodeItem& run, int width);
    void orderRuns(const afUnicodeData& data, int firstRun, int lastRun, std::vector<int>& visual);
    void wrap(afUnicodeData& data);
    int findBreak(afUnicodeData& data, int from, int remaining, int available, int sublineStart);
    int logicalWidth(afUnicodeData& data, int offset);
    int clusterAligned(const afUnicodeData& data, const afUnicodeItem& run, int at) const;
    void splitRun(afUnicodeData& data, const afUnicodeItem& run, int at, afUnicodeItem& head, afUnicodeItem& tail);
    void orderSublines(afUnicodeData& data);
    void fillLogicalWidths(afUnicodeData& data, afUnicodeItem& run);
    void settleClusters(afUnicodeData& data, afUnicodeItem& run);
    void trimCapacity(afUnicodeData& data);
    int cappedWrapIndent(int indent) const;
    int rawWrapIndent(const afUnicodeData& data) const;
    // x of a caret offset on the whole line, or within its subline (origin included).
    int caretX(const afUnicodeData& data, int offset, bool trailing, bool bySubline, int& subline) const;
    // x of a caret offset within one run, from its left edge.
    int runX(const afUnicodeData& data, const afUnicodeItem& run, int offset, bool trailing) const;
    void rebuildBlendTable();

    HDC m_dc = nullptr;
    mutable const afFontEntry* m_selectedFont = nullptr;
    const afFontEntry* m_primaryFont = nullptr;
    int m_wrapWidth = 0;
    bool m_wrapEnabled = false;
    int m_tabSize = 4;
    bool m_continuationIndent = true;
    bool m_keepIndentation = true;
    SCRIPT_CONTROL m_control = {};
    SCRIPT_STATE m_state = {};
    const SCRIPT_PROPERTIES** m_scriptProperties = nullptr;
    int m_scriptCount = 0;
    afFontSet* m_fontSet = nullptr;
    int m_paddingAbove = 0;
    int m_paddingBelow = 0;
    int m_ascent = 0;
    int m_lineHeight = 1;
    int m_spaceWidth = 1;
    int m_averageCharWidth = 1;
    afUnicodeStyle m_defaultStyle;
    afUnicodeStyleProvider* m_styleProvider = nullptr;
    std::array<tessel::HighlightStyle, BLEND_SLOTS> m_blend;
    std::vector<tessel::TextHighlighter*> m_clients;

    // Scratch shared by every line this layout processes.
    std::vector<SCRIPT_ITEM> m_items;
    int m_itemCount = 0;
    std::vector<SCRIPT_ITEM> m_pieces;
    int m_pieceCount = 0;
    int m_widthRun = 0; // the run whose logical widths the break search read last
    std::vector<afUnicodeItem> m_wrapped;
    std::vector<afUnicodeItem> m_pending;
    std::vector<BYTE> m_levels;
    std::vector<int> m_visualToLogical;
    std::vector<int> m_included;
    std::vector<int> m_provisional;
    std::vector<wchar_t> m_scratch;
    std::unique_ptr<pel::CharacterBoundaries> m_characters;
    std::vector<uint8_t> m_characterStarts; // 1 where a character starts, for the line in hand
};

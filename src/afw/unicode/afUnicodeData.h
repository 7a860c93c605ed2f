#pragma once
// The layout record of one line: what the caller gives (text, one attribute entry per
// character, background, indentation facts) and what afUnicode::process builds from it (runs,
// their visual order per subline, subline widths, logical attributes, shaped glyphs). The line
// cache owns the records; their vectors are reused from line to line.

#include "service/document/TextHighlighter.h"

#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>
#include <usp10.h>

struct afFontEntry;

// A character's look: packed colours (red in the low byte, then green, blue, alpha) and flags:
// bits 0-3 the font variant (0-8), bits 4-15 decoration bits handed to the renderer.
struct afUnicodeStyle {
    static constexpr uint16_t VARIANT_MASK = 0x000F;

    uint32_t foreground = 0xFFFFFFFF;
    uint32_t background = 0xFF000000;
    uint32_t third = 0;
    uint16_t flags = 0;
};

class afUnicodeStyleProvider {
public:
    virtual afUnicodeStyle& styleFor(uint16_t styleId) = 0;

protected:
    ~afUnicodeStyleProvider() = default;
};

// One run: characters that share a Uniscribe item, a font and a kind, shaped together.
struct afUnicodeItem {
    enum Kind { TEXT = 0, TAB = 1, LINE_END = 2, CONTROL = 3 };
    enum Flags : uint8_t { LOGICAL_WIDTHS = 1 };

    SCRIPT_ANALYSIS analysis = {};
    int kind = TEXT;
    int first = 0;
    int count = 0;
    int firstGlyph = 0; // also the first of its advances and offsets
    int glyphCount = 0;
    int width = 0;
    uint16_t script = 0; // the script it is shaped with, kept so shaping can be retried
    afFontEntry* font = nullptr;
    uint8_t flags = 0;
    // The glyph its cluster entries count from: firstGlyph once process is done; the first
    // glyph of the run it was split from while wrapping goes on.
    int clusterBase = 0;

    int end() const { return first + count; }
    bool rightToLeft() const { return analysis.fRTL != 0; }
};

// Bits of a character's logical attributes (SCRIPT_LOGATTR as a byte).
enum afLogicalAttribute : uint8_t {
    AF_SOFT_BREAK = 0x01,
    AF_WHITE_SPACE = 0x02,
    AF_CHARACTER_STOP = 0x04,
    AF_WORD_STOP = 0x08,
    AF_INVALID = 0x10,
};

struct afUnicodeData {
    // Given by the caller.
    std::wstring text; // line-end characters included when the line has them
    tessel::LineAttributes attributes;
    uint32_t lineBackground = 0;
    int lineLength = 0;    // without the line end
    int indentation = 0;   // in columns; -1 for a blank line
    int firstNonBlank = 0; // offset
    int lastNonBlankEnd = 0;
    // Where the record's first character stands on its line's row: a piece of a long line is
    // laid out on its own, its tab stops count from the line's start as drawn, and the margin
    // and guides are drawn from there.
    int rowX = 0;
    // A piece of a long line: whether its line has characters before the record's first (its
    // first row, wrapped, then continues the line's row above) and after its last (its last
    // row is then not the line's), and the code point just before it (0: none), which decides
    // whether its first character starts a word.
    bool textBefore = false;
    bool textAfter = false;
    uint32_t characterBefore = 0;

    // Built by process.
    std::vector<afUnicodeItem> items;    // logical order
    std::vector<int> visualOrder;        // per subline, the item indices in visual order
    std::vector<int> sublineEnds;        // per subline, its last index into visualOrder
    std::vector<int> sublineWidths;
    std::vector<SCRIPT_LOGATTR> logAttrs; // per character
    std::vector<WORD> logClusters;        // per character, relative to its run's first glyph
    std::vector<int> logicalWidths;       // per character, filled per run on demand
    std::vector<WORD> glyphs;
    int glyphCount = 0;
    std::vector<SCRIPT_VISATTR> visAttrs;
    std::vector<GOFFSET> offsets;
    std::vector<int> advances;
    int totalWidth = 0;
    int widestWidth = 0;
    bool highlightDirty = true; // the highlighters must mark the line again
    // False until process succeeds: a record that failed is drawn and asked as an empty line.
    bool laidOut = false;
    // The characters laid out: the text, up to the layout's cap on one line.
    int laidLength = 0;

    int sublineCount() const { return static_cast<int>(sublineEnds.size()); }
    uint8_t logicalAttribute(int offset) const { return reinterpret_cast<const uint8_t&>(logAttrs[offset]); }
};

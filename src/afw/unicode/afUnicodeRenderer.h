#pragma once
// Draws one subline of a laid-out line: the line background, the characters' style and
// highlight fills, virtual-space fills, the right margin, indentation guides and wrap marks,
// then the glyphs in as few calls as their colours allow, with marks for blanks and tabs and
// inverted boxes for control characters. Only what the clip band can show is walked, so a
// minified line of thousands of characters draws as fast as a short one. UI thread only.

#include "afw/unicode/afITextRenderer.h"

#include <cstdint>

class afUnicode;
struct afUnicodeItem;

// The roles of the seven paint colours; the editor's painting fills the record in this order.
enum afPaintColour {
    AF_PAINT_FOREGROUND = 0, // the control box's fill
    AF_PAINT_BACKGROUND = 1, // the view's background: the control box's text
    AF_PAINT_WHITESPACE = 2,
    AF_PAINT_GUIDES = 3,
    AF_PAINT_MARGIN = 4,
    AF_PAINT_WRAP = 5,
    AF_PAINT_COLOURS = 7,
};

class afUnicodeRenderer : public afITextRenderer {
public:
    explicit afUnicodeRenderer(afUnicode& engine);

    // Seven colours of red, green, blue and alpha each.
    void setPaintColours(const float (&colours)[AF_PAINT_COLOURS * 4]);
    // Marks blanks and tabs before the first non-blank character, between it and the end of
    // the last one, and after that; all false turns marks off.
    void setWhitespaceMarks(bool leading, bool inner, bool trailing);
    void setIndentGuides(bool on) { m_indentGuides = on; }
    // 0 or less draws no margin line.
    void setRightMargin(int pixels) { m_rightMargin = pixels; }

    void drawSubline(afCanvas& canvas, const afUnicodeData& data, int subline, const RECT& rect, const RECT& clip,
                     const float (&overlay)[4], bool drawText) override;

private:
    struct Band; // what one drawSubline call draws into

    void drawFills(afCanvas& canvas, const afUnicodeData& data, const afUnicodeItem& run, int left, const Band& band);
    void drawVirtualSpace(afCanvas& canvas, const afUnicodeData& data, int subline, int left, const Band& band);
    void drawGuides(afCanvas& canvas, const afUnicodeData& data, int subline, const RECT& rect, const Band& band);
    void drawTextRun(afCanvas& canvas, const afUnicodeData& data, const afUnicodeItem& run, int x, int y,
                     const Band& band);
    void drawTab(afCanvas& canvas, int left, int right, int top);
    // A control character's box, rounded; its code is drawn inverted on it (drawControlCode)
    // once every box of the row is filled, so that a wide box never covers a neighbour's code.
    void drawControlBox(afCanvas& canvas, const afUnicodeItem& run, int x, int y);
    void drawControlCode(afCanvas& canvas, const afUnicodeData& data, const afUnicodeItem& run, int x, int y);
    void drawSpaceMark(afCanvas& canvas, int cellLeft, int advance, int top);
    bool marksAt(const afUnicodeData& data, int offset) const;
    // The fills of an attribute entry: CLR_INVALID where the line's background shows.
    void fillsOf(const afUnicodeData& data, uint32_t entry, const float (&line)[4], COLORREF& main, COLORREF& inner);
    COLORREF paint(int index) const;

    afUnicode& m_engine;
    float m_colours[AF_PAINT_COLOURS][4] = {};
    bool m_indentGuides = false;
    bool m_marks = false;
    bool m_marksLeading = false;
    bool m_marksInner = false;
    bool m_marksTrailing = false;
    int m_rightMargin = 0;
};

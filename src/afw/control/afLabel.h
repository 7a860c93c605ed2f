#pragma once
// The windowless text view of every caption, hint, status text and message: an optional icon
// and then one line of text (cut with an ellipsis) or word-wrapped text, in one of five visual
// styles that pick a stock font and colour. A label may name a buddy: clicking the label or
// typing its mnemonic gives the buddy the focus.
//
// The icon, the font and the buddy are borrowed and must outlive the label.

#include "afw/layout/afLayout.h"
#include "afw/view/afViewVirtual.h"

#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

class afCanvas;
class afIcon;

class afLabel : public afViewVirtual {
public:
    enum WrapMode : int32_t {
        WRAP_ELLIPSIS = 0,      // one line, cut at a word with an ellipsis
        WRAP_PATH_ELLIPSIS = 1, // one line, cut in the middle like a path
        WRAP_WORDS = 2,         // word-wrapped over several lines, a word too long for one broken
                                // inside, the text shown as it is ('&' too)
    };
    // Visual styles 0-4: (stock font, stock colour) (4, 29), (4, 28), (0, 28), (0, 6), (0, 30).
    enum Style : int32_t {
        STYLE_TITLE = 0,
        STYLE_HEADING = 1,
        STYLE_NORMAL = 2,
        STYLE_HINT = 3,
        STYLE_ERROR = 4,
    };
    // Between the icon and the text as measured (drawing leaves the icon gap instead).
    static constexpr int ICON_SPACING = 5;

    static afLabel* createInstance(afViewPlatform* host) { return new afLabel(host); }
    explicit afLabel(afViewPlatform* host);

    // A changed text is stored, its mnemonic taken, and the label measured again.
    void setText(const std::wstring& text);
    const std::wstring& getText() const { return m_text; }
    wchar_t getMnemonic() const { return m_mnemonic; }
    void setFont(HFONT font);
    HFONT getFont() const { return m_font; }
    // Styles 0-4 set the font and colour of the table; any other style is only stored.
    void setVisualStyle(int32_t style);
    int32_t getVisualStyle() const { return m_style; }
    // The index of the stock colour the text is drawn in.
    int32_t getColourIndex() const { return m_colour; }
    void setWrapMode(int32_t mode);
    int32_t getWrapMode() const { return m_wrapMode; }
    // In wrap mode 2, the widest a line of text may be even where the label has more room, so
    // that a long message reads in lines of a comfortable length (0: as wide as the room).
    void setLineLimit(int32_t pixels);
    int32_t getLineLimit() const { return m_lineLimit; }
    // The icon (null for none) and the pixels drawn between it and a text.
    void setIcon(const afIcon* icon, int32_t gap);
    const afIcon* getIcon() const { return m_icon; }
    // The text's place in the label, in the layouts' gravity bits: a horizontal part (centre,
    // left, right) and the vertical centring of single lines. Repaints only: the size does not
    // depend on it.
    void setAlignment(int32_t alignment);
    int32_t getAlignment() const { return m_alignment; }
    void setBuddy(afView* buddy) { m_buddy = buddy; }
    afView* getBuddy() const { return m_buddy; }

    // The DrawTextW format of the text for a wrap mode and an alignment; in wrap mode 2, the one
    // each line measures as (its characters are placed at their measured advances).
    static UINT textFormat(int32_t wrapMode, int32_t alignment);
    // The lines of wrap mode 2 in the canvas's font, none wider than the width (0: no limit):
    // broken at the text's own line breaks, at a blank where a line has one, and inside a word
    // too long for a line at the edge of a character (a letter with its marks, a pair), never
    // leaving a line empty. The blanks a line was broken at go with it.
    static std::vector<std::wstring> wrapLines(afCanvas& canvas, const std::wstring& text, int32_t width);
    // How far apart the lines of wrap mode 2 stand in the canvas's font.
    static int lineSpacing(afCanvas& canvas);
    // The advance of each character of the line in the canvas's font, and the line's extent.
    static std::vector<INT> advancesOf(afCanvas& canvas, const std::wstring& line, SIZE* o_extent);

    const wchar_t* getContextKey() const override { return L"ui.label"; }
    bool hasMnemonic(wchar_t ch) override { return m_mnemonic && ch == m_mnemonic; }
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    // Both give the buddy the focus; taken either way.
    bool onMouseUp(afMouseEvent& /*event*/) override { return focusBuddy(); }
    bool onMnemonic(wchar_t /*ch*/) override { return focusBuddy(); }
    bool onDraw(afCanvas& canvas, const afRect* area) override;
    // The buddy's focus, or the label's own through its host.
    void requestFocus() override;

private:
    bool focusBuddy();
    // What the label does on every change of its looks: repaint and measure again.
    void changed(const wchar_t* reason);
    // The width text may take in wrap mode 2; 0 for no limit.
    int32_t wrapLimit(uint32_t widthSpec) const;
    // The line limit applied to a width text may take (0: none).
    int32_t limited(int32_t width) const;

    int32_t m_alignment = afLayout::GRAVITY_CENTER_VERTICAL | afLayout::GRAVITY_LEFT;
    const afIcon* m_icon = nullptr;
    int32_t m_iconGap = 0;
    int32_t m_style = STYLE_NORMAL;
    int32_t m_colour = 28;
    HFONT m_font = nullptr;
    std::wstring m_text;
    wchar_t m_mnemonic = 0;
    int32_t m_wrapMode = WRAP_ELLIPSIS;
    int32_t m_lineLimit = 0;
    afView* m_buddy = nullptr;
};

#pragma once
// The tooltip-like popup of the editor (gutter marker hints, the hint popup, show scope): lines
// of text on the image pack's hint background (entry 0), shown at a point without taking the
// activation. It sizes itself to its widest line and stays on the monitor that holds the point.

#include "afw/window/afHelperWindow.h"

#include <memory>
#include <string>
#include <vector>

class afDrawableNinePatch;
class afNinePatch;

class Hint : public afHelperWindow {
public:
    // The room around the text without the nine-patch; the text colour and the plain
    // background's (the tooltip colours).
    static constexpr int PADDING_X = 4, PADDING_Y = 2;
    static constexpr int TEXT_COLOUR = 16, BACKGROUND_COLOUR = 15, FRAME_COLOUR = 6;

    // A hint whose window is built (hidden), owned by the parent; null for a null parent.
    static Hint* create(afViewPlatform* parent);
    explicit Hint(afViewPlatform* parent);
    ~Hint() override;

    // One line each; a shown hint is sized and painted again.
    void addText(const std::wstring& text);
    void clear();
    const std::vector<std::wstring>& getLines() const { return m_lines; }
    // Shows the hint with its top-left corner at the screen point, moved back inside the work
    // area of the monitor holding the point where it would stick out.
    void showAt(int x, int y);
    void hide();

    // The image pack's entry 0 the hint is drawn on; null without a pack (a plain tooltip box).
    const afNinePatch* getBackground() const { return m_ninePatch.get(); }
    // The size the lines take with their padding.
    SIZE measure();

    const wchar_t* getContextKey() const override { return L"ui.window.hint"; }
    void paint(afCanvas& canvas, const afRect& rect) override;

private:
    // Sizes a shown hint to its lines and paints it again.
    void refresh();
    afRect padding() const;

    std::vector<std::wstring> m_lines;
    std::unique_ptr<afNinePatch> m_ninePatch;
    std::unique_ptr<afDrawableNinePatch> m_background;
    POINT m_anchor = {0, 0};
};

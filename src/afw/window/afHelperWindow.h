#pragma once
// A floating helper: a click-through, top-most popup that paints itself with per-pixel alpha
// into an off-screen 32-bit bitmap and hands it to the system (UpdateLayeredWindow). The drop
// marker and the hint popups derive from it, drawing in paint. It never takes the activation.

#include "afw/window/afWindow.h"

class afHelperWindow : public afWindow {
public:
    explicit afHelperWindow(afViewPlatform* host = nullptr);

    // Paints the window afresh (adjustSize, then paint) and presents it.
    void updateLayered();

    // Moves the window without painting it again.
    virtual void moveTo(int x, int y);
    virtual bool isDisplayed() const { return getHandle() && isShown(); }
    // May change the size the window is painted and presented at.
    virtual void adjustSize(SIZE& /*io_size*/) {}
    // Draws the window into the canvas, rect being (0, 0, width, height).
    virtual void paint(afCanvas& /*canvas*/, const afRect& /*rect*/) {}

    void setVisible(bool visible) override;
    bool buildSeed(afSeed& seed) override;
    void onCreate() override { updateLayered(); }

protected:
    // How the bitmap is presented: the colour key and the UpdateLayeredWindow flags; the blend
    // goes with ULW_ALPHA only.
    void setLayeredMode(COLORREF colourKey, DWORD flags, const BLENDFUNCTION& blend) {
        m_colourKey = colourKey;
        m_updateFlags = flags;
        m_blend = blend;
    }

private:
    BLENDFUNCTION m_blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    COLORREF m_colourKey = 0;
    DWORD m_updateFlags = ULW_ALPHA;
};

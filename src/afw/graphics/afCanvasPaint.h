#pragma once
// The canvas of a widget's paint cycle: it takes the update region, begins and ends the paint
// (unless it was given a DC already) and draws in the widget's font.

#include "afw/core/afOwnedHandle.h"
#include "afw/graphics/afCanvas.h"

class afViewPlatform;

class afCanvasPaint : public afCanvas {
public:
    // With a DC, the paint cycle is the caller's (no BeginPaint).
    static std::unique_ptr<afCanvasPaint> create(afViewPlatform* widget, HDC dc = nullptr);
    // Ends the paint, so the window is validated even when drawing failed half way.
    ~afCanvasPaint() override;

    HRGN getUpdateRegion() const { return m_region.get(); }
    const afRect& getUpdateBox() const { return m_updateBox; }
    // (0, 0) and the size of the client area.
    const afRect& getClientRect() const { return m_clientRect; }

protected:
    void begin() override;

private:
    afCanvasPaint(afViewPlatform* widget, HDC dc) : afCanvas(dc), m_widget(widget) {}

    afOwnedRegion m_region;
    afRect m_updateBox;
    afRect m_clientRect;
    PAINTSTRUCT m_paint = {};
    bool m_painting = false;
    afViewPlatform* m_widget;
};

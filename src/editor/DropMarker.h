#pragma once
// The marker that shows where a dragged tab or dock would land: a layered top-level bar shaped
// like an I-beam, 6 pixels thick, vertical or horizontal, drawn black on a colour key the
// system makes transparent. The shell makes it when a drag starts, gives it its geometry, moves
// it with showAt while the drag goes on, and hides or deletes it at the end. UI thread only.

#include "afw/window/afHelperWindow.h"

#include <cstdint>

namespace tessel {

class DropMarker : public afHelperWindow {
public:
    enum Orientation { VERTICAL = 0, HORIZONTAL = 1 };
    static constexpr int THICKNESS = 6;
    // White is keyed out; the bar is black.
    static constexpr COLORREF COLOUR_KEY = 0x00FFFFFF;
    static constexpr COLORREF BAR_COLOUR = 0x00000000;

    // A marker whose window is built (hidden), owned by the parent; null for a null parent.
    static DropMarker* create(afViewPlatform* parent);
    explicit DropMarker(afViewPlatform* parent);

    // Stores a new orientation (0 vertical, else horizontal) or length and draws the marker
    // again at its size; the same values draw nothing.
    void setGeometry(int32_t orientation, int32_t length);
    // Places the bar centred across its thickness on the point (x, y) of the reference window
    // (relative to its top-left corner), moving it without drawing it again.
    void showAt(HWND reference, int x, int y);

    int32_t getOrientation() const { return m_orientation; }
    int32_t getLength() const { return m_length; }
    // The times the marker was drawn.
    uint32_t getDrawCount() const { return m_drawCount; }

    const wchar_t* getContextKey() const override { return L"ui.window.drop_marker"; }
    void onCreate() override { updateLayered(); }
    // The bar's size: {6, length} vertical, {length, 6} horizontal.
    void adjustSize(SIZE& io_size) override;
    // The key over the whole area, then the bar's five rectangles.
    void paint(afCanvas& canvas, const afRect& rect) override;

private:
    int32_t m_orientation = VERTICAL;
    int32_t m_length = 0;
    uint32_t m_drawCount = 0;
};

} // namespace tessel

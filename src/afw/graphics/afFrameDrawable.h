#pragma once
// A drawable that fills its bounds and draws a one-pixel line along each selected edge, each
// edge in its own colour. The edges are drawn right, left, top, bottom: where two meet, the
// later one takes the corner.

#include "afw/graphics/afDrawable.h"

#include <cstdint>
#include <windows.h>

class afFrameDrawable : public afDrawable {
public:
    enum Edge : uint32_t { EDGE_LEFT = 1, EDGE_TOP = 2, EDGE_RIGHT = 4, EDGE_BOTTOM = 8, EDGE_ALL = 15 };

    // Every edge in the frame colour.
    afFrameDrawable(COLORREF fill, COLORREF frame, uint32_t edges)
        : afFrameDrawable(fill, frame, frame, frame, frame, edges) {}
    afFrameDrawable(COLORREF fill, COLORREF top, COLORREF left, COLORREF bottom, COLORREF right, uint32_t edges)
        : m_fill(fill), m_top(top), m_left(left), m_bottom(bottom), m_right(right), m_edges(edges) {}

    uint32_t getEdges() const { return m_edges; }
    void draw(afCanvas& canvas) override;

private:
    COLORREF m_fill;
    COLORREF m_top;
    COLORREF m_left;
    COLORREF m_bottom;
    COLORREF m_right;
    uint32_t m_edges;
};

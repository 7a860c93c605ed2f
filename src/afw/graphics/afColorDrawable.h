#pragma once
// A drawable that fills its bounds with one colour.

#include "afw/graphics/afDrawable.h"

#include <windows.h>

class afColorDrawable : public afDrawable {
public:
    explicit afColorDrawable(COLORREF colour) : m_colour(colour) {}

    COLORREF getColour() const { return m_colour; }
    void draw(afCanvas& canvas) override;

private:
    COLORREF m_colour;
};

#pragma once
// Draws laid-out text onto a canvas, one subline at a time.

#include <windows.h>

class afCanvas;
struct afUnicodeData;

class afITextRenderer {
public:
    virtual ~afITextRenderer() = default;
    // Draws the record's subline in rect (its left and top corner is the subline's origin),
    // leaving out what starts at or beyond clip's right edge. overlay (red, green, blue, alpha)
    // is laid over the line's background; drawText false draws only backgrounds and marks.
    virtual void drawSubline(afCanvas& canvas, const afUnicodeData& data, int subline, const RECT& rect,
                             const RECT& clip, const float (&overlay)[4], bool drawText) = 0;
};

#pragma once
// The editing view as a DocumentController sees it: the view shows one controller at a time,
// batches repaints, drops the layout of lines, and converts between positions and horizontal
// pixel positions within a display line (the rectangular selection takes its edges from them).
// The editor widget implements it.

#include "service/document/controller/TextPosition.h"

#include <cstdint>

namespace tessel {

class DocumentController;

class IEditor {
public:
    // The view shows controller from now on (or nothing for null) and keeps it.
    virtual void attachController(DocumentController* controller) = 0;
    // Repaint requests nest; the outermost endUpdate repaints. endUpdate never throws: a failed
    // repaint is logged.
    virtual void beginUpdate() = 0;
    virtual void endUpdate() = 0;
    // Lines first..last (-1: an open end) need repainting, relaid out when relayout is set and
    // wrapped anew when rewrap is.
    virtual void invalidateLines(int32_t first, int32_t last, bool relayout, bool rewrap) = 0;
    virtual void invalidateLine(int32_t line) = 0;
    // The position under the text x on a display line of line: with byCell the character cell
    // under x, else the nearest caret stop; with allowVirtual the columns past the line's end
    // count too (the position is then virtual). False when no position could be found.
    virtual bool pointToPosition(int32_t x, int32_t line, int32_t subline, TextPosition* o_position, bool allowVirtual,
                             bool byCell) = 0;
    // The text x of a position within its display line (for a line past the text, character
    // width times the line offset); exact takes the caret stop rather than the cell's left
    // edge; o_onScreen, when given, tells whether the point lies in the laid-out part.
    virtual int32_t positionToPoint(const TextPosition& position, bool exact, bool* o_onScreen) = 0;
    // The controller the view shows, or null.
    virtual DocumentController* getController() const = 0;

protected:
    ~IEditor() = default;
};

} // namespace tessel

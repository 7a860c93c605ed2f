#pragma once
// A clipping region of a canvas; it owns its handle.

#include "afw/core/afOwnedHandle.h"
#include "afw/view/afRect.h"
#include "pel/base/Object.h"

#include <windows.h>

class afCanvasRegion : public pel::Object {
public:
    // Takes over the region; a null handle throws pel::NullPointerException.
    explicit afCanvasRegion(HRGN region);

    HRGN getHandle() const { return m_region.get(); }
    // Whether any part of the rectangle lies in the region.
    bool contains(const RECT& rect) const;
    afRect bounds() const;

private:
    afOwnedRegion m_region;
};

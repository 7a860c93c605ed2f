#include "afw/graphics/afCanvasRegion.h"

#include "pel/base/Exception.h"

afCanvasRegion::afCanvasRegion(HRGN region) : m_region(region, true) {
    if (!region)
        throw pel::NullPointerException(L"Handle to a region is NULL.");
}

bool afCanvasRegion::contains(const RECT& rect) const {
    return ::RectInRegion(m_region.get(), &rect) != 0;
}

afRect afCanvasRegion::bounds() const {
    afRect box;
    ::GetRgnBox(m_region.get(), &box);
    return box;
}

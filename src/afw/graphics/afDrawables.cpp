// The drawables that paint backgrounds: a colour, a framed fill, a stretched nine-patch.

#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afColorDrawable.h"
#include "afw/graphics/afDrawableNinePatch.h"
#include "afw/graphics/afFrameDrawable.h"
#include "afw/graphics/afNinePatch.h"
#include "pel/base/Assert.h"

void afColorDrawable::draw(afCanvas& canvas) {
    canvas.fillRect(getBounds(), m_colour);
}

void afFrameDrawable::draw(afCanvas& canvas) {
    const afRect& bounds = getBounds();
    canvas.fillRect(bounds, m_fill);
    if (m_edges & EDGE_RIGHT)
        canvas.drawLineRight(bounds, m_right);
    if (m_edges & EDGE_LEFT)
        canvas.drawLineVertical(bounds, m_left);
    if (m_edges & EDGE_TOP)
        canvas.drawLineHorizontal(bounds, m_top);
    if (m_edges & EDGE_BOTTOM)
        canvas.drawLineBottom(bounds, m_bottom);
}

afDrawableNinePatch::afDrawableNinePatch(const afNinePatch* ninePatch) : m_ninePatch(ninePatch) {
    PEL_CHECK_PTR(ninePatch);
}

bool afDrawableNinePatch::getPadding(afRect* o_padding) const {
    PEL_CHECK_PTR(o_padding);
    *o_padding = m_ninePatch->padding();
    return true;
}

void afDrawableNinePatch::draw(afCanvas& canvas) {
    const afRect& bounds = getBounds();
    if (bounds.isEmpty())
        return;
    if (!m_rendering || m_rendering->getWidth() != bounds.width() || m_rendering->getHeight() != bounds.height()) {
        m_rendering = afBitmap::createDIB(bounds.width(), bounds.height());
        if (!m_rendering)
            return;
        m_ninePatch->renderTo(*m_rendering);
        ++m_renders;
    }
    canvas.drawBitmap(*m_rendering, bounds.left, bounds.top);
}

#pragma once
// A drawable that stretches a nine-patch image over its bounds. The rendering is kept and drawn
// again while the bounds keep their size; a new size renders once more. Its padding is the
// nine-patch's content padding.

#include "afw/graphics/afBitmap.h"
#include "afw/graphics/afDrawable.h"

#include <memory>

class afNinePatch;

class afDrawableNinePatch : public afDrawable {
public:
    // The nine-patch is borrowed and must outlive the drawable.
    explicit afDrawableNinePatch(const afNinePatch* ninePatch);

    bool getPadding(afRect* o_padding) const override;
    // Bounds empty in either direction draw nothing.
    void draw(afCanvas& canvas) override;

    // How often the image was rendered: once per size drawn.
    int getRenderCount() const { return m_renders; }

private:
    const afNinePatch* m_ninePatch;
    std::unique_ptr<afBitmap> m_rendering;
    int m_renders = 0;
};

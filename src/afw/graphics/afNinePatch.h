#pragma once
// An image that renders itself at any size: its corners keep their size, its edges stretch in
// one direction and its centre in both. Made from a nine-patch entry of the image pack (the
// hint window's background is entry 0); it also carries the room its content keeps from each
// edge.

#include "afw/graphics/afBitmap.h"
#include "afw/graphics/afImagePack.h"
#include "afw/view/afRect.h"
#include "pel/base/Object.h"

#include <memory>

class afNinePatch : public pel::Object {
public:
    // Entry 0 of the application's image pack, when that is a nine-patch whose PNG decodes;
    // null otherwise.
    static std::unique_ptr<afNinePatch> fromPack();
    // The same from the pack given (null: none).
    static std::unique_ptr<afNinePatch> fromPack(const afImagePack* pack);

    afNinePatch(std::unique_ptr<afBitmap> bitmap, const afNinePatchMetrics& metrics);

    // Fills the whole target: the nine pieces, corners first, then the edges, then the centre.
    // Pieces that meet in a target smaller than the corners are cut to the target, each keeping
    // its own mapping; nothing is written outside the target or read outside the image.
    void renderTo(afBitmap& target) const;
    // The content paddings as left, top, right, bottom.
    afRect padding() const;

    const afBitmap& getBitmap() const { return *m_bitmap; }
    const afNinePatchMetrics& getMetrics() const { return m_metrics; }

private:
    std::unique_ptr<afBitmap> m_bitmap;
    afNinePatchMetrics m_metrics;
};

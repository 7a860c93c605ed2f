#include "afw/graphics/afNinePatch.h"

#include "afw/core/afApp.h"
#include "afw/graphics/afPng.h"
#include "pel/base/Assert.h"

std::unique_ptr<afNinePatch> afNinePatch::fromPack() {
    return fromPack(afApp::getImagePack());
}

std::unique_ptr<afNinePatch> afNinePatch::fromPack(const afImagePack* pack) {
    afNinePatchMetrics metrics;
    const uint8_t* png = nullptr;
    uint32_t length = 0;
    if (!pack || !pack->ninePatch(0, &metrics, &png, &length))
        return nullptr;
    std::unique_ptr<afBitmap> bitmap = decodePng(png, length);
    if (!bitmap)
        return nullptr;
    return std::make_unique<afNinePatch>(std::move(bitmap), metrics);
}

afNinePatch::afNinePatch(std::unique_ptr<afBitmap> bitmap, const afNinePatchMetrics& metrics)
    : m_bitmap(std::move(bitmap)), m_metrics(metrics) {
    PEL_CHECK_PTR(m_bitmap);
}

void afNinePatch::renderTo(afBitmap& target) const {
    const int W = target.getWidth(), H = target.getHeight();
    if (W <= 0 || H <= 0)
        return;
    const afBitmap& source = *m_bitmap;
    const int w = source.getWidth(), h = source.getHeight();
    const int L = m_metrics.stretchLeft, T = m_metrics.stretchTop;
    const int R = m_metrics.stretchRight, B = m_metrics.stretchBottom;
    // Where the right and bottom corners begin in the target.
    const int R2 = R - w + W, B2 = B - h + H;
    // stretch() writes only inside the target and reads only inside the piece, so a piece that
    // reaches outside a small target keeps its mapping and draws the part inside.
    const struct {
        int x1, y1, x2, y2, tx1, ty1, tx2, ty2;
    } pieces[] = {
        {0, 0, L, T, 0, 0, L, T},         // top left
        {R, 0, w, T, R2, 0, W, T},        // top right
        {0, B, L, h, 0, B2, L, H},        // bottom left
        {R, B, w, h, R2, B2, W, H},       // bottom right
        {L, 0, R, T, L, 0, R2, T},        // top edge
        {L, B, R, h, L, B2, R2, H},       // bottom edge
        {0, T, L, B, 0, T, L, B2},        // left edge
        {R, T, w, B, R2, T, W, B2},       // right edge
        {L, T, R, B, L, T, R2, B2},       // centre
    };
    for (const auto& p : pieces)
        stretch(source, target, p.x1, p.y1, p.x2, p.y2, p.tx1, p.ty1, p.tx2, p.ty2);
}

afRect afNinePatch::padding() const {
    return afRect(m_metrics.paddingLeft, m_metrics.paddingTop, m_metrics.paddingRight, m_metrics.paddingBottom);
}

// The hint background of the linked image pack: renderTo at 400 x 120 (target: under 1 ms) and
// a cached afDrawableNinePatch::draw of that size (target: within 1.2 x), each in microseconds
// beside a bare AlphaBlend of a bitmap of that size into the same memory DC.

#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afDrawableNinePatch.h"
#include "afw/graphics/afImagePack.h"
#include "afw/graphics/afNinePatch.h"
#include "afw/support/DibSurface.h"
#include "support/Bench.h"

#include <cstdio>

int main() {
    const std::unique_ptr<afImagePack> pack = afImagePack::load(::GetModuleHandleW(nullptr));
    const std::unique_ptr<afNinePatch> hint = afNinePatch::fromPack(pack.get());
    if (!hint) {
        std::fprintf(stderr, "no nine-patch in the image pack\n");
        return 1;
    }
    constexpr int kWidth = 400, kHeight = 120, kRuns = 200;
    const auto rendering = afBitmap::createDIB(kWidth, kHeight);
    const double render = bench::bestOf(kRuns, [&] { hint->renderTo(*rendering); });

    tessel_test::DibSurface surface(kWidth, kHeight);
    const std::unique_ptr<afCanvas> canvas = afCanvas::fromDC(surface.dc());
    afDrawableNinePatch drawable(hint.get());
    drawable.setBounds(afRect(0, 0, kWidth, kHeight));
    drawable.draw(*canvas);
    const double cached = bench::bestOf(kRuns, [&] {
        drawable.draw(*canvas);
        ::GdiFlush();
    });
    HDC source = ::CreateCompatibleDC(surface.dc());
    const HGDIOBJ previous = ::SelectObject(source, rendering->getHandle());
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const double bare = bench::bestOf(kRuns, [&] {
        ::GdiAlphaBlend(surface.dc(), 0, 0, kWidth, kHeight, source, 0, 0, kWidth, kHeight, blend);
        ::GdiFlush();
    });
    ::SelectObject(source, previous);
    ::DeleteDC(source);
    bench::figureBeside("nine_patch_render_400x120", render * 1e6, "us", "alpha_blend", bare * 1e6);
    bench::figureBeside("nine_patch_cached_draw_400x120", cached * 1e6, "us", "alpha_blend", bare * 1e6);
    return drawable.getRenderCount() == 1 ? 0 : 1;
}

// afUnicodeRenderer::drawSubline over 60 visible lines of coloured C beside the bare drawing of
// the same glyphs (a background fill and one ScriptTextOut per colour group), with ExtTextOutW
// of the same text printed too (target: ratio <= 1.3); and one subline of a 155 KB minified line
// scrolled to its middle beside a typical line (under 1 ms: the renderer seeks, it does not walk).

#include "afw/TextBenchData.h"
#include "afw/graphics/afBitmap.h"
#include "afw/graphics/afCanvas.h"
#include "afw/impl/win32/uniscribe/afUniscribe.h"
#include "afw/unicode/afUnicodeRenderer.h"
#include "support/Bench.h"

#include <memory>

int main() {
    bench::BenchLayout setup;
    afUnicode& layout = setup.layout;
    afUnicodeRenderer renderer(layout);
    float paint[AF_PAINT_COLOURS * 4] = {};
    for (float& channel : paint)
        channel = 0.5f;
    renderer.setPaintColours(paint);
    const int lineHeight = layout.getLineHeight(), width = 1000, rows = 60;

    const std::vector<std::wstring> lines = bench::cSourceLines(rows);
    std::vector<afUnicodeData> records(rows);
    for (int k = 0; k < rows; ++k) {
        bench::fillRecord(records[k], lines[k]);
        bench::colourC(lines[k], records[k].attributes.entries);
        layout.process(records[k]);
    }
    auto surface = afBitmap::createDIB(width, rows * lineHeight);
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SelectObject(dc, surface->getHandle());
    auto canvas = afCanvas::fromDC(dc);
    const float overlay[4] = {0, 0, 0, 0};

    auto drawn = [&] {
        for (int k = 0; k < rows; ++k) {
            const RECT rect = {0, k * lineHeight, width, (k + 1) * lineHeight};
            renderer.drawSubline(*canvas, records[k], 0, rect, rect, overlay, true);
        }
        ::GdiFlush();
    };
    const afUniscribeApi& uniscribe = afSystemUniscribe();
    auto bare = [&] {
        ::SetBkMode(dc, TRANSPARENT);
        for (int k = 0; k < rows; ++k) {
            const afUnicodeData& data = records[k];
            const RECT rect = {0, k * lineHeight, width, (k + 1) * lineHeight};
            ::SetBkColor(dc, RGB(255, 255, 255));
            ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
            int x = 0;
            for (int index : data.visualOrder) {
                const afUnicodeItem& run = data.items[index];
                ::SelectObject(dc, run.font->font);
                int groupX = x;
                for (int c = run.first; c < run.end();) {
                    const uint32_t style = data.attributes.entries[c] & 0xFFFF;
                    int end = c + 1;
                    while (end < run.end() && (data.attributes.entries[end] & 0xFFFF) == style)
                        ++end;
                    const int first = run.firstGlyph + data.logClusters[c];
                    const int last = end < run.end() ? run.firstGlyph + data.logClusters[end] : run.firstGlyph + run.glyphCount;
                    ::SetTextColor(dc, setup.styles.styleFor(static_cast<uint16_t>(style)).foreground & 0xFFFFFF);
                    uniscribe.textOut(dc, &run.font->cache, groupX, rect.top, 0, nullptr, &run.analysis, nullptr, 0,
                                      data.glyphs.data() + first, last - first, data.advances.data() + first, nullptr,
                                      data.offsets.data() + first);
                    for (int g = first; g < last; ++g)
                        groupX += data.advances[g];
                    c = end;
                }
                x += run.width;
            }
        }
        ::GdiFlush();
    };
    afFontEntry* mono = &setup.primaryFont();
    auto plain = [&] {
        ::SelectObject(dc, mono->font);
        for (int k = 0; k < rows; ++k) {
            const RECT rect = {0, k * lineHeight, width, (k + 1) * lineHeight};
            ::SetBkColor(dc, RGB(255, 255, 255));
            ::ExtTextOutW(dc, 0, rect.top, ETO_OPAQUE, &rect, lines[k].data(), static_cast<UINT>(lines[k].size()),
                          nullptr);
        }
        ::GdiFlush();
    };
    drawn();
    bare();
    const double bareTime = bench::bestOf(20, bare);
    const double drawnTime = bench::bestOf(20, drawn);
    const double plainTime = bench::bestOf(20, plain);
    bench::figureBeside("unicode_draw_60_lines", drawnTime * 1e6, "us", "bare", bareTime * 1e6);
    bench::figure("unicode_draw_60_lines_ext_text_out", plainTime * 1e6, "us");

    afUnicodeData css;
    bench::fillRecord(css, bench::minifiedCss(155000));
    layout.process(css);
    auto drawOne = [&](const afUnicodeData& data, int left) {
        const RECT rect = {left, 0, width, lineHeight}, clip = {0, 0, width, lineHeight};
        renderer.drawSubline(*canvas, data, 0, rect, clip, overlay, true);
        ::GdiFlush();
    };
    const double middle = bench::bestOf(20, [&] { drawOne(css, -css.totalWidth / 2); });
    const double typical = bench::bestOf(20, [&] { drawOne(records[1], 0); });
    bench::figureBeside("unicode_draw_css_155k_middle", middle * 1e6, "us", "typical_line", typical * 1e6);
    ::DeleteDC(dc);
    return 0;
}

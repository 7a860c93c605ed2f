// The canvas primitives beside the bare GDI calls they wrap, on one 32-bit DIB in the same run:
// a 100 x 20 fill, a short text drawn and measured, and a 1000 x 800 buffer made, filled and
// copied. Each figure is microseconds per call, with its ratio to the bare form (target <= 1.3).

#include "afw/graphics/afBitmap.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afCanvasBuffer.h"
#include "support/Bench.h"

#include <functional>
#include <memory>

namespace {

constexpr int kRuns = 7;

// Microseconds per call of body, best of kRuns runs of count calls.
double perCall(int count, const std::function<void(int)>& body) {
    const double best = bench::bestOf(kRuns, [&] {
        for (int i = 0; i < count; ++i)
            body(i);
        ::GdiFlush();
    });
    return best * 1e6 / count;
}

void compare(const char* name, int count, const std::function<void(int)>& wrapped,
             const std::function<void(int)>& bare) {
    perCall(count / 10, wrapped); // warm both up
    perCall(count / 10, bare);
    const double bareTime = perCall(count, bare);
    const double wrappedTime = perCall(count, wrapped);
    bench::figureBeside(name, wrappedTime, "us", "bare", bareTime);
}

} // namespace

int main() {
    auto surface = afBitmap::createDIB(1000, 800);
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SelectObject(dc, surface->getHandle());
    ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    const wchar_t* text = L"Find next";
    const RECT textRect = {10, 10, 200, 30};
    const UINT format = DT_SINGLELINE | DT_VCENTER;

    auto canvas = afCanvas::fromDC(dc);
    compare(
        "canvas_fill_rect", 20000,
        [&](int i) { canvas->fillRect({i % 50, 100, i % 50 + 100, 120}, RGB(i & 0xFF, 0x40, 0x80)); },
        [&](int i) {
            const RECT rect = {i % 50, 100, i % 50 + 100, 120};
            ::SetBkColor(dc, RGB(i & 0xFF, 0x40, 0x80));
            ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
        });
    ::SetBkMode(dc, TRANSPARENT);
    compare(
        "canvas_draw_text", 5000, [&](int i) { canvas->drawText(text, -1, textRect, format, RGB(0, 0, i & 0xFF)); },
        [&](int) {
            RECT rect = textRect;
            ::DrawTextW(dc, text, -1, &rect, format);
        });
    compare(
        "canvas_measure_text", 5000, [&](int) { canvas->measureText(text, -1, DT_SINGLELINE); },
        [&](int) {
            RECT rect = {0, 0, 0, 0};
            ::DrawTextW(dc, text, -1, &rect, DT_SINGLELINE | DT_CALCRECT);
        });
    const RECT area = {0, 0, 1000, 800};
    compare(
        "canvas_buffer_1000x800", 200,
        [&](int i) {
            auto buffer = afCanvasBuffer::create(*canvas, area, true);
            buffer->fillRect(area, RGB(i & 0xFF, 0, 0));
        },
        [&](int i) {
            HDC memory = ::CreateCompatibleDC(dc);
            HBITMAP bitmap = ::CreateCompatibleBitmap(dc, 1000, 800);
            const HGDIOBJ previous = ::SelectObject(memory, bitmap);
            ::SetBkColor(memory, RGB(i & 0xFF, 0, 0));
            ::ExtTextOutW(memory, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
            ::BitBlt(dc, 0, 0, 1000, 800, memory, 0, 0, SRCCOPY);
            ::SelectObject(memory, previous);
            ::DeleteObject(bitmap);
            ::DeleteDC(memory);
        });
    canvas.reset();
    ::DeleteDC(dc);
    return 0;
}

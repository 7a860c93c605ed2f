// A form of 100 fields (a caption and a hint each) measured, laid out and painted into a memory
// bitmap, in milliseconds, beside bare DrawTextW measuring (DT_CALCRECT) and then drawing the
// same 200 texts in the same font (target: within 2 x).

#include "afw/control/afLabel.h"
#include "afw/core/afModuleInstance.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutField.h"
#include "afw/support/DibSurface.h"
#include "support/Bench.h"

#include <string>
#include <vector>

int main() {
    afSetModuleInstance(::GetModuleHandleW(nullptr));
    afCreateStockResources();
    constexpr int kFields = 100, kWidth = 400, kHeight = 2400, kRuns = 20;
    std::vector<std::wstring> texts;
    afLayoutLinear form(nullptr, afLayoutLinear::VERTICAL);
    for (int i = 0; i < kFields; ++i) {
        texts.push_back(L"&Field number " + std::to_wstring(i) + L":");
        texts.push_back(L"a hint of what field " + std::to_wstring(i) + L" takes");
        auto* field = new afLayoutField(nullptr);
        field->setCaption(texts[texts.size() - 2]);
        field->setHint(texts.back(), afLayout::GRAVITY_RIGHT);
        form.addChild(field, afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    }
    tessel_test::DibSurface surface(kWidth + 2, kHeight);
    const std::unique_ptr<afCanvas> canvas = afCanvas::fromDC(surface.dc());
    int pass = 0;
    const double ours = bench::bestOf(kRuns, [&] {
        // A width that changes every pass measures every label again.
        const int width = kWidth + (++pass & 1) * 2;
        form.measure(afViewMeasureSpec::exactly(width), afViewMeasureSpec::atMost(kHeight));
        form.setFrame(afRect(0, 0, width, form.getMeasuredHeight()));
        form.draw(*canvas, nullptr);
        ::GdiFlush();
    });

    HDC dc = surface.dc();
    const HGDIOBJ previous = ::SelectObject(dc, afGetStockFont(AF_FONT_MESSAGE));
    ::SetBkMode(dc, TRANSPARENT);
    const double bare = bench::bestOf(kRuns, [&] {
        int top = 0;
        for (const std::wstring& text : texts) {
            RECT rect = {0, top, kWidth, top};
            ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_SINGLELINE | DT_CALCRECT);
            ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_SINGLELINE | DT_WORD_ELLIPSIS);
            top = rect.bottom % (kHeight - 20);
        }
        ::GdiFlush();
    });
    ::SelectObject(dc, previous);
    bench::figureBeside("form_100_fields", ours * 1e3, "ms", "draw_text", bare * 1e3);
    return 0;
}

// The framework's small list and HTML controls beside the bare system calls they stand for, in
// real windows, each peer in the same program on the same data:
//  - a lister of 100,000 virtual rows (texts drawn through the canvas): its first paint and
//    paging from top to bottom in ms per page, beside an owner-data "SysListView32" giving the
//    same texts (target: at most 1.5 x);
//  - measureItems over the 100,000 rows with a delegate measuring each text through the canvas,
//    beside a bare GetTextExtentPoint32W loop over the same texts (target: at most 1.3 x);
//  - the stand-in HTML view loading and painting a 1 MB document, beside a bare UTF-8 decode of
//    its bytes and DrawTextW of its text (target: at most 3 x).

#include "afw/BenchViews.h"
#include "afw/control/afControlHTML.h"
#include "afw/control/afControlLister.h"
#include "afw/graphics/afCanvas.h"
#include "platform/htmlayout/HtmLayoutApi.h"
#include "support/Bench.h"

#include <commctrl.h>
#include <string>
#include <vector>

namespace {

const int kRows = bench::scaled(100000, 2000);
constexpr int kWidth = 400, kHeight = 600;

std::vector<std::wstring> g_texts;

std::wstring rowText(int index) {
    return L"Row " + std::to_wstring(index) + L": a clipboard entry of some length, " +
           std::to_wstring(index * 7919 % 100000);
}

struct ListerOwner {
    void draw(afCanvas& canvas, int32_t index, bool selected, const afRect& rect) {
        if (selected)
            lister->drawSelection(canvas, rect);
        canvas.drawText(g_texts[index], rect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS, 0);
    }
    bool measure(int32_t index, bool, afCanvas& canvas, SIZE& size) {
        const std::wstring& text = g_texts[index];
        size = canvas.measureText(text.c_str(), static_cast<int>(text.size()), DT_SINGLELINE | DT_NOPREFIX);
        return true;
    }
    afControlLister* lister = nullptr;
};

LRESULT CALLBACK peerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        if (info->item.mask & LVIF_TEXT)
            info->item.pszText = const_cast<wchar_t*>(g_texts[info->item.iItem].c_str());
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// Pages from the top to the bottom, repainting each page; ms per page.
template <class PageDown>
double pageThrough(HWND window, int pages, PageDown pageDown) {
    const double start = bench::seconds();
    for (int i = 0; i < pages; ++i) {
        pageDown();
        ::UpdateWindow(window);
    }
    return (bench::seconds() - start) * 1e3 / pages;
}

double firstPaint(HWND window) {
    return bench::bestOf(5, [&] {
        ::InvalidateRect(window, nullptr, TRUE);
        ::UpdateWindow(window);
    }) * 1e3;
}

} // namespace

int main() {
    bench::prepareWindows();
    ::InitCommonControls();
    for (int i = 0; i < kRows; ++i)
        g_texts.push_back(rowText(i));

    afTestWindow window;
    window.build();
    window.setFrame(afRect(0, 0, kWidth + 40, kHeight + 60));
    window.setShown(true, false);
    afControlLister* lister = afControlLister::createInstance(&window);
    ListerOwner owner;
    owner.lister = lister;
    lister->setDrawItem(afControlLister::DrawItem::bind<ListerOwner, &ListerOwner::draw>(&owner));
    lister->setFrame(afRect(0, 0, kWidth, kHeight));
    lister->setCount(kRows, true);
    bench::drain();
    const double listerFirst = firstPaint(lister->getHandle());
    const int pages = kRows / lister->getVisibleRows();
    const double listerPage = pageThrough(lister->getHandle(), pages, [&] { lister->scroll(5, 0); });

    // The peer: an owner-data list view of the same size and texts.
    HWND peerWindow = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, kWidth + 40,
                                        kHeight + 60, nullptr, nullptr, nullptr, nullptr);
    ::SetWindowLongPtrW(peerWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&peerProc));
    HWND list = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER,
                                  0, 0, kWidth, kHeight, peerWindow, nullptr, nullptr, nullptr);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = kWidth - 20;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    ::SendMessageW(list, LVM_SETITEMCOUNT, kRows, 0);
    bench::drain();
    const double peerFirst = firstPaint(list);
    const int peerPages = kRows / std::max<int>(1, static_cast<int>(::SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)));
    const double peerPage = pageThrough(list, peerPages, [&] { ::SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0); });
    bench::figureBeside("lister_first_paint", listerFirst, "ms", "listview", peerFirst);
    bench::figureBeside("lister_page", listerPage, "ms", "listview", peerPage);

    // Measuring every row.
    lister->setMeasureItem(afControlLister::MeasureItem::bind<ListerOwner, &ListerOwner::measure>(&owner));
    const double measured = bench::bestOf(3, [&] { lister->measureItems(); }) * 1e3;
    HDC dc = ::GetDC(lister->getHandle());
    const HGDIOBJ previous = ::SelectObject(dc, lister->getFont());
    const double bare = bench::bestOf(3, [&] {
        SIZE size;
        for (const std::wstring& text : g_texts)
            ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }) * 1e3;
    ::SelectObject(dc, previous);
    ::ReleaseDC(lister->getHandle(), dc);
    bench::figureBeside("lister_measure_100k", measured, "ms", "text_extent", bare);

    // A 1 MB document through the stand-in HTML view.
    std::string document;
    for (int i = 0; document.size() < (1u << 20); ++i)
        document += "<p>Paragraph " + std::to_string(i) + " of the release notes &amp; <b>bold</b> words, \xC3\xA9t\xC3\xA9.</p>\n";
    afControlHTML* html = afControlHTML::createInstance(&window);
    html->setFrame(afRect(0, 0, kWidth, kHeight));
    ::ShowWindow(html->getHandle(), SW_SHOW);
    ::ShowWindow(lister->getHandle(), SW_HIDE);
    bench::drain();
    const auto* bytes = reinterpret_cast<const BYTE*>(document.data());
    const double loaded = bench::bestOf(5, [&] {
        bench::check(HTMLayoutLoadHtml(html->getHandle(), bytes, static_cast<UINT>(document.size())) != FALSE, "load");
        ::UpdateWindow(html->getHandle());
    }) * 1e3;
    HDC htmlDc = ::GetDC(html->getHandle());
    ::SelectObject(htmlDc, ::GetStockObject(DEFAULT_GUI_FONT));
    const double decoded = bench::bestOf(5, [&] {
        const int length = ::MultiByteToWideChar(CP_UTF8, 0, document.data(), static_cast<int>(document.size()), nullptr, 0);
        std::wstring text(length, L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, document.data(), static_cast<int>(document.size()), &text[0], length);
        RECT rect = {8, 8, kWidth - 8, kHeight - 8};
        ::DrawTextW(htmlDc, text.c_str(), length, &rect, DT_WORDBREAK | DT_NOPREFIX);
        ::GdiFlush();
    }) * 1e3;
    ::ReleaseDC(html->getHandle(), htmlDc);
    bench::figureBeside("html_load_1mb", loaded, "ms", "decode_draw", decoded);
    ::DestroyWindow(peerWindow);
    return 0;
}

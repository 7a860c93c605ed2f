#pragma once
// Text as Tessel.exe shows it, drawn again by the driver in the same font to compare with: the
// driver runs in the program's Wine prefix at the program's DPI (the scaled runs start it after
// setting the prefix's LogPixels), and text is drawn without smoothing there, so a font asked for
// alike puts its ink on the same pixels. Whether a capture shows a text whole and where, the ink
// a text has, and whether a control's text fits its client rectangle.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tessel_test {

// The dots per inch the driver, and so the program it starts, runs at.
inline int screenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

// The system's message font: what the framework's dialogs, labels, buttons, lists and status
// strip are set in.
inline LOGFONTW messageFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = 500; // the record without the padded border width, as the framework asks
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    return metrics.lfMessageFont;
}

// The editor font the tests' user folders name, at that many points.
inline LOGFONTW editorFont(int points) {
    LOGFONTW font = {};
    font.lfHeight = -::MulDiv(points, screenDpi(), 72);
    ::lstrcpynW(font.lfFaceName, L"DejaVu Sans Mono", LF_FACESIZE);
    return font;
}

// The text drawn in a font: the extent DrawTextW gives it, and the pixels its glyphs ink.
struct TextInk {
    std::wstring text;
    int width = 0, height = 0;
    std::vector<POINT> ink; // in the extent, top-down
    RECT bounds = {0, 0, 0, 0};

    int count() const { return static_cast<int>(ink.size()); }
};

// How a text is set: as DrawTextW sets it (labels of one line, buttons, the status strip, lists),
// or each character at the advance the font measures for it (the framework's wrapped labels,
// such as a question's message, which place their lines as they measured them: Wine's drawing
// kerns some pairs that its measuring does not).
enum class Setting { DRAWN, PLACED };

// The text in one line of the font ('&' drawn as itself).
inline TextInk inkOfText(const std::wstring& text, const LOGFONTW& font, Setting setting = Setting::DRAWN) {
    TextInk result;
    result.text = text;
    HFONT handle = ::CreateFontIndirectW(&font);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ previousFont = ::SelectObject(dc, handle);
    RECT extent = {0, 0, 0, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    result.width = extent.right;
    result.height = extent.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = std::max(result.width, 1);
    info.bmiHeader.biHeight = -std::max(result.height, 1);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previousBitmap = ::SelectObject(dc, bitmap);
    const RECT all = {0, 0, result.width, result.height};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetTextColor(dc, 0);
    ::SetBkMode(dc, TRANSPARENT);
    RECT box = all;
    if (setting == Setting::DRAWN) {
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_SINGLELINE | DT_NOPREFIX);
    } else if (!text.empty()) {
        std::vector<INT> ends(text.size()), advances(text.size());
        SIZE size = {};
        ::GetTextExtentExPointW(dc, text.data(), static_cast<int>(text.size()), 0, nullptr, ends.data(), &size);
        for (size_t i = 0; i < text.size(); ++i)
            advances[i] = ends[i] - (i ? ends[i - 1] : 0);
        ::ExtTextOutW(dc, 0, 0, 0, nullptr, text.data(), static_cast<UINT>(text.size()), advances.data());
    }
    ::GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    result.bounds = {result.width, result.height, 0, 0};
    for (int y = 0; y < result.height; ++y)
        for (int x = 0; x < result.width; ++x)
            if ((pixels[y * result.width + x] & 0xFFFFFF) != 0xFFFFFF) {
                result.ink.push_back({x, y});
                result.bounds = {std::min<LONG>(result.bounds.left, x), std::min<LONG>(result.bounds.top, y),
                                 std::max<LONG>(result.bounds.right, x + 1), std::max<LONG>(result.bounds.bottom, y + 1)};
            }
    ::SelectObject(dc, previousBitmap);
    ::DeleteObject(bitmap);
    ::SelectObject(dc, previousFont);
    ::DeleteDC(dc);
    ::DeleteObject(handle);
    return result;
}

// The text without its mnemonic marks, as a label or a button shows "Fi&nd what:".
inline std::wstring withoutMnemonics(const std::wstring& text) {
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

// Whether the capture shows the text whole, in one colour, and where: the top-left corner of its
// extent. Every pixel the text inks is of that colour there; around them, within the ink's
// bounds, at most one row's worth of others is (a mnemonic's underline), so that a field of the
// colour is no match. A text cut at an edge, squeezed, shortened with an ellipsis or missing its
// descenders is not found.
inline bool findText(const Capture& capture, const TextInk& text, POINT* o_at = nullptr) {
    if (text.ink.empty())
        return false;
    const RECT& bounds = text.bounds;
    const int spare = bounds.right - bounds.left;
    std::vector<uint8_t> inked(static_cast<size_t>(text.width) * text.height, 0);
    for (const POINT& p : text.ink)
        inked[static_cast<size_t>(p.y) * text.width + p.x] = 1;
    // Placed so that its ink lies in the capture: the extent around it may not.
    for (int top = -bounds.top; top + bounds.bottom <= capture.height; ++top)
        for (int left = -bounds.left; left + bounds.right <= capture.width; ++left) {
            const uint32_t colour = capture.at(left + text.ink.front().x, top + text.ink.front().y);
            bool whole = true;
            for (const POINT& p : text.ink)
                if (capture.at(left + p.x, top + p.y) != colour) {
                    whole = false;
                    break;
                }
            if (!whole)
                continue;
            int others = 0;
            for (int v = bounds.top; v < bounds.bottom && others <= spare; ++v)
                for (int u = bounds.left; u < bounds.right; ++u)
                    others += !inked[static_cast<size_t>(v) * text.width + u] && capture.at(left + u, top + v) == colour;
            if (others <= spare) {
                if (o_at)
                    *o_at = {left, top};
                return true;
            }
        }
    return false;
}

// Whether the capture shows the text whole in the font (its mnemonic marks taken out); the
// failure keeps the capture under the name.
inline testing::AssertionResult showsWhole(const Capture& capture, const std::wstring& text, const LOGFONTW& font,
                                           const std::string& name, POINT* o_at = nullptr,
                                           Setting setting = Setting::DRAWN) {
    if (findText(capture, inkOfText(withoutMnemonics(text), font, setting), o_at))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "\"" << TesselRun::narrow(withoutMnemonics(text))
                                       << "\" does not show whole at " << screenDpi()
                                       << " DPI; the capture is in " << keepCapture(capture, name);
}

// Whether the control's text (its mnemonic marks taken out) fits its client rectangle in the
// font, with `reserved` pixels of its width taken by something else (a check box's box).
inline testing::AssertionResult textFits(HWND control, const LOGFONTW& font, int reserved = 0) {
    const std::wstring text = withoutMnemonics(OtherProcess::windowText(control));
    const TextInk measured = inkOfText(text, font);
    RECT client = {};
    ::GetClientRect(control, &client);
    if (measured.width + reserved <= client.right && measured.height <= client.bottom)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "\"" << TesselRun::narrow(text) << "\" takes " << measured.width << "+"
                                       << reserved << " x " << measured.height << " pixels in a control of "
                                       << client.right << " x " << client.bottom << " at " << screenDpi() << " DPI";
}

// Pixels of the colour (within the tolerance) in the capture.
inline int inkIn(const Capture& capture, uint32_t colour, int tolerance = 8) { return capture.count(colour, tolerance); }

} // namespace tessel_test

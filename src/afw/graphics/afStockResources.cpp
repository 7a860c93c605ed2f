#include "afw/graphics/afStockResources.h"

#include "afw/resources/afIconIds.h"
#include "pel/base/Assert.h"

#include <cstddef>
#include <cwchar>
#include <map>
#include <memory>
#include <vector>

namespace {

// A colour entry: a GetSysColor element, or a fixed COLORREF when system is false.
struct ColourSource {
    bool system;
    COLORREF value;
};

constexpr ColourSource kColours[AF_STOCK_COLOUR_COUNT] = {
    {true, COLOR_ACTIVEBORDER},   {true, COLOR_ACTIVECAPTION},       {true, COLOR_APPWORKSPACE},
    {true, COLOR_BACKGROUND},     {true, COLOR_BTNFACE},             {true, COLOR_BTNHIGHLIGHT},
    {true, COLOR_BTNSHADOW},      {true, COLOR_BTNTEXT},             {true, COLOR_CAPTIONTEXT},
    {true, COLOR_GRAYTEXT},       {true, COLOR_HIGHLIGHT},           {true, COLOR_HIGHLIGHTTEXT},
    {true, COLOR_INACTIVEBORDER}, {true, COLOR_INACTIVECAPTION},     {true, COLOR_INACTIVECAPTIONTEXT},
    {true, COLOR_INFOBK},         {true, COLOR_INFOTEXT},            {true, COLOR_MENU},
    {true, COLOR_MENUHILIGHT},    {true, COLOR_MENUTEXT},            {true, COLOR_SCROLLBAR},
    {true, COLOR_3DDKSHADOW},     {true, COLOR_3DFACE},              {true, COLOR_3DHIGHLIGHT},
    {true, COLOR_3DLIGHT},        {true, COLOR_3DSHADOW},            {true, COLOR_WINDOW},
    {false, 0},                   {true, COLOR_WINDOWTEXT},          {false, 0x993300},
    {false, 0x0000CC},
};

constexpr afStockIconSource kIcons[AF_STOCK_ICON_COUNT] = {
    {AF_ICON_BOOKMARK, 16},    {AF_ICON_CLOSE, 16},    {AF_ICON_FOLDER, 16},      {AF_ICON_DOCUMENT, 16},
    {AF_ICON_CHECK, 16},       {AF_ICON_SEARCH, 16},   {AF_ICON_DROP_DOWN, 16},   {AF_ICON_ERROR, 16},
    {AF_ICON_WARNING, 16},     {AF_ICON_INFORMATION, 16}, {AF_ICON_QUESTION, 16}, {AF_ICON_ERROR, 32},
    {AF_ICON_WARNING, 32},     {AF_ICON_INFORMATION, 32}, {AF_ICON_QUESTION, 32}, {AF_ICON_ADD, 16},
    {AF_ICON_REMOVE, 16},      {AF_ICON_BACK, 16},     {AF_ICON_FORWARD, 16},     {AF_ICON_PIN, 16},
};

const wchar_t* const kCursors[AF_STOCK_CURSOR_COUNT] = {IDC_ARROW, IDC_HAND, IDC_IBEAM};

// The NONCLIENTMETRICSW of the systems before Vista: without the padded border width, which
// the 0x0600 headers add (sizeof is 504 there).
constexpr UINT kNonClientMetricsSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
static_assert(kNonClientMetricsSize == 500, "the message font is asked for with the 500-byte record");

struct StockFont {
    afOwnedFont handle;
    LOGFONTW logFont = {};
};

struct StockResources {
    int dpi = 96;
    std::vector<StockFont> fonts;
    std::vector<COLORREF> colours;
    std::vector<std::unique_ptr<afIcon>> icons;
    std::vector<afCursor> cursors;
    std::map<uint32_t, std::unique_ptr<afIcon>> registered;
    // Icons replaced in a slot or under a key: borrowers may still draw them.
    std::vector<std::unique_ptr<afIcon>> retired;
};

std::unique_ptr<StockResources> s_stock;
afStockEnvironment s_environment;

int fontDpi() {
    if (s_environment.dpi > 0)
        return s_environment.dpi;
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

int heightAt(int points, int dpi) {
    return -::MulDiv(points, dpi, 72);
}

// Every other field zero: default weight, character set 0, default quality.
LOGFONTW faceAndSize(const wchar_t* face, int points, int dpi, LONG weight = 0) {
    LOGFONTW font = {};
    font.lfHeight = heightAt(points, dpi);
    font.lfWeight = weight;
    std::wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return font;
}

// Said to be of fixed pitch, as the face is: a system without it then takes a fixed-pitch face
// of its own, not its default proportional one.
LOGFONTW fixedPitch(LOGFONTW font) {
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    return font;
}

LOGFONTW messageFont(int dpi) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = kNonClientMetricsSize;
    if (!s_environment.messageFontUnavailable &&
        ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0))
        return metrics.lfMessageFont;
    return faceAndSize(L"Tahoma", 8, dpi);
}

void fillColours(StockResources& stock) {
    for (const ColourSource& source : kColours)
        stock.colours.push_back(source.system ? ::GetSysColor(static_cast<int>(source.value)) : source.value);
}

void fillFonts(StockResources& stock) {
    const int dpi = stock.dpi;
    const LOGFONTW message = messageFont(dpi);
    LOGFONTW bold = message;
    bold.lfWeight = FW_BOLD;
    LOGFONTW underlined = message;
    underlined.lfUnderline = TRUE;
    const LOGFONTW fonts[AF_STOCK_FONT_COUNT] = {
        message,
        bold,
        faceAndSize(message.lfFaceName, 7, dpi),
        underlined,
        faceAndSize(message.lfFaceName, 13, dpi, FW_NORMAL),
        fixedPitch(faceAndSize(L"Courier New", 10, dpi)),
        faceAndSize(L"MS Shell Dlg 2", 8, dpi),
        faceAndSize(L"MS Shell Dlg 2", 8, dpi, FW_BOLD),
    };
    for (const LOGFONTW& font : fonts) {
        StockFont entry;
        entry.logFont = font;
        entry.handle.reset(::CreateFontIndirectW(&font), true);
        stock.fonts.push_back(std::move(entry));
    }
}

void fillIcons(StockResources& stock) {
    for (const afStockIconSource& source : kIcons)
        stock.icons.push_back(std::make_unique<afIcon>(source.resourceId, source.size));
}

void fillCursors(StockResources& stock) {
    for (const wchar_t* cursor : kCursors)
        stock.cursors.emplace_back(cursor);
}

// The table when it exists and the index lies in [0, count); a soft assertion for an index
// outside the table.
StockResources* tableFor(int index, size_t count) {
    if (!s_stock)
        return nullptr;
    if (!PEL_SOFT_ASSERT(index >= 0 && static_cast<size_t>(index) < count))
        return nullptr;
    return s_stock.get();
}

// Puts the icon in the slot; the icon there before is kept for its borrowers. The icon already
// in the slot changes nothing.
void replaceIcon(StockResources& stock, std::unique_ptr<afIcon>& slot, afIcon&& icon) {
    if (slot && slot->getHandle() == icon.getHandle()) {
        icon.release();
        return;
    }
    if (slot)
        stock.retired.push_back(std::move(slot));
    slot = std::make_unique<afIcon>(std::move(icon));
}

} // namespace

const afStockIconSource& afGetStockIconSource(int index) {
    static const afStockIconSource none = {0, 0};
    if (!PEL_SOFT_ASSERT(index >= 0 && index < AF_STOCK_ICON_COUNT))
        return none;
    return kIcons[index];
}

void afCreateStockResources() {
    if (s_stock)
        return;
    // Made aside and published whole: a load that fails leaves no half-made table.
    auto stock = std::make_unique<StockResources>();
    stock->dpi = fontDpi();
    fillColours(*stock);
    fillFonts(*stock);
    fillIcons(*stock);
    fillCursors(*stock);
    s_stock = std::move(stock);
}

void afDestroyStockResources() {
    s_stock.reset();
}

HFONT afGetStockFont(int index) {
    StockResources* stock = tableFor(index, AF_STOCK_FONT_COUNT);
    return stock ? stock->fonts[index].handle.get() : nullptr;
}

const LOGFONTW* afGetStockLogFont(int index) {
    StockResources* stock = tableFor(index, AF_STOCK_FONT_COUNT);
    return stock ? &stock->fonts[index].logFont : nullptr;
}

COLORREF afGetStockColour(int index) {
    StockResources* stock = tableFor(index, AF_STOCK_COLOUR_COUNT);
    return stock ? stock->colours[index] : 0;
}

const afIcon* afGetStockIcon(int index) {
    StockResources* stock = tableFor(index, AF_STOCK_ICON_COUNT);
    return stock ? stock->icons[index].get() : nullptr;
}

afCursor afGetStockCursor(int index) {
    StockResources* stock = tableFor(index, AF_STOCK_CURSOR_COUNT);
    return stock ? stock->cursors[index] : afCursor();
}

void afSetStockIcon(int index, afIcon&& icon) {
    if (StockResources* stock = tableFor(index, AF_STOCK_ICON_COUNT))
        replaceIcon(*stock, stock->icons[index], std::move(icon));
}

void afSetStockCursor(int index, afCursor cursor) {
    if (StockResources* stock = tableFor(index, AF_STOCK_CURSOR_COUNT))
        stock->cursors[index] = cursor;
}

void afRegisterIcon(uint32_t key, afIcon&& icon) {
    if (!PEL_SOFT_ASSERT(s_stock))
        return;
    replaceIcon(*s_stock, s_stock->registered[key], std::move(icon));
}

const afIcon* afGetIcon(uint32_t key) {
    if (!s_stock)
        return nullptr;
    const auto found = s_stock->registered.find(key);
    return found == s_stock->registered.end() ? nullptr : found->second.get();
}

int afGetScreenDpi() {
    return s_stock ? s_stock->dpi : fontDpi();
}

int afScaled(int length) {
    return ::MulDiv(length, afGetScreenDpi(), 96);
}

int afFontHeight(int points) {
    return heightAt(points, afGetScreenDpi());
}

void afSetStockEnvironment(const afStockEnvironment& environment) {
    s_environment = environment;
}

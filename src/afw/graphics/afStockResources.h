#pragma once
// The table of shared GDI resources every view takes its look from, by index: eight fonts
// scaled to the screen's DPI, thirty-one system and fixed colours, twenty icons and three
// cursors, plus icons the application registers under 32-bit keys (the CRC-32 of a name). The
// DPI the fonts are made for is also where every other size becomes pixels: a font's points
// and a layout's margins at 96 DPI alike.
//
// Getters check the index: out of range is a soft assertion and a neutral value (font 0,
// colour 0, no icon, no cursor), as it is before the table exists. Icons are borrowed by
// labels and menus, so an icon replaced in a slot or under a key lives until the table goes.

#include "afw/graphics/afIcon.h"

#include <cstdint>
#include <windows.h>

enum afStockFontIndex {
    AF_FONT_MESSAGE = 0,
    AF_FONT_MESSAGE_BOLD = 1,
    AF_FONT_MESSAGE_SMALL = 2,
    AF_FONT_MESSAGE_UNDERLINED = 3,
    AF_FONT_MESSAGE_LARGE = 4,
    AF_FONT_FIXED = 5,
    AF_FONT_DIALOG = 6,
    AF_FONT_DIALOG_BOLD = 7,
    AF_STOCK_FONT_COUNT = 8,
};

constexpr int AF_STOCK_COLOUR_COUNT = 31;

enum afStockIconIndex {
    AF_STOCK_ICON_BOOKMARK = 0,
    AF_STOCK_ICON_CLOSE = 1,
    AF_STOCK_ICON_FOLDER = 2,
    AF_STOCK_ICON_DOCUMENT = 3,
    AF_STOCK_ICON_CHECK = 4,
    AF_STOCK_ICON_SEARCH = 5,
    AF_STOCK_ICON_DROP_DOWN = 6,
    AF_STOCK_ICON_ERROR = 7,
    AF_STOCK_ICON_WARNING = 8,
    AF_STOCK_ICON_INFORMATION = 9,
    AF_STOCK_ICON_QUESTION = 10,
    AF_STOCK_ICON_ERROR_LARGE = 11,
    AF_STOCK_ICON_WARNING_LARGE = 12,
    AF_STOCK_ICON_INFORMATION_LARGE = 13,
    AF_STOCK_ICON_QUESTION_LARGE = 14,
    AF_STOCK_ICON_ADD = 15,
    AF_STOCK_ICON_REMOVE = 16,
    AF_STOCK_ICON_BACK = 17,
    AF_STOCK_ICON_FORWARD = 18,
    AF_STOCK_ICON_PIN = 19,
    AF_STOCK_ICON_COUNT = 20,
};

enum afStockCursorIndex {
    AF_CURSOR_ARROW = 0,
    AF_CURSOR_HAND = 1,
    AF_CURSOR_IBEAM = 2,
    AF_STOCK_CURSOR_COUNT = 3,
};

// The icon resource and size of each stock icon.
struct afStockIconSource {
    int resourceId;
    int size;
};
const afStockIconSource& afGetStockIconSource(int index);

// Makes the table unless it exists: colours, fonts, icons, cursors, in this order. An icon or
// cursor that cannot be loaded ends the program (afPanic).
void afCreateStockResources();
void afDestroyStockResources();

HFONT afGetStockFont(int index);
// The LOGFONTW the stock font was made from; null like the font.
const LOGFONTW* afGetStockLogFont(int index);
COLORREF afGetStockColour(int index);
const afIcon* afGetStockIcon(int index);
afCursor afGetStockCursor(int index);
void afSetStockIcon(int index, afIcon&& icon);
void afSetStockCursor(int index, afCursor cursor);

// Stores the icon under the key, replacing an earlier one; registering the icon already there
// changes nothing.
void afRegisterIcon(uint32_t key, afIcon&& icon);
// The icon registered under the key; null when none is.
const afIcon* afGetIcon(uint32_t key);

// The dots per inch sizes are turned into pixels for: the table's when it exists, else what the
// next table would take (the environment's, or the screen's).
int afGetScreenDpi();
// A length meant for a screen of 96 DPI (a margin, a gap, a minimum width) in pixels of this one.
int afScaled(int length);
// The LOGFONTW height of a font of that many points: negative, the height of its characters.
int afFontHeight(int points);

// What the fonts are made for, so tests can stand in for the screen; applies to the next
// afCreateStockResources.
struct afStockEnvironment {
    int dpi = 0;                       // 0: LOGPIXELSY of the screen
    bool messageFontUnavailable = false; // as if the system gave no message font
};
void afSetStockEnvironment(const afStockEnvironment& environment);

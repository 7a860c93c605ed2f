// Owner drawing of popup menu lines: themed through the "MENU" class of the visual styles when
// they are on (background, gutter, check, icon, title, accelerator column, submenu arrow, in
// that order), else the classic way with the menu font and the menu colours.

#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/menu/afMenu.h"

#include <algorithm>
#include <memory>

namespace {

// Parts and states of the "MENU" class.
enum {
    PART_POPUP_BACKGROUND = 9,
    PART_POPUP_CHECK = 11,
    PART_POPUP_CHECK_BACKGROUND = 12,
    PART_POPUP_GUTTER = 13,
    PART_POPUP_ITEM = 14,
    PART_POPUP_SEPARATOR = 15,
    PART_POPUP_SUBMENU = 16,
};

// Stock colour indexes.
enum { COLOUR_GRAY_TEXT = 9, COLOUR_HIGHLIGHT_TEXT = 11, COLOUR_MENU = 17, COLOUR_MENU_HOT = 18, COLOUR_MENU_TEXT = 19 };

constexpr int kGutter = 22;      // the check and icon column (classic, and the themed minimum)
constexpr int kTextIndent = 6;   // from the gutter to the title
constexpr int kArrowWidth = 16;  // the submenu arrow's column at the right edge
constexpr int kAccelGap = 24;    // between the title and the accelerator column
constexpr int kIconSize = 16;
constexpr int kMinHeight = 22;
constexpr int kSeparatorHeight = 9;
constexpr int kEdgeLeft = 21, kEdgeRight = 5; // the classic separator's insets
constexpr size_t kKnownTextSizes = 512;

// The system's menu font, made once.
HFONT menuFont() {
    struct Holder {
        HFONT font = nullptr;
        Holder() {
            NONCLIENTMETRICSW metrics = {};
            metrics.cbSize = sizeof metrics;
            if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
                font = ::CreateFontIndirectW(&metrics.lfMenuFont);
        }
        ~Holder() {
            if (font)
                ::DeleteObject(font);
        }
    };
    static Holder holder;
    return holder.font ? holder.font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

// A memory DC to measure texts in, the menu font selected for good: asking the screen's DC for
// each line costs more than the line.
HDC measuringDC() {
    struct Holder {
        HDC dc = ::CreateCompatibleDC(nullptr);
        HGDIOBJ oldFont = dc ? ::SelectObject(dc, menuFont()) : nullptr;
        ~Holder() {
            if (oldFont)
                ::SelectObject(dc, oldFont);
            ::DeleteDC(dc);
        }
    };
    static Holder holder;
    return holder.dc;
}

// What a line shows and where.
struct Line {
    const afMenuItem* item = nullptr; // null for a submenu line
    std::wstring title;
    std::wstring accelerator; // the tab text, else the key text
    bool tabTrigger = false;  // the accelerator is a tab-trigger word
    bool disabled = false;
    bool hot = false;
    RECT box = {};
    RECT gutter = {};
    RECT text = {};
    RECT arrow = {};

    Line(const afMenuNode& node, const DRAWITEMSTRUCT& draw, int gutterWidth) : box(draw.rcItem) {
        if (node.getKind() != afMenuNode::KIND_MENU) {
            item = static_cast<const afMenuItem*>(&node);
            item->getLineTexts(title, accelerator);
            tabTrigger = !accelerator.empty() && !item->getTabText().empty();
        } else {
            title = node.getTitle();
        }
        disabled = (draw.itemState & (ODS_DISABLED | ODS_GRAYED | ODS_INACTIVE)) != 0;
        hot = (draw.itemState & (ODS_SELECTED | ODS_HOTLIGHT)) != 0;
        gutter = {box.left, box.top, box.left + gutterWidth, box.bottom};
        text = {gutter.right + kTextIndent, box.top, box.right - kArrowWidth, box.bottom};
        arrow = {box.right - kArrowWidth, box.top, box.right, box.bottom};
    }

    // The registered trigger icon, left of the word, when the accelerator is a tab trigger.
    const afIcon* triggerIcon(int wordWidth, RECT& o_place) const {
        const afIcon* icon = tabTrigger ? afGetIcon(AF_ACTION_KIND_TAB_TRIGGER) : nullptr;
        if (icon)
            o_place = {text.right - wordWidth - 2 - kIconSize, box.top, text.right - wordWidth - 2, box.bottom};
        return icon;
    }
};

void drawLineIcon(afCanvas& canvas, const afMenuNode& node, const RECT& gutter) {
    const uint32_t key = node.getIcon();
    const afIcon* icon = key ? afGetIcon(key) : nullptr;
    if (icon)
        canvas.drawIcon(gutter, *icon, 0);
}

const UINT kTitleFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
const UINT kAcceleratorFormat = DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX;

// A filled shape in the colour: the radio bullet and the submenu arrow.
void fillShape(HDC dc, COLORREF colour, const POINT* points, int count, bool ellipse) {
    const HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
    const HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(DC_PEN));
    ::SetDCBrushColor(dc, colour);
    ::SetDCPenColor(dc, colour);
    if (ellipse)
        ::Ellipse(dc, points[0].x, points[0].y, points[1].x, points[1].y);
    else
        ::Polygon(dc, points, count);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
}

} // namespace

void afMenu::drawClassic(const afMenuNode& node, const DRAWITEMSTRUCT& draw) {
    const Line line(node, draw, kGutter);
    std::unique_ptr<afCanvas> canvas = afCanvas::fromDC(draw.hDC);
    const COLORREF background = afGetStockColour(line.hot ? COLOUR_MENU_HOT : COLOUR_MENU);
    if (node.getKind() == afMenuNode::KIND_SEPARATOR) {
        canvas->fillRect(line.box, background);
        const int middle = (line.box.top + line.box.bottom) / 2 - 1;
        RECT edge = {line.box.left + kEdgeLeft, middle, line.box.right - kEdgeRight, middle + 2};
        ::DrawEdge(draw.hDC, &edge, EDGE_ETCHED, BF_TOP);
        return;
    }
    const COLORREF colour = afGetStockColour(line.disabled ? COLOUR_GRAY_TEXT
                                             : line.hot    ? COLOUR_HIGHLIGHT_TEXT
                                                           : COLOUR_MENU_TEXT);
    canvas->selectFont(menuFont());
    // A title that DrawTextW would neither change (prefixes, tabs, breaks) nor clip is drawn with
    // the background in one call, where DrawTextW would place it: costs half as much as the
    // fill and DrawTextW.
    const SIZE title = line.title.find_first_of(L"&\t\r\n") == std::wstring::npos
                           ? textSize(nullptr, measuringDC(), line.title, false)
                           : SIZE{-1, -1};
    const bool titleFits = title.cx >= 0 && title.cx <= line.text.right - line.text.left &&
                           title.cy <= line.box.bottom - line.box.top;
    if (titleFits) {
        // DrawTextW's vertical centring halves the two heights apart.
        const int y = line.box.top + (line.box.bottom - line.box.top) / 2 - title.cy / 2;
        ::SetBkColor(draw.hDC, background);
        ::SetTextColor(draw.hDC, colour);
        ::ExtTextOutW(draw.hDC, line.text.left, y, ETO_OPAQUE, &line.box, line.title.c_str(),
                      static_cast<UINT>(line.title.size()), nullptr);
    } else {
        canvas->fillRect(line.box, background);
    }
    if (line.item && line.item->hasCheckMark() && node.getIcon() && afGetIcon(node.getIcon())) {
        // The icon would hide the check: a checked line with an icon shows the icon pushed in,
        // as the classic look marks a checked picture.
        const int x = line.gutter.left + (kGutter - kIconSize) / 2 - 2;
        const int y = (line.box.top + line.box.bottom - kIconSize) / 2 - 2;
        RECT frame = {x, y, x + kIconSize + 4, y + kIconSize + 4};
        ::DrawEdge(draw.hDC, &frame, BDR_SUNKENOUTER, BF_RECT);
    } else if (line.item && line.item->hasCheckMark()) {
        const SIZE check = checkSize();
        const int x = line.gutter.left + (kGutter - check.cx) / 2;
        const int y = (line.box.top + line.box.bottom - check.cy) / 2;
        if (line.item->isRadio()) {
            const POINT corners[] = {{x + check.cx / 4, y + check.cy / 4}, {x + check.cx * 3 / 4, y + check.cy * 3 / 4}};
            fillShape(draw.hDC, colour, corners, 2, true);
        } else {
            canvas->drawMenuCheck({x, line.box.top, x + check.cx, line.box.bottom}, check, colour, background);
        }
    }
    drawLineIcon(*canvas, node, line.gutter);
    if (!titleFits)
        canvas->drawText(line.title, line.text, kTitleFormat, colour);
    if (!line.accelerator.empty()) {
        RECT place;
        const int width = textSize(nullptr, measuringDC(), line.accelerator, true).cx;
        if (const afIcon* icon = line.triggerIcon(width, place))
            canvas->drawIcon(place, *icon, 0);
        canvas->drawText(line.accelerator, line.text, kAcceleratorFormat, colour);
    }
    if (node.getKind() == afMenuNode::KIND_MENU) {
        const int x = line.arrow.left + 6, y = (line.box.top + line.box.bottom) / 2;
        const POINT arrow[] = {{x, y - 4}, {x + 4, y}, {x, y + 4}};
        fillShape(draw.hDC, colour, arrow, 3, false);
    }
}

void afMenu::drawThemed(HTHEME theme, const afMenuNode& node, const DRAWITEMSTRUCT& draw) {
    const afWindowsUX* ux = afWindowsUX::getInstance();
    const Line line(node, draw, m_metrics.gutter > 0 ? m_metrics.gutter : kGutter);
    HDC dc = draw.hDC;
    const int state = line.disabled ? (line.hot ? 4 : 3) : (line.hot ? 2 : 1);
    if (partlyTransparent(theme, PART_POPUP_ITEM, state))
        drawPopupBackground(theme, dc, line.box);
    afWindowsUX::DrawThemeBackground(ux, theme, dc, PART_POPUP_GUTTER, 0, &line.gutter, nullptr);
    if (node.getKind() == afMenuNode::KIND_SEPARATOR) {
        const RECT rest = {line.gutter.right, line.box.top, line.box.right, line.box.bottom};
        afWindowsUX::DrawThemeBackground(ux, theme, dc, PART_POPUP_SEPARATOR, 0, &rest, nullptr);
        return;
    }
    afWindowsUX::DrawThemeBackground(ux, theme, dc, PART_POPUP_ITEM, state, &line.box, nullptr);
    if (line.item && line.item->hasCheckMark()) {
        afWindowsUX::DrawThemeBackground(ux, theme, dc, PART_POPUP_CHECK_BACKGROUND, line.disabled ? 1 : 2,
                                         &line.gutter, nullptr);
        const int checkState = (line.item->isRadio() ? 3 : 1) + (line.disabled ? 1 : 0);
        afWindowsUX::DrawThemeBackground(ux, theme, dc, PART_POPUP_CHECK, checkState, &line.gutter, nullptr);
    }
    std::unique_ptr<afCanvas> canvas = afCanvas::fromDC(dc);
    drawLineIcon(*canvas, node, line.gutter);
    afWindowsUX::DrawThemeText(ux, theme, dc, PART_POPUP_ITEM, state, line.title.c_str(),
                               static_cast<int>(line.title.size()), kTitleFormat, &line.text);
    if (!line.accelerator.empty()) {
        RECT place;
        if (const afIcon* icon = line.triggerIcon(textSize(theme, dc, line.accelerator, true).cx, place))
            canvas->drawIcon(place, *icon, 0);
        afWindowsUX::DrawThemeText(ux, theme, dc, PART_POPUP_ITEM, state, line.accelerator.c_str(),
                                   static_cast<int>(line.accelerator.size()), kAcceleratorFormat, &line.text);
    }
    if (node.getKind() == afMenuNode::KIND_MENU) {
        const int middle = (line.box.top + line.box.bottom) / 2;
        const RECT arrow = {line.arrow.left, middle - kArrowWidth / 2, line.arrow.right, middle + kArrowWidth / 2};
        afWindowsUX::DrawThemeBackground(ux, theme, dc, PART_POPUP_SUBMENU, line.disabled ? 2 : 1, &arrow, nullptr);
    }
}

SIZE afMenu::checkSize() {
    if (m_checkSize.cx == 0 && m_checkSize.cy == 0)
        m_checkSize = afCanvas::menuCheckSize();
    return m_checkSize;
}

// Width and height in the DC's font (classic) or the theme's.
SIZE afMenu::textSize(HTHEME theme, HDC dc, const std::wstring& text, bool noPrefix) {
    if (text.empty())
        return {0, 0};
    std::unordered_map<std::wstring, SIZE>& known = noPrefix ? m_metrics.keySizes : m_metrics.titleSizes;
    const auto found = known.find(text);
    if (found != known.end())
        return found->second;
    SIZE size = {0, 0};
    if (theme) {
        RECT extent = {};
        afWindowsUX::GetThemeTextExtent(afWindowsUX::getInstance(), theme, dc, text.c_str(),
                                        static_cast<int>(text.size()), &extent);
        size = {extent.right - extent.left, extent.bottom - extent.top};
    } else {
        RECT extent = {0, 0, 0, 0};
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent,
                    DT_SINGLELINE | DT_CALCRECT | (noPrefix ? DT_NOPREFIX : 0));
        size = {extent.right - extent.left, extent.bottom - extent.top};
    }
    // Menus of ever new texts (a list of recent files) would otherwise grow without end.
    if (known.size() >= kKnownTextSizes)
        known.clear();
    known.emplace(text, size);
    return size;
}

bool afMenu::partlyTransparent(HTHEME theme, int part, int state) {
    int8_t& known = part == PART_POPUP_BACKGROUND ? m_metrics.backgroundTransparent : m_metrics.itemTransparent[state & 7];
    if (known < 0)
        known = afWindowsUX::IsThemeBackgroundPartiallyTransparent(afWindowsUX::getInstance(), theme, part, state) ? 1 : 0;
    return known != 0;
}

void afMenu::drawPopupBackground(HTHEME theme, HDC dc, const RECT& box) {
    const afWindowsUX* ux = afWindowsUX::getInstance();
    const SIZE size = {box.right - box.left, box.bottom - box.top};
    // A background that is itself partly transparent depends on what lies below: drawn each time.
    if (partlyTransparent(theme, PART_POPUP_BACKGROUND, 0)) {
        afWindowsUX::DrawThemeBackground(ux, theme, dc, PART_POPUP_BACKGROUND, 0, &box, nullptr);
        return;
    }
    if (!m_background.hasSize(size)) {
        if (!m_background.make(dc, size, false)) {
            afWindowsUX::DrawThemeBackground(ux, theme, dc, PART_POPUP_BACKGROUND, 0, &box, nullptr);
            return;
        }
        const RECT local = {0, 0, size.cx, size.cy};
        afWindowsUX::DrawThemeBackground(ux, theme, m_background.getDC(), PART_POPUP_BACKGROUND, 0, &local, nullptr);
    }
    ::BitBlt(dc, box.left, box.top, size.cx, size.cy, m_background.getDC(), 0, 0, SRCCOPY);
}

bool afMenu::measureItem(HWND owner, MEASUREITEMSTRUCT& io_measure) {
    const afMenuNode* node = reinterpret_cast<const afMenuNode*>(io_measure.itemData);
    if (!node)
        return false;
    const afWindowsUX* ux = afWindowsUX::getInstance();
    HTHEME theme = this->theme(owner);
    HDC dc = measuringDC();
    int gutter = kGutter, separatorHeight = kSeparatorHeight;
    if (theme && !m_metrics.known) {
        m_metrics.known = true;
        afWindowsUX::GetThemePartSize(ux, theme, dc, PART_POPUP_CHECK, &m_metrics.check);
        afWindowsUX::GetThemeMargins(ux, theme, dc, PART_POPUP_CHECK, &m_metrics.checkMargins);
        SIZE separator = {0, 0};
        afWindowsUX::GetThemePartSize(ux, theme, dc, PART_POPUP_SEPARATOR, &separator);
        m_metrics.separatorHeight = separator.cy > 0 ? separator.cy : kSeparatorHeight;
        m_metrics.gutter = std::max<int>(
            kGutter, m_metrics.check.cx + m_metrics.checkMargins.cxLeftWidth + m_metrics.checkMargins.cxRightWidth);
    }
    if (theme) {
        gutter = m_metrics.gutter;
        separatorHeight = m_metrics.separatorHeight;
    }
    if (node->getKind() == KIND_SEPARATOR) {
        io_measure.itemWidth = static_cast<UINT>(gutter + kTextIndent);
        io_measure.itemHeight = static_cast<UINT>(separatorHeight);
    } else {
        std::wstring titleText, accelerator;
        int iconRoom = 0; // the trigger icon beside a tab-trigger word
        if (node->getKind() == KIND_ITEM) {
            const afMenuItem& item = *static_cast<const afMenuItem*>(node);
            item.getLineTexts(titleText, accelerator);
            if (!accelerator.empty() && !item.getTabText().empty() && afGetIcon(AF_ACTION_KIND_TAB_TRIGGER))
                iconRoom = kIconSize + 2;
        } else {
            titleText = node->getTitle();
        }
        const SIZE title = textSize(theme, dc, titleText, false);
        const SIZE keys = textSize(theme, dc, accelerator, true);
        const int height = std::max<int>({title.cy + 6, keys.cy + 6, kMinHeight, int(m_metrics.check.cy)});
        io_measure.itemWidth = static_cast<UINT>(gutter + kTextIndent + title.cx +
                                                 (accelerator.empty() ? 0 : kAccelGap + keys.cx + iconRoom) + kArrowWidth);
        io_measure.itemHeight = static_cast<UINT>(height);
    }
    return true;
}

bool afMenu::drawItem(HWND owner, const DRAWITEMSTRUCT& draw) {
    const afMenuNode* node = reinterpret_cast<const afMenuNode*>(draw.itemData);
    if (!node)
        return false;
    HTHEME theme = this->theme(owner);
    if (!theme) {
        drawClassic(*node, draw);
        return true;
    }
    const HGDIOBJ oldFont = ::SelectObject(draw.hDC, menuFont());
    drawThemed(theme, *node, draw);
    ::SelectObject(draw.hDC, oldFont);
    return true;
}

HTHEME afMenu::theme(HWND owner) {
    // Kept while the visual-styles instance it came from lives; a new decision opens it again.
    const afWindowsUX* ux = afWindowsUX::getInstance();
    if (ux != m_themeOwner) {
        closeTheme();
        m_themeOwner = ux;
        m_theme = ux ? afWindowsUX::OpenThemeData(ux, owner, L"MENU") : nullptr;
        m_metrics = ThemeMetrics();
    }
    return m_theme;
}

void afMenu::closeTheme() {
    if (m_theme && m_themeOwner == afWindowsUX::getInstance())
        afWindowsUX::CloseThemeData(afWindowsUX::getInstance(), m_theme);
    m_theme = nullptr;
    m_themeOwner = nullptr;
    m_background.reset();
}

bool afMenuBar::measureItem(HWND /*owner*/, MEASUREITEMSTRUCT& io_measure) {
    const afMenuNode* node = reinterpret_cast<const afMenuNode*>(io_measure.itemData);
    if (!node)
        return false;
    const SIZE size = textSize(nullptr, measuringDC(), node->getTitle(), false);
    io_measure.itemWidth = static_cast<UINT>(size.cx + 2 * kTextIndent);
    io_measure.itemHeight = static_cast<UINT>(std::max<int>(size.cy + 6, ::GetSystemMetrics(SM_CYMENU)));
    return true;
}

bool afMenuBar::drawItem(HWND /*owner*/, const DRAWITEMSTRUCT& /*draw*/) { return true; }

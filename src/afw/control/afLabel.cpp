#include "afw/control/afLabel.h"

#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afIcon.h"
#include "afw/graphics/afStockResources.h"
#include "afw/view/afInput.h"
#include "pel/text/CharacterBoundaries.h"

#include <algorithm>

namespace {

struct StyleLook {
    int font;
    int colour;
};
constexpr StyleLook kStyles[] = {{AF_FONT_MESSAGE_LARGE, 29}, {AF_FONT_MESSAGE_LARGE, 28}, {AF_FONT_MESSAGE, 28},
                                 {AF_FONT_MESSAGE, 6},        {AF_FONT_MESSAGE, 30}};

} // namespace

afLabel::afLabel(afViewPlatform* host) : afViewVirtual(host), m_font(afGetStockFont(AF_FONT_MESSAGE)) {
    setVisualStyle(STYLE_NORMAL);
}

void afLabel::changed(const wchar_t* reason) {
    invalidate();
    relayout(reason);
}

void afLabel::setText(const std::wstring& text) {
    if (text == m_text)
        return;
    m_text = text;
    m_mnemonic = afGetMnemonic(m_text.c_str());
    changed(L"afLabel::setText");
}

void afLabel::setFont(HFONT font) {
    m_font = font;
    changed(L"afLabel::setFont");
}

void afLabel::setVisualStyle(int32_t style) {
    m_style = style;
    if (style >= 0 && style < static_cast<int32_t>(sizeof kStyles / sizeof kStyles[0])) {
        setFont(afGetStockFont(kStyles[style].font));
        m_colour = kStyles[style].colour;
    }
    changed(L"afLabel::setVisualStyle");
}

void afLabel::setWrapMode(int32_t mode) {
    m_wrapMode = mode;
    changed(L"afLabel::setWrapMode");
}

void afLabel::setLineLimit(int32_t pixels) {
    m_lineLimit = std::max(pixels, 0);
    changed(L"afLabel::setLineLimit");
}

void afLabel::setIcon(const afIcon* icon, int32_t gap) {
    m_icon = icon;
    m_iconGap = gap;
    changed(L"afLabel::setIcon");
}

void afLabel::setAlignment(int32_t alignment) {
    m_alignment = alignment;
    invalidate();
}

UINT afLabel::textFormat(int32_t wrapMode, int32_t alignment) {
    if (wrapMode != WRAP_ELLIPSIS && wrapMode != WRAP_PATH_ELLIPSIS)
        return DT_SINGLELINE | DT_NOPREFIX;
    UINT format = DT_SINGLELINE;
    if (alignment & afLayout::GRAVITY_CENTER_VERTICAL)
        format |= DT_VCENTER;
    const UINT ellipsis = wrapMode == WRAP_ELLIPSIS ? DT_WORD_ELLIPSIS : DT_PATH_ELLIPSIS;
    switch (alignment & afLayout::GRAVITY_HORIZONTAL_MASK) {
    case afLayout::GRAVITY_CENTER_HORIZONTAL:
        return format | DT_CENTER | ellipsis;
    case afLayout::GRAVITY_LEFT:
        return format | ellipsis;
    case afLayout::GRAVITY_RIGHT:
        return format | DT_RIGHT | ellipsis;
    default:
        return format;
    }
}

std::vector<INT> afLabel::advancesOf(afCanvas& canvas, const std::wstring& line, SIZE* o_extent) {
    std::vector<INT> ends(line.size()), advances(line.size());
    *o_extent = {0, canvas.textMetrics().tmHeight};
    if (line.empty() || !::GetTextExtentExPointW(canvas.getDC(), line.data(), static_cast<int>(line.size()), 0, nullptr,
                                                 ends.data(), o_extent))
        return advances;
    for (size_t i = 0; i < line.size(); ++i)
        advances[i] = ends[i] - (i ? ends[i - 1] : 0);
    return advances;
}

int afLabel::lineSpacing(afCanvas& canvas) {
    // DrawTextW's own spacing of the lines it breaks: without the font's external leading.
    return canvas.textMetrics().tmHeight;
}

std::vector<std::wstring> afLabel::wrapLines(afCanvas& canvas, const std::wstring& text, int32_t width) {
    std::vector<std::wstring> lines;
    pel::CharacterBoundaries characters;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(text.find(L'\n', start), text.size());
        std::wstring paragraph = text.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == L'\r')
            paragraph.pop_back();
        const int length = static_cast<int>(paragraph.size());
        characters.setText(paragraph.data(), length);
        int at = 0;
        do {
            // How much fits: what the extent of the text from here reaches within the width.
            int fit = length - at;
            if (width > 0 && fit > 0) {
                SIZE extent = {};
                ::GetTextExtentExPointW(canvas.getDC(), paragraph.data() + at, length - at, width, &fit, nullptr,
                                        &extent);
            }
            int next = at + fit;
            if (next < length) {
                // Back to the last blank that fits (the blank itself may stand past the edge),
                // else inside the word at a character's edge, a whole character at least.
                int blank = next;
                while (blank > at && paragraph[blank] != L' ')
                    --blank;
                if (paragraph[blank] == L' ' && blank > at) {
                    next = blank;
                } else {
                    next = characters.isBoundary(next) ? next : characters.preceding(next);
                    if (next <= at)
                        next = characters.following(at);
                }
            }
            // The blanks where the line breaks go with it.
            int after = next;
            while (after < length && paragraph[after] == L' ')
                ++after;
            lines.push_back(paragraph.substr(at, after - at));
            at = after;
        } while (at < length);
        if (end >= text.size())
            break;
        start = end + 1;
    }
    return lines;
}

int32_t afLabel::limited(int32_t width) const {
    if (m_lineLimit <= 0)
        return width;
    return width > 0 ? std::min(width, m_lineLimit) : m_lineLimit;
}

int32_t afLabel::wrapLimit(uint32_t widthSpec) const {
    // Under an unspecified spec the size means nothing (the scroll layout puts the margins
    // there): the text is not limited but by the line limit, and neither is it when the icon
    // leaves no room.
    if (afViewMeasureSpec::getMode(widthSpec) == afViewMeasureSpec::UNSPECIFIED)
        return limited(0);
    const int32_t limit =
        afViewMeasureSpec::getRawSize(widthSpec) - (m_icon ? m_icon->getSize() + ICON_SPACING : 0);
    return limit > 0 ? limited(limit) : 0;
}

void afLabel::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    SIZE text = {0, 0};
    if (!m_text.empty()) {
        std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
        canvas->selectFont(m_font);
        if (m_wrapMode == WRAP_WORDS) {
            // Without a limit, lines break only where the text does.
            const std::vector<std::wstring> lines = wrapLines(*canvas, m_text, wrapLimit(widthSpec));
            for (const std::wstring& line : lines) {
                SIZE extent = {};
                advancesOf(*canvas, line, &extent);
                text.cx = std::max(text.cx, extent.cx);
            }
            text.cy = static_cast<LONG>(lines.size()) * lineSpacing(*canvas);
        } else {
            text = canvas->measureText(m_text.c_str(), static_cast<int>(m_text.size()), DT_SINGLELINE);
        }
    }
    if (m_icon) {
        text.cx += m_icon->getSize() + (m_text.empty() ? 0 : ICON_SPACING);
        text.cy = std::max<LONG>(text.cy, m_icon->getSize());
    }
    const afRect& padding = getPadding();
    setMeasuredDimension(resolveSize(text.cx + padding.left + padding.right, widthSpec),
                         resolveSize(text.cy + padding.top + padding.bottom, heightSpec));
}

bool afLabel::onDraw(afCanvas& canvas, const afRect* area) {
    afViewVirtual::onDraw(canvas, area);
    canvas.selectFont(m_font);
    afRect content;
    getVisibleRect(&content);
    content.applyPadding(getPadding(), false);
    afRect textBox = content;
    if (m_icon) {
        const int size = m_icon->getSize();
        const afRect box(content.left, content.top, content.left + size,
                         m_wrapMode == WRAP_WORDS ? content.top + size : content.bottom);
        canvas.drawIcon(box, *m_icon, AF_ALIGN_LEFT);
        textBox.left += size + (m_text.empty() ? 0 : m_iconGap);
    }
    if (m_text.empty())
        return true;
    if (m_wrapMode != WRAP_WORDS) {
        canvas.drawText(m_text, textBox, textFormat(m_wrapMode, m_alignment), afGetStockColour(m_colour));
        return true;
    }
    // Lines break where they broke as the label was measured: within the line limit.
    if (m_lineLimit > 0)
        textBox.right = std::min<LONG>(textBox.right, textBox.left + m_lineLimit);
    // Each line's characters where they were measured, down to the box's bottom (a last line
    // that does not fit is cut there): a renderer that spaces glyphs a little wider than the
    // extents it reports would otherwise push a full line past the box.
    const int lineHeight = lineSpacing(canvas);
    const HDC dc = canvas.getDC();
    const int previousMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColour = ::SetTextColor(dc, afGetStockColour(m_colour));
    int top = textBox.top;
    for (const std::wstring& text : wrapLines(canvas, m_text, textBox.width())) {
        SIZE extent = {};
        const std::vector<INT> advances = advancesOf(canvas, text, &extent);
        ::ExtTextOutW(dc, textBox.left, top, ETO_CLIPPED, &textBox, text.data(), static_cast<UINT>(text.size()),
                      advances.data());
        top += lineHeight;
    }
    ::SetTextColor(dc, previousColour);
    ::SetBkMode(dc, previousMode);
    return true;
}

bool afLabel::focusBuddy() {
    if (m_buddy)
        m_buddy->requestFocus();
    return true;
}

void afLabel::requestFocus() {
    if (m_buddy)
        m_buddy->requestFocus();
    else
        afViewVirtual::requestFocus();
}

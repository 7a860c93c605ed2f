#include "afw/control/afLabel.h"

#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afIcon.h"
#include "afw/graphics/afStockResources.h"
#include "afw/view/afInput.h"

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
        return DT_WORDBREAK;
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

int32_t afLabel::wrapLimit(uint32_t widthSpec) const {
    // Under an unspecified spec the size means nothing (the scroll layout puts the margins
    // there): the text is not limited, and neither is it when the icon leaves no room.
    if (afViewMeasureSpec::getMode(widthSpec) == afViewMeasureSpec::UNSPECIFIED)
        return 0;
    const int32_t limit =
        afViewMeasureSpec::getRawSize(widthSpec) - (m_icon ? m_icon->getSize() + ICON_SPACING : 0);
    return limit > 0 ? limit : 0;
}

void afLabel::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    SIZE text = {0, 0};
    if (!m_text.empty()) {
        std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
        canvas->selectFont(m_font);
        const bool singleLine = (textFormat(m_wrapMode, 0) & DT_SINGLELINE) != 0;
        const int32_t limit = m_wrapMode == WRAP_WORDS ? wrapLimit(widthSpec) : 0;
        // Without a limit, lines break only where the text does.
        const UINT format = singleLine ? DT_SINGLELINE : limit > 0 ? DT_WORDBREAK : 0;
        text = canvas->measureText(m_text.c_str(), static_cast<int>(m_text.size()), format, limit);
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
    if (!m_text.empty())
        canvas.drawText(m_text, textBox, textFormat(m_wrapMode, m_alignment), afGetStockColour(m_colour));
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

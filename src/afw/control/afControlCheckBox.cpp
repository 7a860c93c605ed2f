#include "afw/control/afControlCheckBox.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/graphics/afWindowsUX.h"

#include <algorithm>

namespace {
constexpr int kTextColour = 7, kGreyText = 9;
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
} // namespace

afControlCheckBox* afControlCheckBox::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afControlCheckBox>(parent);
}

bool afControlCheckBox::buildSeed(afSeed& seed) {
    afControl::buildSeed(seed);
    seed.className = L"Button";
    seed.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CHECKBOX;
    seed.title = getText();
    return true;
}

int afControlCheckBox::getCheckState() const {
    return getHandle() ? static_cast<int>(::SendMessageW(getHandle(), BM_GETCHECK, 0, 0)) : BST_UNCHECKED;
}

bool afControlCheckBox::isChecked() const {
    return getCheckState() == BST_CHECKED;
}

void afControlCheckBox::setChecked(bool checked) {
    if (getHandle())
        ::SendMessageW(getHandle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    invalidate();
}

void afControlCheckBox::toggle() {
    setChecked(getCheckState() != BST_CHECKED);
    const ChangedHandler handler = m_changed;
    if (handler)
        handler(this);
}

int afControlCheckBox::themeState() const {
    const int check = getCheckState();
    const int state = check == BST_CHECKED ? STATE_CHECKED : check == BST_INDETERMINATE ? STATE_MIXED : STATE_UNCHECKED;
    return isEnabled() ? state : state + STATE_DISABLED_STEP;
}

bool afControlCheckBox::onReflectedMessage(afMessage& msg) {
    if (msg.message != WM_COMMAND || HIWORD(msg.wParam) != BN_CLICKED)
        return false;
    toggle();
    msg.result = 0;
    return true;
}

bool afControlCheckBox::onRawMessage(afMessage& msg) {
    switch (msg.message) {
    case WM_UPDATEUISTATE:
    case WM_ENABLE:
        defaultProc(msg);
        invalidate();
        return true;
    case WM_LBUTTONDOWN:
        requestFocus();
        break;
    default:
        break;
    }
    return afControl::onRawMessage(msg);
}

bool afControlCheckBox::onMnemonic(wchar_t /*ch*/) {
    requestFocus();
    toggle();
    return true;
}

SIZE afControlCheckBox::boxSize(afCanvas& canvas) {
    SIZE size = {13, 13};
    if (const afWindowsUX* ux = afWindowsUX::getInstance()) {
        if (HTHEME theme = afWindowsUX::OpenThemeData(ux, getHandle(), L"BUTTON")) {
            afWindowsUX::GetThemePartSize(ux, theme, canvas.getDC(), PART_CHECKBOX, STATE_UNCHECKED, TS_DRAW, &size);
            afWindowsUX::CloseThemeData(ux, theme);
            return size;
        }
    }
    size.cx = ::GetSystemMetrics(SM_CXMENUCHECK);
    size.cy = ::GetSystemMetrics(SM_CYMENUCHECK);
    return size;
}

void afControlCheckBox::arrange(afCanvas& canvas, const afRect& client) {
    if (getFont())
        canvas.selectFont(getFont());
    const SIZE box = boxSize(canvas);
    const std::wstring text = getText();
    const SIZE extent = text.empty() ? SIZE{0, 0}
                                     : canvas.measureText(text.c_str(), static_cast<int>(text.size()), DT_SINGLELINE);
    afRect content = client;
    const afRect& padding = getPadding();
    content.inset(padding.left, padding.top, padding.right, padding.bottom);
    const LONG middle = content.top + content.height() / 2;
    m_boxRect = afRect(content.left, middle - box.cy / 2, content.left + box.cx, middle - box.cy / 2 + box.cy);
    const LONG textLeft = m_boxRect.right + afScaled(TEXT_GAP);
    m_textRect = afRect(textLeft, middle - extent.cy / 2, std::min<LONG>(textLeft + extent.cx, content.right),
                        middle - extent.cy / 2 + extent.cy);
    m_focusRect = m_textRect;
    m_focusRect.inset(-1);
}

void afControlCheckBox::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
    if (getFont())
        canvas->selectFont(getFont());
    const SIZE box = boxSize(*canvas);
    const std::wstring text = getText();
    const SIZE extent = text.empty() ? SIZE{0, 0}
                                     : canvas->measureText(text.c_str(), static_cast<int>(text.size()), DT_SINGLELINE);
    const afRect& padding = getPadding();
    const int32_t width = padding.left + box.cx + afScaled(TEXT_GAP) + extent.cx + 2 + padding.right;
    const int32_t height = padding.top + std::max<int32_t>(box.cy, extent.cy + 2) + padding.bottom;
    setMeasuredDimension(resolveSize(std::max(width, getMinimumWidth()), widthSpec),
                         resolveSize(std::max(height, getMinimumHeight()), heightSpec));
}

void afControlCheckBox::onLayout(bool changed, const afRect& rect) {
    afControl::onLayout(changed, rect);
    const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
    arrange(*canvas, getClientRect());
}

bool afControlCheckBox::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    const afRect client = getClientRect();
    arrange(canvas, client);
    const std::wstring text = getText();
    const int state = themeState();
    const afWindowsUX* ux = afWindowsUX::getInstance();
    HTHEME theme = ux ? afWindowsUX::OpenThemeData(ux, getHandle(), L"BUTTON") : nullptr;
    if (theme) {
        afWindowsUX::DrawThemeBackground(ux, theme, canvas.getDC(), PART_CHECKBOX, state, &m_boxRect, nullptr);
        if (!text.empty())
            afWindowsUX::DrawThemeText(ux, theme, canvas.getDC(), PART_CHECKBOX, state, text.c_str(),
                                       static_cast<int>(text.size()), kTextFormat, &m_textRect);
        afWindowsUX::CloseThemeData(ux, theme);
    } else {
        UINT flags = DFCS_BUTTONCHECK | DFCS_FLAT;
        if (getCheckState() != BST_UNCHECKED)
            flags |= DFCS_CHECKED;
        if (getCheckState() == BST_INDETERMINATE || !isEnabled())
            flags |= DFCS_INACTIVE;
        RECT box = m_boxRect;
        ::DrawFrameControl(canvas.getDC(), &box, DFC_BUTTON, flags);
        if (!text.empty()) {
            canvas.selectFont(getFont() ? getFont() : afGetStockFont(AF_FONT_MESSAGE));
            canvas.drawText(text, m_textRect, kTextFormat, afGetStockColour(isEnabled() ? kTextColour : kGreyText));
        }
    }
    const LRESULT cues = getHandle() ? ::SendMessageW(getHandle(), WM_QUERYUISTATE, 0, 0) : 0;
    if (hasFocus() && !(cues & UISF_HIDEFOCUS))
        ::DrawFocusRect(canvas.getDC(), &m_focusRect);
    return true;
}

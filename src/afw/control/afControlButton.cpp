#include "afw/control/afControlButton.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/window/afWindow.h"

#include <algorithm>

namespace {

// Stock colours of the classic drawing.
constexpr int kFace = 4, kDefaultFrame = 27, kShadow = 6, kText = 7, kGreyText = 9;

} // namespace

afControlButton* afControlButton::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afControlButton>(parent);
}

afControlButton::afControlButton(afViewPlatform* host) : afWidget(host) {
    setPaintFlags(PAINT_BUFFERED);
}

bool afControlButton::isDefault() const {
    const afWindow* window = getWindow();
    return window && window->getCurrentDefaultButton() == this;
}

void afControlButton::setDefault() {
    if (afWindow* window = getWindow())
        window->setDefaultButton(this, false);
}

void afControlButton::click() {
    // A copy: the handler may replace itself, or delete the button.
    const ClickHandler handler = m_clickHandler;
    if (handler)
        handler(this);
}

uint32_t afControlButton::getDrawState() const {
    if (!isEnabled())
        return STATE_DISABLED;
    uint32_t state = 0;
    if ((m_hover && m_pressed) || m_keyPressed)
        state |= STATE_PUSHED;
    if (hasFocus())
        state |= STATE_FOCUSED;
    if (isDefault())
        state |= STATE_DEFAULT;
    if (m_hover)
        state |= STATE_HOT;
    return state;
}

int afControlButton::themeState(uint32_t drawState) {
    if (drawState & STATE_DISABLED)
        return PBS_DISABLED;
    if (drawState & STATE_PUSHED)
        return PBS_PRESSED;
    if (drawState & (STATE_FOCUSED | STATE_DEFAULT))
        return PBS_DEFAULTED;
    return drawState & STATE_HOT ? PBS_HOT : PBS_NORMAL;
}

// ---- Window

bool afControlButton::buildSeed(afSeed& seed) {
    static bool registered = false;
    afClassRecord record(L"afControlButton");
    record.cursor = ::LoadCursorW(nullptr, IDC_ARROW);
    registerClass(record, &registered);
    seed.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    seed.className = record.className;
    seed.title = getText();
    return true;
}

void afControlButton::onCreate() {
    setParentBackground(true);
    setPadding(afScaled(20), afScaled(6), afScaled(20), afScaled(8));
    setMinimumSize(afScaled(80), afScaled(25));
}

bool afControlButton::onRawMessage(afMessage& msg) {
    switch (msg.message) {
    case WM_ENABLE:
        invalidate();
        break;
    case WM_GETDLGCODE:
        msg.result = isDefault() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
        return true;
    default:
        break;
    }
    return afWidget::onRawMessage(msg);
}

void afControlButton::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    SIZE text = {0, 0};
    const std::wstring caption = getText();
    if (!caption.empty()) {
        const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
        if (getFont())
            canvas->selectFont(getFont());
        text = canvas->measureText(caption.c_str(), static_cast<int>(caption.size()), DT_SINGLELINE);
    }
    const afRect& padding = getPadding();
    const int32_t width = std::max<int32_t>(padding.left + text.cx + padding.right, getMinimumWidth());
    const int32_t height = std::max<int32_t>(padding.top + text.cy + padding.bottom, getMinimumHeight());
    setMeasuredDimension(resolveSize(width, widthSpec), resolveSize(height, heightSpec));
}

// ---- Mouse, keys, focus

void afControlButton::setHover(bool hover) {
    if (hover == m_hover)
        return;
    m_hover = hover;
    invalidate();
}

bool afControlButton::onMouseMove(afMouseEvent& event) {
    if (!hasCapture()) {
        setHover(true);
        return true;
    }
    // While pressed the button holds the mouse: over it or not, edges included.
    POINT point = event.position;
    ::ScreenToClient(getHandle(), &point);
    const afRect client = getClientRect();
    setHover(point.x >= 0 && point.y >= 0 && point.x <= client.right && point.y <= client.bottom);
    return true;
}

bool afControlButton::onMouseLeave(afMouseEvent& /*event*/) {
    setHover(false);
    return true;
}

bool afControlButton::onMouseDown(afMouseEvent& event) {
    if (event.message.message != WM_LBUTTONDOWN)
        return false;
    setCapture(true);
    requestFocus();
    m_pressed = true;
    invalidate();
    return true;
}

bool afControlButton::onMouseUp(afMouseEvent& event) {
    if (event.message.message != WM_LBUTTONUP)
        return false;
    if (!hasCapture())
        return true;
    setCapture(false);
    const bool clicked = m_hover;
    m_pressed = false;
    invalidate();
    if (clicked)
        click();
    return true;
}

bool afControlButton::onKeyDown(afKeyEvent& event) {
    if (event.modifiers() || (event.key() != VK_SPACE && event.key() != VK_RETURN))
        return false;
    // The key that pressed the button keeps it: the other one is taken and changes nothing.
    if (m_keyPressed && event.combination != m_heldKey)
        return true;
    m_keyPressed = true;
    m_heldKey = event.combination;
    invalidate();
    return true;
}

bool afControlButton::onKeyUp(afKeyEvent& event) {
    if (!m_keyPressed || event.combination != m_heldKey)
        return false;
    m_keyPressed = false;
    m_heldKey = 0;
    invalidate();
    click();
    return true;
}

bool afControlButton::onMnemonic(wchar_t /*ch*/) {
    requestFocus();
    click();
    return true;
}

void afControlButton::onFocusGained() {
    invalidate();
    afWidget::onFocusGained();
}

void afControlButton::onFocusLost() {
    m_pressed = false;
    m_keyPressed = false;
    m_heldKey = 0;
    invalidate();
    afWidget::onFocusLost();
}

// ---- Drawing

bool afControlButton::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    afRect rect;
    getVisibleRect(&rect);
    const uint32_t state = getDrawState();
    const std::wstring caption = getText();
    if (getFont())
        canvas.selectFont(getFont());
    if (!drawThemed(canvas, rect, state, caption))
        drawClassic(canvas, rect, state, caption);
    return true;
}

bool afControlButton::drawThemed(afCanvas& canvas, const afRect& rect, uint32_t state, const std::wstring& caption) {
    const afWindowsUX* ux = afWindowsUX::getInstance();
    HTHEME theme = ux ? afWindowsUX::OpenThemeData(ux, getHandle(), L"BUTTON") : nullptr;
    if (!theme)
        return false;
    const int part = themeState(state);
    afWindowsUX::DrawThemeBackground(ux, theme, canvas.getDC(), PART_PUSHBUTTON, part, &rect, nullptr);
    if (!caption.empty())
        afWindowsUX::DrawThemeText(ux, theme, canvas.getDC(), PART_PUSHBUTTON, part, caption.c_str(),
                                   static_cast<int>(caption.size()), CAPTION_FORMAT, &rect);
    afWindowsUX::CloseThemeData(ux, theme);
    return true;
}

void afControlButton::drawClassic(afCanvas& canvas, afRect rect, uint32_t state, const std::wstring& caption) {
    HDC dc = canvas.getDC();
    canvas.fillRect(rect, afGetStockColour(kFace));
    if (state & STATE_DEFAULT) {
        canvas.frameRect(rect, afGetStockColour(kDefaultFrame));
        rect.inset(1);
    }
    if (state & STATE_PUSHED) {
        canvas.frameRect(rect, afGetStockColour(kShadow));
        rect.inset(2);
    } else {
        ::DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_ADJUST);
    }
    if (state & STATE_FOCUSED) {
        rect.inset(2);
        ::DrawFocusRect(dc, &rect);
    }
    if (state & STATE_PUSHED)
        rect.offset(1, 1);
    if (!caption.empty())
        canvas.drawText(caption, rect, CAPTION_FORMAT, afGetStockColour(state & STATE_DISABLED ? kGreyText : kText));
}

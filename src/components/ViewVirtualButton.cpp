#include "components/ViewVirtualButton.h"

#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/menu/afMenu.h"
#include "afw/view/afViewPlatform.h"

#include <algorithm>

namespace {

constexpr UINT TEXT_FORMAT = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

} // namespace

ViewVirtualButton::ViewVirtualButton(afViewPlatform* host)
    : afViewVirtual(host), m_font(afGetStockFont(AF_FONT_MESSAGE)) {}

void ViewVirtualButton::setLabel(const std::wstring& label) {
    change(m_label, label, L"ViewVirtualButton::setLabel");
}

void ViewVirtualButton::setText(const std::wstring& text) {
    change(m_text, text, L"ViewVirtualButton::setText");
}

void ViewVirtualButton::setRoomFor(const std::wstring& sample) {
    change(m_sample, sample, L"ViewVirtualButton::setRoomFor");
}

void ViewVirtualButton::change(std::wstring& io_field, const std::wstring& value, const wchar_t* reason) {
    if (value == io_field)
        return;
    io_field = value;
    relayout(reason);
    invalidate();
}

void ViewVirtualButton::setPressed(bool pressed) {
    if (pressed == m_pressed)
        return;
    m_pressed = pressed;
    invalidate();
}

afMenuNode* ViewVirtualButton::trackMenu(afMenu& menu, bool below) {
    if (!getHost())
        return nullptr;
    // The frame lies in the parent's coordinates: moved through each parent into the host's.
    const afRect frame = getFrame();
    afRect place(0, 0, frame.width(), frame.height());
    getHost()->offsetDescendantRect(this, place);
    mapToScreen(place);
    setPressed(true);
    afMenuNode* chosen = menu.trackBeside(getHost(), place, below);
    setPressed(false);
    return chosen;
}

void ViewVirtualButton::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
    canvas->selectFont(m_font);
    const auto extent = [&canvas](const std::wstring& text) {
        return canvas->measureText(text.c_str(), static_cast<int>(text.size()), TEXT_FORMAT);
    };
    const SIZE text = extent(m_label + m_text);
    const LONG texts = m_sample.empty() ? text.cx : std::max(text.cx, extent(m_label + m_sample).cx);
    const int32_t width = std::max<int32_t>(texts + 2 * afScaled(PADDING_X), getMinimumWidth());
    const int height = std::max<int>(text.cy, canvas->lineHeight());
    setMeasuredDimension(resolveSize(width, widthSpec), resolveSize(height + 2 * afScaled(PADDING_Y), heightSpec));
}

bool ViewVirtualButton::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    const afRect frame = getFrame();
    const afRect box(0, 0, frame.width(), frame.height());
    if (m_pressed) {
        canvas.fillRect(box, afGetStockColour(PRESSED_COLOUR));
        canvas.frameRect(box, afGetStockColour(PRESSED_FRAME_COLOUR));
    }
    canvas.selectFont(m_font);
    afRect text(box.left + afScaled(PADDING_X), box.top, box.right - afScaled(PADDING_X), box.bottom);
    if (!m_label.empty()) {
        canvas.drawText(m_label, text, TEXT_FORMAT, afGetStockColour(LABEL_COLOUR));
        text.left += canvas.measureText(m_label.c_str(), static_cast<int>(m_label.size()), TEXT_FORMAT).cx;
    }
    if (!m_text.empty())
        canvas.drawText(m_text, text, TEXT_FORMAT, afGetStockColour(TEXT_COLOUR));
    return true;
}

bool ViewVirtualButton::onMouseDown(afMouseEvent& event) {
    if (event.message.message != WM_LBUTTONDOWN || !isEnabled())
        return false;
    setPressed(true);
    return true;
}

bool ViewVirtualButton::onMouseUp(afMouseEvent& event) {
    if (event.message.message != WM_LBUTTONUP || !m_pressed)
        return false;
    setPressed(false);
    if (m_clickHandler)
        m_clickHandler(this);
    return true;
}

bool ViewVirtualButton::onMouseMove(afMouseEvent& /*event*/) {
    return true;
}

bool ViewVirtualButton::onMouseLeave(afMouseEvent& /*event*/) {
    setPressed(false);
    return true;
}

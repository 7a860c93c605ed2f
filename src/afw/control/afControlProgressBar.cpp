#include "afw/control/afControlProgressBar.h"

#include "afw/control/afWidgetFactory.h"

#include <algorithm>
#include <commctrl.h>

afControlProgressBar* afControlProgressBar::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afControlProgressBar>(parent);
}

bool afControlProgressBar::buildSeed(afSeed& seed) {
    afControl::buildSeed(seed);
    seed.className = PROGRESS_CLASSW;
    seed.style = WS_CHILD | WS_VISIBLE | PBS_SMOOTH | PBS_MARQUEE;
    return true;
}

void afControlProgressBar::setRange(uint32_t maximum) {
    m_maximum = maximum;
    ::SendMessageW(getHandle(), PBM_SETRANGE32, m_minimum, maximum);
}

void afControlProgressBar::setPosition(uint32_t position) {
    m_position = position;
    ::SendMessageW(getHandle(), PBM_SETPOS, position, 0);
}

void afControlProgressBar::changeStyle(DWORD bit, bool on) {
    HWND window = getHandle();
    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    const LONG changed = on ? (style | bit) : (style & ~static_cast<LONG>(bit));
    if (changed == style)
        return;
    ::SetWindowLongW(window, GWL_STYLE, changed);
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void afControlProgressBar::setMode(int mode) {
    if (!getHandle())
        return;
    if (mode == MODE_MARQUEE) {
        changeStyle(PBS_SMOOTH, false);
        changeStyle(PBS_MARQUEE, true);
        ::SendMessageW(getHandle(), PBM_SETMARQUEE, TRUE, MARQUEE_INTERVAL_MS);
    } else if (mode == MODE_NORMAL) {
        ::SendMessageW(getHandle(), PBM_SETMARQUEE, FALSE, 0);
        changeStyle(PBS_MARQUEE, false);
        changeStyle(PBS_SMOOTH, true);
    }
}

void afControlProgressBar::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    const afRect& padding = getPadding();
    const int32_t width = std::max<int32_t>(padding.left + DESIRED_SIZE + padding.right, getMinimumWidth());
    const int32_t height = std::max<int32_t>(padding.top + DESIRED_SIZE + padding.bottom, getMinimumHeight());
    setMeasuredDimension(resolveSize(width, widthSpec), resolveSize(height, heightSpec));
}

bool afControlProgressBar::onRawMessage(afMessage& msg) {
    // The platform paints its bar itself.
    if (msg.message == WM_PAINT || msg.message == WM_ERASEBKGND)
        return false;
    return afControl::onRawMessage(msg);
}

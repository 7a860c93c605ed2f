#include "app/TabDrag.h"

#include "app/Tabs.h"
#include "editor/DropMarker.h"

#include "afw/dock/afDockSlot.h"
#include "afw/view/afViewEvents.h"

#include <windowsx.h>

#include <cstdlib>

namespace tessel {

TabDrag::~TabDrag() = default;

void TabDrag::press(afDockSlot* slot, POINT screen) {
    if (m_dragging)
        return;
    m_slot = slot;
    m_pressed = screen;
}

bool TabDrag::onMessage(afMessage& msg) {
    if (!m_slot)
        return false;
    switch (msg.message) {
    case WM_MOUSEMOVE: {
        const int x = GET_X_LPARAM(msg.lParam);
        if (!m_dragging) {
            if (!(msg.wParam & MK_LBUTTON)) {
                m_slot = nullptr; // the press ended outside the strip
                return false;
            }
            POINT screen = {x, GET_Y_LPARAM(msg.lParam)};
            ::ClientToScreen(m_tabs.getHandle(), &screen);
            if (std::abs(screen.x - m_pressed.x) < ::GetSystemMetrics(SM_CXDRAG) &&
                std::abs(screen.y - m_pressed.y) < ::GetSystemMetrics(SM_CYDRAG))
                return false;
            start();
        }
        track(x);
        msg.result = 0;
        return true;
    }
    case WM_LBUTTONUP:
        if (!m_dragging) {
            m_slot = nullptr; // a click: the tab's own handling goes on
            return false;
        }
        drop(GET_X_LPARAM(msg.lParam));
        msg.result = 0;
        return true;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
        // The system took the mouse (a window came up, the user switched away): nothing moves.
        if (m_dragging && reinterpret_cast<HWND>(msg.lParam) != m_tabs.getHandle())
            end();
        return false;
    default:
        return false;
    }
}

bool TabDrag::cancel() {
    if (!m_dragging)
        return false;
    end();
    return true;
}

void TabDrag::forget(afDockSlot* slot) {
    if (slot == m_slot)
        end();
}

int TabDrag::insertionAt(int x, int* o_markerX) const {
    const int count = m_tabs.getSlotCount();
    int markerX = 0;
    for (int i = 0; i < count; ++i) {
        afRect tab;
        if (!m_tabs.getTabRect(m_tabs.getSlotAt(i), &tab))
            continue;
        if (x < (tab.left + tab.right) / 2) {
            if (o_markerX)
                *o_markerX = tab.left;
            return i;
        }
        markerX = tab.right;
    }
    if (o_markerX)
        *o_markerX = markerX;
    return count;
}

void TabDrag::start() {
    m_dragging = true;
    // Escape must reach the strip while the drag runs.
    m_focusBefore = ::GetFocus();
    ::SetFocus(m_tabs.getHandle());
    m_tabs.setCapture(true);
    afRect tab;
    if (!m_marker)
        m_marker = DropMarker::create(&m_tabs);
    if (m_marker && m_tabs.getTabRect(m_slot, &tab))
        m_marker->setGeometry(DropMarker::VERTICAL, tab.height());
}

void TabDrag::track(int x) {
    int markerX = 0;
    insertionAt(x, &markerX);
    afRect tab;
    if (!m_marker || !m_tabs.getTabRect(m_slot, &tab))
        return;
    m_marker->showAt(m_tabs.getHandle(), markerX, tab.top);
    m_marker->setVisible(true);
}

void TabDrag::drop(int x) {
    afDockSlot* slot = m_slot;
    const int from = m_tabs.indexOfSlot(slot);
    const int place = insertionAt(x, nullptr);
    end();
    // Before or after itself, the tab stays where it is.
    if (from < 0 || place == from || place == from + 1)
        return;
    m_tabs.insertSlot(slot, place > from ? place - 1 : place);
}

void TabDrag::end() {
    const bool dragging = m_dragging;
    m_dragging = false;
    m_slot = nullptr;
    if (!dragging)
        return;
    if (m_marker)
        m_marker->setVisible(false);
    m_tabs.setCapture(false);
    if (m_focusBefore && ::IsWindow(m_focusBefore))
        ::SetFocus(m_focusBefore);
    m_focusBefore = nullptr;
}

} // namespace tessel

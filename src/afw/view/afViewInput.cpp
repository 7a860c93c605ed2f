// Mouse and key events on a view: listeners, dispatch, key bubbling, click counting and focus.

#include "afw/view/afInput.h"
#include "afw/view/afView.h"
#include "afw/view/afViewPlatform.h"
#include "pel/base/Assert.h"

#include <algorithm>

namespace {

template <class List, class Item>
void removeFirst(List& list, const Item& item) {
    const auto found = std::find(list.begin(), list.end(), item);
    if (found != list.end())
        list.erase(found);
}

} // namespace

void afView::addMouseListener(MouseListenerKind kind, const MouseListener& listener) {
    if (listener)
        m_mouseListeners[kind].push_back(listener);
}

void afView::removeMouseListener(MouseListenerKind kind, const MouseListener& listener) {
    removeFirst(m_mouseListeners[kind], listener);
}

void afView::addKeyListener(KeyListenerKind kind, const KeyListener& listener) {
    if (listener)
        m_keyListeners[kind].push_back(listener);
}

void afView::removeKeyListener(KeyListenerKind kind, const KeyListener& listener) {
    removeFirst(m_keyListeners[kind], listener);
}

bool afView::dispatchMouse(MouseListenerKind kind, afMouseEvent& event, bool (afView::*handler)(afMouseEvent&)) {
    // A copy: a listener may remove itself.
    const std::vector<MouseListener> listeners = m_mouseListeners[kind];
    for (const MouseListener& listener : listeners)
        if (listener(this, event))
            return true;
    return (this->*handler)(event);
}

bool afView::dispatchMouseMove(afMouseEvent& event) {
    return dispatchMouse(MOUSE_MOVE, event, &afView::onMouseMove);
}

bool afView::dispatchMouseLeave(afMouseEvent& event) {
    return dispatchMouse(MOUSE_LEAVE, event, &afView::onMouseLeave);
}

bool afView::dispatchMouseDown(afMouseEvent& event) {
    return dispatchMouse(MOUSE_DOWN, event, &afView::onMouseDown);
}

bool afView::dispatchMouseUp(afMouseEvent& event) {
    return dispatchMouse(MOUSE_UP, event, &afView::onMouseUp);
}

bool afView::dispatchKey(KeyListenerKind kind, afKeyEvent& event, bool (afView::*handler)(afKeyEvent&)) {
    for (afView* view = this; view; view = view->m_parent) {
        const std::vector<KeyListener> listeners = view->m_keyListeners[kind];
        for (const KeyListener& listener : listeners)
            if (listener(view, event))
                return true;
        if ((view->*handler)(event))
            return true;
    }
    return false;
}

bool afView::dispatchKeyDown(afKeyEvent& event) {
    return dispatchKey(KEY_DOWN, event, &afView::onKeyDown);
}

bool afView::dispatchKeyUp(afKeyEvent& event) {
    return dispatchKey(KEY_UP, event, &afView::onKeyUp);
}

void afView::countClick(afMouseEvent& event) {
    const UINT kind = event.message.message;
    ++m_clickCount;
    // The test also stamps the press time, whatever the count.
    const bool multiple = afIsDoubleClick(event.position, m_clickPosition, &m_clickTime);
    if ((m_clickCount > 1 && !multiple) || kind != m_clickKind)
        m_clickCount = 1;
    if (m_clickCount == 1)
        m_clickPosition = event.position;
    // Held at the most a click count can say, so a long run of presses cannot overflow it.
    m_clickCount = std::min(m_clickCount, afMouseEvent::MAX_CLICK_COUNT);
    m_clickKind = kind;
    event.setClickCount(m_clickCount);
}

void afView::requestFocus() {
    if (!m_host)
        return;
    afViewPlatform* target = isVirtual() ? m_host : static_cast<afViewPlatform*>(this);
    if (!target->getHandle())
        throw pel::InvalidArgumentException(L"Child is not focusable.");
    for (afViewPlatform* host = m_host; host; host = host->getHost())
        if (host->focusChild(target))
            return;
}

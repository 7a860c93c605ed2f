#include "app/Tabs.h"

#include "afw/core/afMainLoop.h"
#include "afw/dock/afDockSlot.h"
#include "afw/layout/afLayoutFrame.h"
#include "afw/layout/afLayoutHorizontalScroll.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/layout/afLayoutParamsLinear.h"
#include "afw/menu/afMenu.h"
#include "afw/view/afViewEvents.h"
#include "afw/view/afViewPlatform.h"
#include "pel/base/Assert.h"

#include <algorithm>

namespace tessel {

bool TabButton::onMouseDown(afMouseEvent& event) {
    if (event.message.message == WM_MBUTTONDOWN) {
        m_middlePressed = true;
        return true;
    }
    if (event.message.message == WM_LBUTTONDOWN && m_activate)
        m_activate(this, event);
    return ViewVirtualButton::onMouseDown(event);
}

bool TabButton::onMouseUp(afMouseEvent& event) {
    if (event.message.message == WM_MBUTTONUP) {
        const bool close = m_middlePressed;
        m_middlePressed = false;
        if (close && m_close)
            m_close(this); // may delete this button
        return true;
    }
    const bool taken = ViewVirtualButton::onMouseUp(event);
    // The active tab stays pressed.
    setPressed(m_slot->isActive());
    return taken;
}

bool TabButton::onMouseLeave(afMouseEvent& event) {
    m_middlePressed = false;
    const bool taken = ViewVirtualButton::onMouseLeave(event);
    setPressed(m_slot->isActive());
    return taken;
}

Tabs::Tabs(afViewPlatform* host) : afDock(host) {
    setName(L"main");
    auto* column = new afLayoutLinear(this, afLayoutLinear::VERTICAL);
    setContentView(column);
    auto* bar = new afLayoutLinear(this, afLayoutLinear::HORIZONTAL);
    column->addChild(bar, afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    m_strip = new afLayoutHorizontalScroll(this);
    m_strip->setFillViewport(false);
    bar->addChild(m_strip, new afLayoutParamsLinear(0, afLayoutParams::WRAP_CONTENT, 1.0));
    m_list = new ViewVirtualButton(this);
    m_list->setText(L"\u00BB");
    m_list->setClickHandler(ViewVirtualButton::ClickHandler::bind<Tabs, &Tabs::showTabList>(this));
    bar->addChild(m_list, afLayoutParams::WRAP_CONTENT, afLayoutParams::FILL_PARENT);
    m_row = new afLayoutLinear(this, afLayoutLinear::HORIZONTAL);
    m_strip->addChild(m_row, afLayoutParams::WRAP_CONTENT, afLayoutParams::WRAP_CONTENT);
    m_pages = new afLayoutFrame(this);
    column->addChild(m_pages, new afLayoutParamsLinear(afLayoutParams::FILL_PARENT, 0, 1.0));
}

void Tabs::setTitle(afDockSlot* slot, const std::wstring& title) {
    if (TabButton* button = getButton(slot)) {
        button->setText(title);
        // The label carries the text; a wider one may push the active tab out of view.
        if (slot == getActiveSlot())
            m_strip->focusChild(button);
    }
}

TabButton* Tabs::getButton(afDockSlot* slot) const {
    const auto found = m_buttons.find(slot);
    return found == m_buttons.end() ? nullptr : found->second;
}

void Tabs::attachSlot(afDockSlot* slot) {
    auto* button = new TabButton(this, slot);
    button->setActivateHandler(TabButton::PressHandler::bind<Tabs, &Tabs::tabPressed>(this));
    button->setCloseHandler(TabButton::Handler::bind<Tabs, &Tabs::tabClosing>(this));
    m_row->addChild(button, indexOfSlot(slot), afLayoutParams::WRAP_CONTENT, afLayoutParams::WRAP_CONTENT);
    m_buttons[slot] = button;
    // Shown when its slot is the active one; attaching may show it.
    afView* view = slot->getView();
    m_pages->addChild(view, afLayoutParams::FILL_PARENT, afLayoutParams::FILL_PARENT);
    view->setVisible(false);
    slot->setPage(view);
}

bool Tabs::getTabRect(afDockSlot* slot, afRect* o_rect) {
    PEL_CHECK_PTR(o_rect);
    TabButton* button = getButton(slot);
    if (!button)
        return false;
    const afRect frame = button->getFrame();
    *o_rect = afRect(0, 0, frame.width(), frame.height());
    offsetDescendantRect(button, *o_rect);
    return true;
}

void Tabs::onSlotRemoved(afDockSlot* slot, bool /*deleting*/) {
    m_drag.forget(slot);
    const auto found = m_buttons.find(slot);
    if (found != m_buttons.end()) {
        m_row->removeView(found->second);
        delete found->second;
        m_buttons.erase(found);
    }
    if (afView* view = slot->getView())
        if (view->getParent() == m_pages)
            m_pages->removeView(view);
    slot->setPage(nullptr);
    requestLayout(L"Tabs::onSlotRemoved");
}

void Tabs::onActivating(afDockSlot* old) {
    if (TabButton* button = getButton(old))
        button->setPressed(false);
    if (TabButton* button = getButton(getActiveSlot())) {
        button->setPressed(true);
        m_strip->focusChild(button);
    }
}

void Tabs::onActiveViewChanged(afDockSlot* slot, afDockSlot* old) {
    if (old && old->getView())
        old->getView()->setVisible(false);
    if (slot && slot->getView()) {
        slot->getView()->setVisible(true);
        requestLayout(L"Tabs::onActiveViewChanged");
    }
}

void Tabs::onSlotMoved(afDockSlot* slot, int index) {
    if (TabButton* button = getButton(slot)) {
        m_row->removeView(button);
        m_row->addChild(button, index, afLayoutParams::WRAP_CONTENT, afLayoutParams::WRAP_CONTENT);
    }
}

void Tabs::tabPressed(TabButton* button, const afMouseEvent& event) {
    setActiveSlot(button->getSlot());
    m_drag.press(button->getSlot(), event.position);
}

std::unique_ptr<afMenu> Tabs::makeTabList() const {
    std::unique_ptr<afMenu> list = afMenu::createPopup(L"Tabs");
    if (!list)
        return list;
    for (int i = 0; i < getSlotCount(); ++i) {
        afDockSlot* slot = getSlotAt(i);
        const TabButton* button = getButton(slot);
        afMenuItem* line = list->addItem(new afMenuItem(button ? button->getText() : std::wstring()));
        line->setCheckMark(slot == getActiveSlot());
    }
    return list;
}

bool Tabs::chooseFromList(const afMenu& list, const afMenuNode* chosen) {
    const std::vector<afMenuNode*>& lines = list.getChildren();
    const auto found = std::find(lines.begin(), lines.end(), chosen);
    const int index = chosen && found != lines.end() ? static_cast<int>(found - lines.begin()) : -1;
    if (index < 0 || index >= getSlotCount())
        return false;
    setActiveSlot(getSlotAt(index));
    return true;
}

void Tabs::showTabList(ViewVirtualButton* button) {
    std::unique_ptr<afMenu> list = makeTabList();
    if (list)
        chooseFromList(*list, button->trackMenu(*list, true));
}

bool Tabs::onKeyDown(afKeyEvent& event) {
    return event.key() == VK_ESCAPE && m_drag.cancel();
}

Tabs::~Tabs() {
    afMainLoop::cancel(this);
}

void Tabs::tabClosing(TabButton* button) {
    // Closed from the main loop, as every close is: the tab's button goes with it, and must not
    // go inside its own mouse handling; and the close may ask "Save changes", which must not come
    // under a question or menu some other loop runs.
    afDockSlot* slot = button->getSlot();
    afMainLoop::post(this, [this, slot] {
        // Closed meanwhile, perhaps: only a slot still here is closed.
        if (!afDockSlot::isLive(slot) || indexOfSlot(slot) < 0)
            return;
        if (m_closeRequest)
            m_closeRequest(slot);
        else
            closeSlot(slot);
    });
}

bool Tabs::onRawMessage(afMessage& msg) {
    if (m_drag.onMessage(msg))
        return true;
    return afDock::onRawMessage(msg);
}

} // namespace tessel

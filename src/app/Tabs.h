#pragma once
// The main window's tab dock ("ui.dock.tabs"): a strip of tab buttons, the active one shown
// pressed and scrolled into view, over the page area, where only the active slot's view is shown. A left
// press on a tab activates its slot, a middle click closes it; closing the active tab activates
// the one used before it. What a slot holds is its controller's business.

#include "components/ViewVirtualButton.h"

#include "afw/dock/afDock.h"

#include <map>
#include <string>

class afLayoutFrame;
class afLayoutHorizontalScroll;
class afLayoutLinear;

namespace tessel {

class TabButton : public ViewVirtualButton {
public:
    using Handler = afDelegate<void(TabButton*)>;

    TabButton(afViewPlatform* host, afDockSlot* slot) : ViewVirtualButton(host), m_slot(slot) {}

    afDockSlot* getSlot() const { return m_slot; }
    void setActivateHandler(const Handler& handler) { m_activate = handler; }
    void setCloseHandler(const Handler& handler) { m_close = handler; }
    // A left press activates (and presses); a middle button released over the tab it was
    // pressed on closes it.
    bool onMouseDown(afMouseEvent& event) override;
    bool onMouseUp(afMouseEvent& event) override;
    bool onMouseLeave(afMouseEvent& event) override;

private:
    afDockSlot* m_slot;
    Handler m_activate;
    Handler m_close;
    bool m_middlePressed = false;
};

class Tabs : public afDock {
public:
    explicit Tabs(afViewPlatform* host);

    const wchar_t* getContextKey() const override { return L"ui.dock.tabs"; }

    // The tab's text (the slot's title); nothing for a slot of another dock.
    void setTitle(afDockSlot* slot, const std::wstring& title);
    TabButton* getButton(afDockSlot* slot) const;

    void attachSlot(afDockSlot* slot) override;
    void onSlotRemoved(afDockSlot* slot, bool deleting) override;
    void onActiveViewChanged(afDockSlot* slot, afDockSlot* old) override;
    void onSlotMoved(afDockSlot* slot, int index) override;
    void onActivating(afDockSlot* old) override;

private:
    void tabPressed(TabButton* button);
    void tabClosing(TabButton* button);

    afLayoutHorizontalScroll* m_strip;
    afLayoutLinear* m_row;
    afLayoutFrame* m_pages;
    std::map<afDockSlot*, TabButton*> m_buttons;
};

} // namespace tessel

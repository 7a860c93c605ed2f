#pragma once
// The main window's tab dock ("ui.dock.tabs"): a strip of tab buttons, the active one shown
// pressed and scrolled into view, over the page area, where only the active slot's view is shown. A left
// press on a tab activates its slot, a middle click closes it (from the main loop), and dragging a
// tab along the strip moves it; closing the active tab activates the one used before it. A button
// at the strip's end lists every tab, so tabs scrolled out of a full strip stay in reach. What a
// slot holds is its controller's business.

#include "app/TabDrag.h"
#include "components/ViewVirtualButton.h"

#include "afw/dock/afDock.h"

#include <map>
#include <memory>
#include <string>

class afLayoutFrame;
class afMenu;
class afMenuNode;
class afLayoutHorizontalScroll;
class afLayoutLinear;

namespace tessel {

class TabButton : public ViewVirtualButton {
public:
    using Handler = afDelegate<void(TabButton*)>;
    using PressHandler = afDelegate<void(TabButton*, const afMouseEvent&)>;

    TabButton(afViewPlatform* host, afDockSlot* slot) : ViewVirtualButton(host), m_slot(slot) {}

    afDockSlot* getSlot() const { return m_slot; }
    void setActivateHandler(const PressHandler& handler) { m_activate = handler; }
    void setCloseHandler(const Handler& handler) { m_close = handler; }
    // A left press activates (and presses); a middle button released over the tab it was
    // pressed on closes it.
    bool onMouseDown(afMouseEvent& event) override;
    bool onMouseUp(afMouseEvent& event) override;
    bool onMouseLeave(afMouseEvent& event) override;

private:
    afDockSlot* m_slot;
    PressHandler m_activate;
    Handler m_close;
    bool m_middlePressed = false;
};

class Tabs : public afDock {
public:
    // What a tab's close asks for; without one the dock closes the slot itself.
    using CloseRequest = afDelegate<void(afDockSlot*)>;

    explicit Tabs(afViewPlatform* host);
    ~Tabs() override;

    void setCloseRequest(const CloseRequest& request) { m_closeRequest = request; }

    const wchar_t* getContextKey() const override { return L"ui.dock.tabs"; }

    // The tab's text (the slot's title); nothing for a slot of another dock.
    void setTitle(afDockSlot* slot, const std::wstring& title);
    TabButton* getButton(afDockSlot* slot) const;
    // The slot's tab in the client coordinates of the dock's window; false for a slot without one.
    bool getTabRect(afDockSlot* slot, afRect* o_rect);
    const TabDrag& getDrag() const { return m_drag; }
    // The button at the strip's end that lists the tabs.
    ViewVirtualButton* getListButton() const { return m_list; }
    // The list: a line per tab in the strip's order, titled as the tab, the active one checked.
    std::unique_ptr<afMenu> makeTabList() const;
    // Activates the slot of the list's line; false for a line the list does not hold.
    bool chooseFromList(const afMenu& list, const afMenuNode* chosen);

    void attachSlot(afDockSlot* slot) override;
    void onSlotRemoved(afDockSlot* slot, bool deleting) override;
    void onActiveViewChanged(afDockSlot* slot, afDockSlot* old) override;
    void onSlotMoved(afDockSlot* slot, int index) override;
    void onActivating(afDockSlot* old) override;
    bool onRawMessage(afMessage& msg) override;
    // Escape ends a tab drag.
    bool onKeyDown(afKeyEvent& event) override;

private:
    void tabPressed(TabButton* button, const afMouseEvent& event);
    void tabClosing(TabButton* button);
    void showTabList(ViewVirtualButton* button);

    afLayoutHorizontalScroll* m_strip;
    afLayoutLinear* m_row;
    ViewVirtualButton* m_list;
    afLayoutFrame* m_pages;
    std::map<afDockSlot*, TabButton*> m_buttons;
    CloseRequest m_closeRequest;
    TabDrag m_drag{*this};
};

} // namespace tessel

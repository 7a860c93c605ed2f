#pragma once
// Moving a tab along the tab strip with the mouse. A left press on a tab arms the drag; moving
// past the system's drag distance with the button held starts it: the strip holds the mouse and
// the keyboard, and the drop marker stands between the tabs where the tab would land. Releasing
// the button moves the tab there; Escape, or the mouse taken away by the system, leaves the
// order as it was.

#include <windows.h>

class afDockSlot;
struct afMessage;

namespace tessel {

class DropMarker;
class Tabs;

class TabDrag {
public:
    explicit TabDrag(Tabs& tabs) : m_tabs(tabs) {}
    ~TabDrag();
    TabDrag(const TabDrag&) = delete;
    TabDrag& operator=(const TabDrag&) = delete;

    // A left press on the slot's tab at the screen point.
    void press(afDockSlot* slot, POINT screen);
    // Takes the messages of the strip's window that belong to an armed or running drag: true
    // when the message was the drag's and is handled.
    bool onMessage(afMessage& msg);
    // Escape: ends a running drag without moving anything; false when none runs.
    bool cancel();
    // The slot goes: a drag of it ends.
    void forget(afDockSlot* slot);

    bool isDragging() const { return m_dragging; }
    // Made when the first drag starts; null before.
    const DropMarker* getMarker() const { return m_marker; }
    // The insertion place (0 before the first tab, the tab count after the last) of a point in
    // the strip window's client coordinates, and where the marker's bar then stands.
    int insertionAt(int x, int* o_markerX) const;

private:
    void start();
    void track(int x);
    void drop(int x);
    // Ends an armed or running drag: the marker hides, the mouse and the focus go back.
    void end();

    Tabs& m_tabs;
    afDockSlot* m_slot = nullptr;
    POINT m_pressed = {0, 0};
    bool m_dragging = false;
    HWND m_focusBefore = nullptr;
    DropMarker* m_marker = nullptr;
};

} // namespace tessel

#pragma once
// Every visual element of the program: a node of the view tree, which measures and lays itself
// out in two passes (measure by specs, then frames), paints through a canvas, routes mouse and
// key events and names itself for the action contexts. Windowless views (afViewVirtual) are
// drawn and hit-tested by their host, the nearest view with a window (afViewPlatform).
//
// Ownership is not the tree: a view is an ObjectNode, owned by the host given to its
// constructor until a parent takes it over; the parent, children and host only arrange views.

#include "afw/core/afDelegate.h"
#include "afw/graphics/afDrawable.h"
#include "afw/view/ObjectNode.h"
#include "afw/view/afLayoutParams.h"
#include "afw/view/afRect.h"
#include "afw/view/afViewEvents.h"
#include "afw/view/afViewMeasureSpec.h"
#include "pel/base/Exception.h"
#include "service/parser/base/ScopePath.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

class afCanvas;
class afViewPlatform;
class afWindow;

class afView : public ObjectNode, public afDrawableListener {
public:
    enum Flag : uint32_t {
        FLAG_LAYOUT_REQUESTED = 0x01,
        FLAG_MEASURED_SET = 0x02, // setMeasuredDimension ran in the current measure
        FLAG_MEASURED = 0x04,     // measured since the last layout
        FLAG_ATTACHED = 0x10,     // has a parent
        // Laid out after a move: its old and new places are being repainted whole, which
        // covers whatever its children would repaint.
        FLAG_REPAINTING = 0x20,
    };

    // A listener takes the event when it answers true; the view comes first.
    using MouseListener = afDelegate<bool(afView*, afMouseEvent&)>;
    using KeyListener = afDelegate<bool(afView*, afKeyEvent&)>;
    enum MouseListenerKind { MOUSE_MOVE, MOUSE_LEAVE, MOUSE_DOWN, MOUSE_UP, MOUSE_LISTENER_KINDS };
    enum KeyListenerKind { KEY_DOWN, KEY_UP, KEY_LISTENER_KINDS };
    // Paints instead of onDraw; answers whether it drew.
    using DrawCallback = afDelegate<bool(afView*, afCanvas&, const afRect*)>;

    // The host, when given, owns the new view.
    explicit afView(afViewPlatform* host);
    // A view deleted while it still has a parent leaves it first (with a soft assertion): the
    // parent must not keep a deleted child.
    ~afView() override;

    // ---- Kind, names and contexts
    virtual bool isVirtual() const { return true; }
    // True stops the context walk at this view.
    virtual bool isContextRoot() const { return false; }
    virtual const wchar_t* getContextKey() const { return L"ui.view"; }
    virtual bool hasMnemonic(wchar_t /*ch*/) { return false; }
    // Segments a subclass adds in front of its own context (the editor's caret scope).
    virtual void addContexts(tessel::ScopePath& /*path*/) {}

    const std::wstring& getName() const { return m_name; }
    void setName(const std::wstring& name);
    // The context key, a dot and the name when there is one.
    std::wstring getContextId() const;
    // The contexts of this view, innermost first: each named view from here up to the first
    // context root, each segment valued with its view (getSegmentView).
    tessel::ScopePath& getContexts();
    static void collectContexts(afView* view, tessel::ScopePath& path);
    static afView* getSegmentView(const tessel::ScopeSegment& segment);

    // ---- The tree
    // Index -1 (or any index past the end) appends.
    virtual void addView(afView* child, int index = -1);
    virtual void removeView(afView* child);
    virtual bool hasChild(const afView* view) const;
    virtual bool hasDescendant(const afView* view) const;
    virtual afView* findChild(const std::wstring& name) const;
    virtual afView* findDescendant(const std::wstring& name) const;
    virtual void onAttached() { m_flags |= FLAG_ATTACHED; }
    virtual void onDetached() { m_flags &= ~FLAG_ATTACHED; }
    virtual void setHost(afViewPlatform* host);
    virtual void onChildAdded(afView* /*child*/, int /*index*/) {}
    virtual void onChildRemoved(afView* /*child*/) {}
    virtual afView* getChildAt(int index) const;

    afView* getParent() const { return m_parent; }
    afViewPlatform* getHost() const { return m_host; }
    int getChildCount() const { return static_cast<int>(m_children.size()); }
    int indexOfChild(const afView* child) const;
    afView* getPreviousVisibleSibling() const;
    afView* getNextVisibleSibling() const;
    // The window this view is shown in: up from the host, the first view not attached to a
    // parent, when it is a window.
    afWindow* getWindow() const;
    virtual afWindow* asWindow() { return nullptr; }
    // Around modal work that runs from this view (a long wait): disabling holds the whole program
    // (afMainLoop::Hold: every top-level window disabled, the view's enclosing windows among
    // them) until the matching enable, which gives back what the hold disabled: the nearest
    // enclosing window first, or with all every one of them, outermost first, then the rest;
    // then the nearest takes the focus back unless the user left the keyboard in another window
    // of the program. They pair up, innermost first; an enable without a disable does nothing.
    void disableEnclosingWindows(bool all);
    void enableEnclosingWindows(bool all);

    // ---- Measure and layout
    virtual void measure(uint32_t widthSpec, uint32_t heightSpec);
    virtual void layout();
    virtual afRect getFrame() = 0;
    virtual afRect getContentFrame() = 0;
    virtual void setFrame(const afRect& frame) = 0;
    // The content frame in host coordinates: shifted by each attached parent's origin.
    virtual void getOrigin(afRect* o_rect);
    // The scroll position and the content frame's size.
    virtual void getVisibleRect(afRect* o_rect);
    virtual void onMeasure(uint32_t widthSpec, uint32_t heightSpec);
    virtual void onLayout(bool /*changed*/, const afRect& /*rect*/) {}
    virtual void onSizeChanged(const afRect& /*newFrame*/, const afRect& /*oldFrame*/) {}
    virtual void onHostChanged(afViewPlatform* /*host*/) {}
    // Climbs to the first parent with a pending request; the caller has set its own flag.
    virtual void requestLayout(const wchar_t* reason);
    // Sets the layout flag and requests a layout: what every change of size or content does.
    void relayout(const wchar_t* reason);

    static int32_t resolveSize(int32_t size, uint32_t spec);
    void setMeasuredDimension(int32_t width, int32_t height);
    int32_t getMeasuredWidth() const { return m_measuredWidth; }
    int32_t getMeasuredHeight() const { return m_measuredHeight; }
    uint32_t getFlags() const { return m_flags; }

    void setPadding(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void setPadding(int32_t all) { setPadding(all, all, all, all); }
    void setPadding(const afRect& padding) { setPadding(padding.left, padding.top, padding.right, padding.bottom); }
    const afRect& getPadding() const { return m_padding; }
    void setMinimumSize(int32_t width, int32_t height);
    int32_t getMinimumWidth() const { return m_minimumWidth; }
    int32_t getMinimumHeight() const { return m_minimumHeight; }
    // With show, first shows the view only when the size is at least the minimum and not 0.
    void requestLayoutWidth(bool show, int32_t width);
    void requestLayoutHeight(bool show, int32_t height);
    // Takes the params over; null throws pel::NullPointerException.
    void setLayoutParams(afLayoutParams* params);
    afLayoutParams* getLayoutParams() const { return m_layoutParams.get(); }

    // Adds to rect the offsets from the descendant's coordinates to this view's: each view
    // from the descendant up, its content frame's corner (the top one's frame) less its scroll.
    void offsetDescendantRect(afView* descendant, afRect& io_rect);
    // The point (screen) relative to the view's origin.
    static POINT toLocal(POINT point, afView* view);
    // From the client coordinates of the view's window (its host's for a windowless view) to
    // the screen.
    void mapToScreen(afRect& io_rect) const;

    // ---- Visibility, scrolling, painting
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    virtual void scrollBy(int dx, int dy) { scrollTo(m_scrollX + dx, m_scrollY + dy); }
    virtual void scrollTo(int x, int y);
    int getScrollX() const { return m_scrollX; }
    int getScrollY() const { return m_scrollY; }
    // Hit test in the parent's coordinates, edges included; it does not descend.
    virtual afView* findViewAt(int x, int y) = 0;
    virtual void invalidate(const afRect& rect) = 0;
    virtual void invalidate();
    virtual void onScrollChanged(int /*x*/, int /*y*/, int /*oldX*/, int /*oldY*/) {}
    // A canvas for drawing outside the paint cycle; null without a window.
    virtual std::unique_ptr<afCanvas> createCanvas() = 0;
    // A canvas to measure text with: createCanvas's, or without a window one that draws nowhere.
    std::unique_ptr<afCanvas> createMeasuringCanvas();
    virtual void onParentVisibilityChanged(afView* view, bool shown);
    // area: what needs painting in the view's coordinates; null for everything.
    virtual void draw(afCanvas& canvas, const afRect* area) = 0;
    // Draws the background; false without one.
    virtual bool onDraw(afCanvas& canvas, const afRect* area);
    void setDrawCallback(const DrawCallback& callback) { m_drawCallback = callback; }

    // Takes the drawable over (null removes the background); its padding becomes the view's.
    void setBackground(afDrawable* background);
    afDrawable* getBackground() const { return m_background.get(); }
    void onDrawableChanged(afDrawable* drawable) override;
    // Stores the object; it is deleted with the view when owned.
    void setTag(pel::Object* tag, bool owned = false);
    pel::Object* getTag() const { return m_tag; }

    // ---- Input and focus
    virtual bool onMouseMove(afMouseEvent& /*event*/) { return false; }
    virtual bool onMouseLeave(afMouseEvent& /*event*/) { return false; }
    virtual bool onMouseDown(afMouseEvent& /*event*/) { return false; }
    virtual bool onMouseUp(afMouseEvent& /*event*/) { return false; }
    virtual bool onMouseWheel(afMouseEvent& /*event*/, int /*steps*/) { return false; }
    virtual bool dispatchMouseMove(afMouseEvent& event);
    virtual bool dispatchMouseLeave(afMouseEvent& event);
    virtual bool dispatchMouseDown(afMouseEvent& event);
    virtual bool dispatchMouseUp(afMouseEvent& event);
    virtual bool dispatchMouseWheel(afMouseEvent& event, int steps) { return onMouseWheel(event, steps); }
    // Bubble up through the parents: each view's listeners, then its handler.
    virtual bool dispatchKeyDown(afKeyEvent& event);
    virtual bool dispatchKeyUp(afKeyEvent& event);
    virtual bool onKeyDown(afKeyEvent& /*event*/) { return false; }
    virtual bool onKeyUp(afKeyEvent& /*event*/) { return false; }
    // The view's mnemonic was typed.
    virtual bool onMnemonic(wchar_t /*ch*/) { return false; }
    // Offers the focus to the hosts, innermost first, until one takes it.
    virtual void requestFocus();
    virtual bool hasFocus() const { return false; }
    virtual bool focusChild(afView* /*view*/) { return false; }

    void addMouseListener(MouseListenerKind kind, const MouseListener& listener);
    void removeMouseListener(MouseListenerKind kind, const MouseListener& listener);
    void addKeyListener(KeyListenerKind kind, const KeyListener& listener);
    void removeKeyListener(KeyListenerKind kind, const KeyListener& listener);

    // Counts a press into the event (2 for a double click, up to 7) and remembers it.
    void countClick(afMouseEvent& event);
    // Gives a release the count of the presses before it.
    void stampClickCount(afMouseEvent& event) const { event.setClickCount(m_clickCount); }

protected:
    // Whether a repaint of this view is already covered by its parent's.
    bool parentRepaints() const { return m_parent && (m_parent->m_flags & FLAG_REPAINTING); }
    void setFlags(uint32_t flags) { m_flags |= flags; }
    void clearFlags(uint32_t flags) { m_flags &= ~flags; }
    // Sets the host field only (setHost also tells the view).
    void storeHost(afViewPlatform* host) { m_host = host; }
    // Moves the child at from to the index to, without the tree's add and remove calls.
    void moveChildIndex(int from, int to);
    const std::vector<afView*>& children() const { return m_children; }

private:
    // Gives each window below this windowless view its frame again, through the windowless
    // views between: their places in the host follow this view's.
    void placeWindowsBelow();
    bool dispatchMouse(MouseListenerKind kind, afMouseEvent& event, bool (afView::*handler)(afMouseEvent&));
    bool dispatchKey(KeyListenerKind kind, afKeyEvent& event, bool (afView::*handler)(afKeyEvent&));
    afView* visibleSibling(int step) const;

    std::wstring m_name;
    std::wstring m_contextId;
    tessel::ScopePath m_contexts;
    afView* m_parent = nullptr;
    afViewPlatform* m_host = nullptr;
    std::vector<afView*> m_children;
    pel::Object* m_tag = nullptr;
    bool m_tagOwned = false;
    std::unique_ptr<afLayoutParams> m_layoutParams;
    int32_t m_scrollX = 0;
    int32_t m_scrollY = 0;
    afRect m_padding;
    afRect m_lastLayoutRect;
    int32_t m_minimumWidth = 0;
    int32_t m_minimumHeight = 0;
    int32_t m_measuredWidth = 0;
    int32_t m_measuredHeight = 0;
    uint32_t m_widthSpec = afViewMeasureSpec::AT_MOST;
    uint32_t m_heightSpec = afViewMeasureSpec::AT_MOST;
    uint32_t m_flags = 0;
    std::unique_ptr<afDrawable> m_background;
    std::vector<MouseListener> m_mouseListeners[MOUSE_LISTENER_KINDS];
    std::vector<KeyListener> m_keyListeners[KEY_LISTENER_KINDS];
    int m_clickCount = 0;
    clock_t m_clickTime = 0;
    UINT m_clickKind = 0;
    POINT m_clickPosition = {0, 0};
    DrawCallback m_drawCallback;

protected:
    const DrawCallback& getDrawCallback() const { return m_drawCallback; }
};

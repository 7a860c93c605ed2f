#pragma once
// The view that owns one native window: it makes the window from a Seed (or adopts a control
// made elsewhere), turns its raw messages into view operations (painting, mouse, wheel,
// scrolling, text, focus), tracks its frames, moves its child windows in one deferred batch per
// layout pass, and holds the window's theme, font and callbacks. Its windowless content view
// fills the window; measure, layout, hit tests and drawing are forwarded to it.
//
// Every framework window runs the one window procedure afWidget::s_WndProc, which finds the
// view through a table kept beside the window's "AFWIDGETPTR" property.

#include "afw/core/afDelegate.h"
#include "afw/view/afSeed.h"
#include "afw/view/afView.h"

#include <exception>
#include <string>
#include <vector>
#include <windows.h>
// After windows.h, which it needs.
#include <uxtheme.h>

class afDropTarget;
class afWidget;

class afViewPlatform : public afView {
public:
    enum PaintFlag : uint8_t {
        PAINT_REREAD_TEXT = 0x01, // the cached text is read from the window again
        PAINT_BUFFERED = 0x02,    // painting goes through an off-screen buffer
    };

    using MessageHook = afDelegate<bool(afMessage&)>;
    using EraseCallback = afDelegate<void(afViewPlatform*, afCanvas&)>;
    using CharCallback = afDelegate<void(afViewPlatform*, const afCharEvent&)>;
    // Receives a copy of the new text, may change it; false keeps the old text.
    using TextFilter = afDelegate<bool(afViewPlatform*, std::wstring&)>;
    // Answers WM_SETCURSOR (hit-test code, mouse message): whether it set a cursor.
    using CursorCallback = afDelegate<bool(afViewPlatform*, int, int)>;
    // A scroll request (1 top, 2 bottom, 3 line down, 4 line up, 5 page down, 6 page up,
    // 7 thumb position, 8 thumb track) with the bar's track position.
    using ScrollCallback = afDelegate<void(afViewPlatform*, int, int)>;
    using DestroyCallback = afDelegate<void(afViewPlatform*)>;

    explicit afViewPlatform(afViewPlatform* host);
    ~afViewPlatform() override;

    // The view of a framework window; null for a null window or one without a view.
    static afViewPlatform* getWidget(HWND window);
    HWND getHandle() const { return m_window; }

    // buildSeed, then createWidget. "Seed build failed." when buildSeed refuses.
    bool build();
    // Adopts a window made elsewhere (a system control): subclasses it and reads its visibility.
    bool attach(HWND window);

    // ---- Window making (slots of the platform table)
    // Registers the class once, with the shared window procedure; a refusal ends the program.
    virtual bool registerClass(const afClassRecord& record, bool* io_registered) {
        return registerWindowClass(record, io_registered);
    }
    static bool registerWindowClass(const afClassRecord& record, bool* io_registered);
    virtual bool buildSeed(afSeed& /*seed*/) { return false; }
    // Makes the window; an exception thrown while it was being created comes out here.
    virtual bool createWidget(const afSeed& seed);
    virtual void attachHandle(HWND window, bool subclass);
    virtual void detachHandle(HWND window);
    virtual void onCreate() {}
    virtual void onDestroy() {}
    virtual void onWidgetCreated() {}
    virtual void onHandleCreated();
    virtual void onHandleDestroyed();
    virtual void onDestroyed();

    // ---- Messages
    virtual bool preTranslateMessage(MSG& /*msg*/) { return false; }
    // True when handled; msg.result is then the window procedure's answer.
    virtual bool onRawMessage(afMessage& msg);
    // The previous procedure of a subclassed control, else DefWindowProcW; stores the result.
    virtual LRESULT defaultProc(afMessage& msg);
    // Menus (afViewPlatformMenus.cpp): a popup of ours refreshes its lines before it shows; a
    // chosen line of a bar runs with this view's contexts; owner-drawn lines go to their menu.
    virtual bool onInitMenuPopup(afMessage& msg);
    virtual bool onMenuCommand(afMessage& msg);
    virtual bool onMeasureItem(afMessage& msg);
    virtual bool onDrawItem(afMessage& msg);
    // Selects the menu's first item (MNC_SELECT, item 0).
    virtual bool onMenuChar(afMessage& msg);

    // ---- Frames, visibility, focus
    virtual afRect getInsets();
    // Grows the rectangle by the insets and sets it as the frame.
    virtual void setContentFrame(const afRect& rect);
    virtual void setParentBackground(bool on);
    virtual bool hasParentBackground() const { return m_parentBackground; }
    virtual void setShown(bool show, bool activate);
    // The widget of the focused window inside this one (or of its nearest ancestor below this
    // one that has a widget); null when the focus is elsewhere.
    virtual afViewPlatform* getFocusedWidget();
    virtual void onChildFocus(afViewPlatform* child, bool gained);
    virtual void onFocusGained();
    virtual void onFocusLost();
    virtual void setText(const wchar_t* text);
    virtual std::wstring getText();
    // 0 no border, 1 WS_BORDER, 2 WS_EX_CLIENTEDGE.
    virtual void setBorder(int kind);
    virtual bool hasBorder() const;
    virtual void centerRect(afRect& io_rect);
    virtual void fitToMonitor(afRect& io_rect);

    // ---- Painting
    virtual void drawParentBackground(afCanvas& canvas, const afRect* area);
    // The control paints itself into the canvas (WM_PRINTCLIENT to its own procedure).
    virtual void printClient(afCanvas& canvas);
    void beginUpdate();
    void endUpdate();
    void update(bool invalidateFirst);
    void setPaintFlags(uint8_t flags) { m_paintFlags = flags; }
    uint8_t getPaintFlags() const { return m_paintFlags; }

    // ---- Content, theme, font, drop target
    // Deletes the old content view; the new one is appended to the children.
    void setContentView(afView* view);
    afView* getContentView() const { return m_contentView; }
    void setThemeClass(const std::wstring& name);
    HTHEME getTheme() const { return m_theme; }
    // Null throws pel::InvalidArgumentException.
    void setFont(HFONT font);
    HFONT getFont() const { return m_font; }
    // Takes the target over; the old one is revoked and deleted.
    void setDropTarget(afDropTarget* target);

    // ---- Callbacks and hooks
    void setEraseCallback(const EraseCallback& callback) { m_eraseCallback = callback; }
    void setCharCallback(const CharCallback& callback) { m_charCallback = callback; }
    void setTextFilter(const TextFilter& filter) { m_textFilter = filter; }
    void setCursorCallback(const CursorCallback& callback) { m_cursorCallback = callback; }
    void setScrollCallbacks(const ScrollCallback& vertical, const ScrollCallback& horizontal);
    void setDestroyCallback(const DestroyCallback& callback) { m_destroyCallback = callback; }
    // The hook is in the host's hook list while this view's window exists.
    void setMessageHook(const MessageHook& hook);
    void addHook(const MessageHook& hook);
    void removeHook(const MessageHook& hook);
    void setSuppressChars(bool suppress) { m_suppressChars = suppress; }
    afView* getHoveredView() const { return m_hovered; }

    // ---- Small services
    void setCapture(bool on);
    bool hasCapture() const;
    DWORD getExtendedStyle() const;
    int getControlId() const;
    void setControlId(int id);
    void setClientEdge(bool on);
    void setStyleBits(DWORD bits, bool on);
    void setExtendedStyleBits(DWORD bits, bool on);
    void setScrollInfo(int bar, int minimum, int maximum, int page, int position, bool disableNoScroll);
    void setCursor(HCURSOR cursor);
    // (0, 0) and the content frame's size.
    afRect getClientRect();
    // Which: 1 the big icon, 2 the small one, 3 both.
    void setIcon(HICON icon, int which);
    void restorePreviousProcedure();

    // ---- View slots
    bool isVirtual() const override { return false; }
    const wchar_t* getContextKey() const override { return L"ui.view.platform"; }
    void onAttached() override;
    void onDetached() override;
    void onChildRemoved(afView* child) override;
    // Moves of child windows queue in one deferred batch; invalidations merge into one call.
    void layout() override;
    afRect getFrame() override;
    afRect getContentFrame() override;
    void setFrame(const afRect& frame) override;
    void setVisible(bool visible) override { setShown(visible, true); }
    bool isVisible() const override { return m_shown; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override;
    // Screen coordinates.
    afView* findViewAt(int x, int y) override;
    void invalidate(const afRect& rect) override;
    void invalidate() override;
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    void onLayout(bool changed, const afRect& rect) override;
    void onHostChanged(afViewPlatform* host) override;
    std::unique_ptr<afCanvas> createCanvas() override;
    void onParentVisibilityChanged(afView* view, bool shown) override;
    void draw(afCanvas& canvas, const afRect* area) override;
    bool hasFocus() const override;
    // Gives the keyboard focus to the view's window: what windows answer focusChild with. False
    // when the view has no window.
    static bool focusWindowOf(afView* view);

    // Queues a child window's move in the batch of the layout pass under way. False when no
    // pass is under way or the batch failed: the caller moves the window itself.
    bool deferMove(HWND window, const afRect& rect, UINT flags);
    // Reads the frames from the window when forced or marked dirty; true when a size changed.
    bool refreshFrames(bool force);
    void markFramesDirty() { m_framesDirty = true; }
    bool isShown() const { return m_shown; }
    bool isLayingOut() const { return m_inLayout; }

protected:
    // Store the frames without asking the window (afWidget's moves).
    void storeFrame(const afRect& frame) { m_frame = frame; }
    // Lets go of a window that was detached but not destroyed through this view.
    void forgetHandle() {
        m_window = nullptr;
        m_previousProc = nullptr;
    }

private:
    // What a window going (destroyed, or left behind by a deleted view) must not keep: the
    // host's message hook, the registered drop target, the open theme.
    void releaseWindowServices();
    friend class afWidget;

    struct QueuedMove {
        HWND window;
        afRect rect;
        UINT flags;
    };

    bool onMouseMessage(afMessage& msg);
    bool onPaint(afMessage& msg);
    bool onSetText(afMessage& msg);
    bool onScroll(afMessage& msg);
    bool onWheel(afMessage& msg);
    void applyShown(UINT flags);
    void tellChildrenShown(bool shown);
    bool ancestorsVisible() const;
    void endLayoutPass() noexcept;
    void openTheme();
    void closeTheme();
    void setWindowStyle(int index, DWORD bits, bool on);

    uint8_t m_paintFlags = 0;
    afView* m_contentView = nullptr;
    afRect m_frame;
    afRect m_contentFrame;
    afRect m_insets;
    bool m_framesDirty = true;
    bool m_parentBackground = false;
    bool m_shown = false;
    // The layout pass under way: its batch (begun at the first queued move), the moves queued
    // (replayed one by one should the batch fail), and the merged invalidation.
    bool m_inLayout = false;
    bool m_batchFailed = false;
    HDWP m_deferred = nullptr;
    std::vector<QueuedMove> m_queued;
    afRect m_pendingInvalid;
    bool m_invalidPending = false;
    bool m_invalidAll = false;
    std::vector<HWND> m_childRepaints; // child windows to repaint whole when the pass ends
    std::wstring m_text;
    int m_redrawSuspension = 0;
    HFONT m_font = nullptr;
    HWND m_window = nullptr;
    HTHEME m_theme = nullptr;
    std::wstring m_themeClass;
    WNDPROC m_previousProc = nullptr;
    DestroyCallback m_destroyCallback;
    bool m_tracking = false;
    bool m_suppressChars = false;
    int m_wheelAccumulator = 0;
    afView* m_hovered = nullptr;
    EraseCallback m_eraseCallback;
    CharCallback m_charCallback;
    TextFilter m_textFilter;
    CursorCallback m_cursorCallback;
    ScrollCallback m_verticalScroll;
    ScrollCallback m_horizontalScroll;
    MessageHook m_messageHook;
    std::vector<MessageHook> m_hooks;
    afDropTarget* m_dropTarget = nullptr;
    // An exception of WM_NCCREATE or WM_CREATE, for createWidget to throw again.
    std::exception_ptr m_creationError;
};

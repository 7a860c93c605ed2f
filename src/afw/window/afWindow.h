#pragma once
// The framework's top-level window: a platform view with a title whose windowless content view
// it sizes by a policy per axis, lays out once per posted "PostValidateLayout" message however
// many requests came, navigates by keyboard like a dialog (Tab, mnemonics, Enter on the default
// button, Escape and Alt+F4), closes with a result code, runs a modal loop of its own (every
// other window of the program disabled meanwhile), and saves and restores its placement under
// "app.windows" of the configuration. It keeps the widget that had the keyboard last and gives
// it back whenever the window itself gets it (activated, restored from the taskbar); as it hides
// or closes holding the activation, the open question or the window the user acted in before
// takes it (afActivation).
//
// A window is made without its native window: build (or showModal) creates it, which restores
// the placement. Owners destroy the native window (closeNow, the end of the modal loop) before
// they delete the object.

#include "afw/core/afDelegate.h"
#include "afw/core/afMainLoop.h"
#include "afw/view/afViewPlatform.h"
#include "pel/base/Crc.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessel {
class Config;
}

class afWindow : public afViewPlatform {
public:
    static constexpr uint32_t RESULT_OK = pel::crc32Literal("ok");         // 0x79DCDD47
    static constexpr uint32_t RESULT_CANCEL = pel::crc32Literal("cancel"); // 0x5616C572

    // How the content view is sized on an axis.
    enum SizePolicy : int32_t {
        SIZE_FREE = 0,    // measured unconstrained
        SIZE_CLIENT = 1,  // the client size, at least the minimum; the window grows to the minimum
        SIZE_CONTENT = 2, // the window takes the content's size, at least the minimum, at most its work area
    };

    // Asked before the window closes; false keeps it open.
    using CloseQuery = afDelegate<bool(afWindow*)>;

    // The message the layout validations are posted as, registered once per process.
    static UINT getValidationMessage();

    // The host, when given, owns the window and is its owner window.
    explicit afWindow(afViewPlatform* host = nullptr);
    // A native window still there is a fault of the owner (a soft assertion): it is let go and
    // destroyed without reaching this object again.
    ~afWindow() override;

    afWindow* asWindow() override { return this; }

    // ---- The window's own operations
    // Runs the window modally (building it first when needed) and destroys its native window
    // afterwards; the result code it was closed with, RESULT_CANCEL when it could not be built,
    // was closed otherwise, or is running modally already.
    virtual uint32_t showModal();
    virtual void show() { setShown(true, true); }
    // Modal: ends the loop with the result. Otherwise asks the window to close (WM_CLOSE).
    virtual void close(uint32_t result);
    virtual void closeOk() { close(RESULT_OK); }
    // Closes without the close query (modal: as close(RESULT_CANCEL)).
    virtual void closeNow();
    virtual bool isOpen() const;
    virtual void setTitle(const wchar_t* text);
    // Measures the content view by the size policies, resizes the window where they say so, then
    // lays it out.
    virtual void validateLayout();
    virtual void placeWindow(const afRect& rect) { setFrame(rect); }
    // The work area (the screen less the task bar) of the monitor the window is on, or of its
    // owner's before it is shown; screen coordinates.
    afRect getWorkArea() const;
    // Whether a close may go on: a modal window ends its loop instead, a window that hides on
    // close hides; both refuse.
    virtual bool onCloseRequest();
    virtual void onActivated() {}
    // Disables every other top-level window of the program and shows this one; RESULT_CANCEL
    // stops the modal run.
    virtual uint32_t beginModal();
    // Enables again what beginModal disabled, and gives the keyboard back to the window the user
    // was in as the run began, with its focus.
    virtual void endModal();
    virtual bool canClose();
    // Placement under "app.windows" / the placement key. The state functions do the work; the
    // placement functions do it only when placement is on, with a null config on the service
    // root's, under the Config lock (nothing without a root: a window never creates it).
    virtual void restoreState(tessel::Config* config);
    virtual void saveState(tessel::Config* config);
    virtual void savePlacement(tessel::Config* config);
    virtual void restorePlacement(tessel::Config* config);

    void setCloseQuery(const CloseQuery& query) { m_closeQuery = query; }
    // The width policy as given, the height policy SIZE_CONTENT.
    void setSizePolicy(int32_t widthPolicy);
    int32_t getWidthPolicy() const { return m_widthPolicy; }
    int32_t getHeightPolicy() const { return m_heightPolicy; }
    void setHideOnClose(bool hide) { m_hideOnClose = hide; }
    void setMnemonicsNeedAlt(bool need) { m_mnemonicsNeedAlt = need; }
    // The button Enter clicks; a temporary one leaves the window's own default as it is. Both the
    // old and the new one are repainted.
    void setDefaultButton(afView* button, bool temporary);
    afView* getDefaultButton() const { return m_defaultButton; }
    afView* getCurrentDefaultButton() const { return m_currentDefault; }
    void setPlacementKey(const std::wstring& key) { m_placementKey = key; }
    void setPlacementEnabled(bool enabled) { m_placementDisabled = !enabled; }
    // Whether a restored placement brings back the stored show state (else the window stays
    // hidden until shown).
    void setRestoreShowState(bool restore) { m_restoreShowState = restore; }
    bool isModal() const { return m_modal; }
    uint32_t getResult() const { return m_result; }
    bool isValidationPosted() const { return m_validationPosted; }

    // ---- View and platform slots
    bool isContextRoot() const override { return m_modal || !getHost(); }
    const wchar_t* getContextKey() const override { return L"ui.window"; }
    // A window is never docked under another view.
    void onAttached() override;
    void onDetached() override;
    void onChildAdded(afView* child, int index) override;
    void onChildRemoved(afView* child) override;
    void setFrame(const afRect& frame) override;
    // Merges every request into one posted validation.
    void requestLayout(const wchar_t* reason) override;
    bool onKeyDown(afKeyEvent& event) override;
    void requestFocus() override { setShown(true, true); }
    bool focusChild(afView* view) override { return focusWindowOf(view); }
    bool buildSeed(afSeed& seed) override;
    void onChildFocus(afViewPlatform* child, bool gained) override;
    bool preTranslateMessage(MSG& msg) override;
    bool onRawMessage(afMessage& msg) override;
    void onCreate() override;
    void onWidgetCreated() override;

protected:
    // Gives the seed a first size meant for 96 DPI, in pixels of the screen's and within its
    // work area.
    static void seedSize(afSeed& seed, int width, int height);
    // Registers the class of a kind of window (once, with the arrow cursor and the background) and
    // names it in the seed, with the window's text as the title.
    bool useClass(afSeed& seed, const wchar_t* name, HBRUSH background, bool* io_registered);

private:
    // The "afWindow" class, registered once per process.
    static const wchar_t* registerBaseClass();
    uint32_t runModalLoop();
    bool onActivate(afMessage& msg);
    // Mnemonics: whether the character was taken.
    bool handleMnemonic(wchar_t ch, bool alt);
    void collectMnemonicViews(afView* view, wchar_t ch, std::vector<afView*>& o_views);
    // Gives the focus to the tab stop after (or before) the focused widget.
    void focusNextTabStop(bool previous);
    // The saved focus widget while its window still carries it; null otherwise.
    afViewPlatform* savedFocusWidget() const;
    // The keyboard into the window, when the window itself got it: to the widget saved as it was
    // deactivated, else to the one that had it last, whichever is still there, shown and enabled.
    void restoreFocus();
    // Runs the placement step under the lock of the config it uses.
    void withPlacementConfig(tessel::Config* config, void (afWindow::*step)(tessel::Config*));

    CloseQuery m_closeQuery;
    int32_t m_widthPolicy = SIZE_CLIENT;
    int32_t m_heightPolicy = SIZE_CLIENT;
    bool m_hideOnClose = true;
    bool m_mnemonicsNeedAlt = true;
    bool m_validationPosted = false;
    // A layout was asked for before the native window existed: posted once it does.
    bool m_validationWanted = false;
    bool m_modal = false;
    bool m_forceClose = false;
    bool m_modalEnded = false;
    uint32_t m_result = RESULT_OK;
    uint16_t m_controlIds = 0;
    afViewPlatform* m_savedFocus = nullptr;
    HWND m_savedFocusWindow = nullptr;
    // The widget that had the keyboard last (minimising takes it with no deactivation to save it).
    afViewPlatform* m_lastFocus = nullptr;
    HWND m_lastFocusWindow = nullptr;
    afView* m_defaultButton = nullptr;
    afView* m_currentDefault = nullptr;
    // What beginModal disabled (and endModal enables again).
    std::unique_ptr<afMainLoop::Hold> m_hold;
    bool m_placementDisabled = true;
    std::wstring m_placementKey;
    bool m_restoreShowState = false;
};

#pragma once
// The framework's push button (class "afControlButton"): a window of its own class that draws
// itself, with the visual styles' push button when themes are on and a classic bevel otherwise,
// and handles mouse, keyboard, focus, mnemonic and default-button behaviour itself. It clicks
// on a left-button release over it after a press on it, on the release of Space or Enter
// pressed without modifiers while it has the focus, on its mnemonic, and when its window clicks
// its default button.
//
// The click handler runs last of all a click does: it may close the dialog and delete the button.

#include "afw/core/afDelegate.h"
#include "afw/view/afWidget.h"
#include "afw/window/afIButton.h"

#include <cstdint>
#include <string>

class afControlButton : public afWidget, public afIButton {
public:
    using ClickHandler = afDelegate<void(afControlButton*)>;

    // The bits of the state the button is drawn in.
    enum DrawState : uint32_t {
        STATE_FOCUSED = 0x01,
        STATE_DISABLED = 0x02, // alone: no other bit is set with it
        STATE_HOT = 0x04,
        STATE_DEFAULT = 0x08,
        STATE_PUSHED = 0x10,
    };
    // The visual styles' push-button part and its states.
    enum ThemeState : int { PART_PUSHBUTTON = 1, PBS_NORMAL = 1, PBS_HOT = 2, PBS_PRESSED = 3, PBS_DISABLED = 4, PBS_DEFAULTED = 5 };
    static constexpr UINT CAPTION_FORMAT = DT_CENTER | DT_VCENTER | DT_SINGLELINE; // 0x25

    // Null for a null parent.
    static afControlButton* createInstance(afViewPlatform* parent);
    explicit afControlButton(afViewPlatform* host);

    void setClickHandler(const ClickHandler& handler) { m_clickHandler = handler; }
    // A value the owner attaches (the message box keeps the result the button stands for).
    int32_t getResultId() const { return m_resultId; }
    void setResultId(int32_t id) { m_resultId = id; }
    // Whether Enter in the window clicks this button now: the window's current default button.
    bool isDefault() const;
    // Makes this the default button of its window.
    void setDefault();

    // Runs the click handler, as every click does.
    void click() override;

    uint32_t getDrawState() const;
    // The visual-styles state of a draw state.
    static int themeState(uint32_t drawState);
    bool isHovered() const { return m_hover; }
    bool isPressed() const { return m_pressed; }
    bool isKeyPressed() const { return m_keyPressed; }

    const wchar_t* getContextKey() const override { return L"ui.button"; }
    // The caption on one line within the padding, at least the minimum size.
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    bool onMouseMove(afMouseEvent& event) override;
    bool onMouseLeave(afMouseEvent& event) override;
    bool onMouseDown(afMouseEvent& event) override;
    bool onMouseUp(afMouseEvent& event) override;
    bool onKeyDown(afKeyEvent& event) override;
    bool onKeyUp(afKeyEvent& event) override;
    bool onMnemonic(wchar_t ch) override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;
    bool buildSeed(afSeed& seed) override;
    void onFocusGained() override;
    void onFocusLost() override;
    bool onRawMessage(afMessage& msg) override;
    void onCreate() override;

private:
    void setHover(bool hover);
    // False when the visual styles are off: the classic drawing then draws.
    bool drawThemed(afCanvas& canvas, const afRect& rect, uint32_t state, const std::wstring& caption);
    void drawClassic(afCanvas& canvas, afRect rect, uint32_t state, const std::wstring& caption);

    int32_t m_resultId = 0;
    ClickHandler m_clickHandler;
    bool m_hover = false;
    bool m_pressed = false;
    bool m_keyPressed = false;
    uint32_t m_heldKey = 0;
};

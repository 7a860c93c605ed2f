#pragma once
// A focusable field (class "afControlShortcut") that shows a key combination and records a new
// one when the user presses it: a click, Enter or Space starts the capture, the next complete
// combination is committed, Escape restores the committed one, Backspace or Delete alone
// clears it. The framework draws it: an edit frame with the text centred.

#include "afw/action/afKeyCombination.h"
#include "afw/core/afDelegate.h"
#include "afw/view/afWidget.h"

#include <cstdint>
#include <string>
#include <vector>

class afControlShortcut : public afWidget {
public:
    enum State : uint32_t { STATE_IDLE = 0, STATE_FOCUSED = 1, STATE_CAPTURING = 2 };
    using Listener = afDelegate<void(afControlShortcut*)>;
    // Stock colours: the captured field, the armed highlight and its text, the text otherwise.
    static constexpr int FIELD_COLOUR = 26, ARMED_COLOUR = 10, ARMED_TEXT_COLOUR = 11, TEXT_COLOUR = 28;
    // The visual styles' edit border part and its focused state.
    enum : int { PART_EDITBORDER = 6, STATE_BORDER_FOCUSED = 3 };

    static afControlShortcut* createInstance(afViewPlatform* parent);
    explicit afControlShortcut(afViewPlatform* host);

    // Only modifiers held (or no key at all).
    static bool isIncomplete(afKeyCombination key);

    // Shows the key without telling anyone.
    void setKey(afKeyCombination key);
    // Tells the listeners when the key differs from the committed one, then shows it.
    void commitKey(afKeyCombination key);
    void setState(uint32_t state);
    uint32_t getState() const { return m_state; }
    afKeyCombination getShownKey() const { return m_shownKey; }
    afKeyCombination getCommittedKey() const { return m_committedKey; }
    const std::wstring& getKeyText() const { return m_text; }
    bool isArmed() const { return m_armed; }
    bool isHot() const { return m_hot; }
    void addListener(const Listener& listener) { m_listeners.push_back(listener); }

    const wchar_t* getContextKey() const override { return L"ui.control.shortcut"; }
    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    bool onKeyDown(afKeyEvent& event) override;
    bool onKeyUp(afKeyEvent& event) override;
    bool onMouseDown(afMouseEvent& event) override;
    bool onMouseUp(afMouseEvent& event) override;
    bool onMouseMove(afMouseEvent& event) override;
    bool onMouseLeave(afMouseEvent& event) override;
    void onFocusGained() override;
    void onFocusLost() override;
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;
    bool onRawMessage(afMessage& msg) override;

private:
    void startCapture();
    void setHot(bool hot);

    std::vector<Listener> m_listeners;
    std::wstring m_text;
    afKeyCombination m_shownKey = 0;
    afKeyCombination m_committedKey = 0;
    bool m_hot = false;
    uint32_t m_state = STATE_IDLE;
    bool m_armed = false;
};

#pragma once
// The platform's edit control ("Edit") with change listeners, a key delegate that sees every
// key first, select-all on Ctrl+A, and a cue text the framework draws while it is set. Without
// a vertical scroll bar the multi-line control behaves as one vertically centred line and
// leaves Tab and Enter to the dialog.

#include "afw/control/afControl.h"
#include "afw/core/afDelegate.h"

#include <cstdint>
#include <string>
#include <vector>

class afControlEdit : public afControl {
public:
    enum Option : uint32_t {
        OPTION_VERTICAL_SCROLL = 1,
        OPTION_NO_AUTO_HSCROLL = 2,
        OPTION_READ_ONLY = 4,
    };
    using Listener = afDelegate<void(afControlEdit*)>;
    using KeyDelegate = afDelegate<bool(afControlEdit*, afKeyEvent&)>;
    static constexpr int CUE_COLOUR = 9;
    // What a single-line edit answers WM_GETDLGCODE with: arrows, set-selection, characters.
    static constexpr LRESULT SINGLE_LINE_CODES = DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTCHARS; // 0x89

    static afControlEdit* createInstance(afViewPlatform* parent, uint32_t options = 0);
    explicit afControlEdit(afViewPlatform* host) : afControl(host) {}

    // Before the window is built.
    void setOptions(uint32_t options) { m_options = options; }
    uint32_t getOptions() const { return m_options; }
    void setKeyDelegate(const KeyDelegate& d) { m_keyDelegate = d; }
    void addListener(const Listener& listener) { m_listeners.push_back(listener); }
    void removeListener(const Listener& listener);
    // Null sets an empty text.
    void setText(const wchar_t* text) override;
    void getSelection(int& o_start, int& o_end) const;
    void setSelection(int start, int end);
    void selectAll() { setSelection(0, -1); }
    void setCueText(const std::wstring& text);
    const std::wstring& getCueText() const { return m_cueText; }

    const wchar_t* getContextKey() const override { return L"ui.edit"; }
    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    bool onReflectedMessage(afMessage& msg) override;
    bool onKeyDown(afKeyEvent& event) override;
    bool onRawMessage(afMessage& msg) override;
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;

private:
    bool singleLine() const { return !(m_options & OPTION_VERTICAL_SCROLL); }
    // One line of text centred vertically in the client area less the padding.
    void updateFormattingRect();
    void drawCueText(HDC dc);

    KeyDelegate m_keyDelegate;
    std::vector<Listener> m_listeners;
    uint32_t m_options = 0;
    std::wstring m_cueText;
};

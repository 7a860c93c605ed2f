#pragma once
// A windowless button of the status strip: a grey label followed by its text ("Line:  " "12"),
// drawn inside its host, as tall as its font's line and as wide as its texts (or the room given
// for a sample text). A press inside shows it pressed; releasing it inside runs the click
// handler once. Owners also show it pressed while a popup of theirs is open.

#include "afw/core/afDelegate.h"
#include "afw/view/afViewVirtual.h"

#include <string>

class afMenu;
class afMenuNode;

class ViewVirtualButton : public afViewVirtual {
public:
    using ClickHandler = afDelegate<void(ViewVirtualButton*)>;
    // Stock colours: the label, the text, the pressed face and its frame.
    static constexpr int LABEL_COLOUR = 9, TEXT_COLOUR = 7, PRESSED_COLOUR = 4, PRESSED_FRAME_COLOUR = 6;
    // Around the texts, at 96 DPI.
    static constexpr int PADDING_X = 6, PADDING_Y = 2;

    explicit ViewVirtualButton(afViewPlatform* host);

    void setLabel(const std::wstring& label);
    const std::wstring& getLabel() const { return m_label; }
    // Acts only when the text differs: the button then asks for a layout and repaints.
    void setText(const std::wstring& text);
    const std::wstring& getText() const { return m_text; }
    // The button is at least as wide as its label followed by the sample (digits that the text
    // may grow to, so that the strip does not move as it does); empty for no such room.
    void setRoomFor(const std::wstring& sample);
    void setClickHandler(const ClickHandler& handler) { m_clickHandler = handler; }
    void setPressed(bool pressed);
    bool isPressed() const { return m_pressed; }
    // Runs the popup beside the button (above it, or below it for a button at a window's top),
    // shown pressed meanwhile: the line chosen, or null.
    afMenuNode* trackMenu(afMenu& menu, bool below = false);

    const wchar_t* getContextKey() const override { return L"ui.view.virtual.button"; }
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;
    bool onMouseDown(afMouseEvent& event) override;
    bool onMouseUp(afMouseEvent& event) override;
    // Taken, so the host reports when the mouse leaves; a press that leaves is let go.
    bool onMouseMove(afMouseEvent& event) override;
    bool onMouseLeave(afMouseEvent& event) override;

private:
    // A new value asks for a layout (for the reason) and repaints; the same one does nothing.
    void change(std::wstring& io_field, const std::wstring& value, const wchar_t* reason);

    std::wstring m_label, m_text, m_sample;
    ClickHandler m_clickHandler;
    HFONT m_font;
    bool m_pressed = false;
};

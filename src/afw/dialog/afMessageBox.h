#pragma once
// The framework's own modal question window (class "afMessageBox"): an optional icon, a
// word-wrapped message, an optional check box and a row of buttons, each closing the box with
// the result it was added with. Escape and the close box give RESULT_CANCEL. It is as wide as its
// content needs (at least a minimum, at most the screen), its message wrapped in lines of the
// minimum box's length. Subclasses (one-line input dialogs) extend the content that buildContent
// makes.

#include "afw/window/afTaskWindow.h"

#include <cstdint>
#include <string>

class afControlButton;
class afControlCheckBox;
class afIcon;
class afLabel;
class afLayoutLinear;

class afMessageBox : public afTaskWindow {
public:
    static constexpr const wchar_t* PLACEHOLDER_TEXT = L"<Hey! Fill the text, will ya?>";
    // The narrowest box at 96 DPI, scaled to the screen's; content that needs more widens it.
    static constexpr int32_t MINIMUM_WIDTH = 500;
    // Stock colours of the bands: the button row, the line above it, the message area.
    static constexpr int BUTTON_BAND_COLOUR = 4, LINE_COLOUR = 6, MESSAGE_BAND_COLOUR = 26;

    // A box whose window is built, owned by the owner when one is given.
    static afMessageBox* createInstance(afViewPlatform* owner);
    explicit afMessageBox(afViewPlatform* owner = nullptr) : afTaskWindow(owner) {}

    void setText(const std::wstring& text);
    // The icon (borrowed) on the icon label, shown only when one is given.
    void setIcon(const afIcon* icon);
    // A button closing the box with resultId; the default one takes the focus.
    afControlButton* addButton(const std::wstring& caption, uint32_t resultId, bool isDefault);
    // Shows the check box, unchecked. An empty text throws pel::InvalidArgumentException.
    void setCheckBox(const std::wstring& text);
    // The check box now while the window lives; afterwards what it showed when the box closed.
    bool isChecked() const;

    afLabel* getTextLabel() const { return m_textLabel; }
    afLabel* getIconLabel() const { return m_iconLabel; }
    afControlCheckBox* getCheckBox() const { return m_checkBox; }
    afLayoutLinear* getButtonRow() const { return m_buttonRow; }
    afLayoutLinear* getButtonBlock() const { return m_buttonBlock; }

    const wchar_t* getContextKey() const override { return L"ui.message_box"; }
    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    void endModal() override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;

protected:
    // Builds the content: the message block (icon, text, check box) over the button block. A
    // subclass adds its own views to getMessageColumn() after calling it.
    virtual void buildContent();
    afLayoutLinear* getMessageColumn() const { return m_messageColumn; }

private:
    void buttonClicked(afControlButton* button);
    // Gives the message's lines the length a box of the minimum width leaves them.
    void limitText();

    afLabel* m_iconLabel = nullptr;
    afLabel* m_textLabel = nullptr;
    afLayoutLinear* m_messageColumn = nullptr;
    afLayoutLinear* m_buttonBlock = nullptr;
    afLayoutLinear* m_buttonRow = nullptr;
    afControlCheckBox* m_checkBox = nullptr;
    bool m_checked = false;
};

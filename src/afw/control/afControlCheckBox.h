#pragma once
// A check box the framework draws itself over a platform "Button": the visual styles' check box
// part when themes are on, the classic frame control otherwise. A click or its mnemonic toggles
// it (an indeterminate box becomes checked) and then tells the changed handler.

#include "afw/control/afControl.h"
#include "afw/core/afDelegate.h"

class afControlCheckBox : public afControl {
public:
    using ChangedHandler = afDelegate<void(afControlCheckBox*)>;
    // The visual styles' check box part and the first state of each check state.
    enum : int { PART_CHECKBOX = 3, STATE_UNCHECKED = 1, STATE_CHECKED = 5, STATE_MIXED = 9, STATE_DISABLED_STEP = 3 };
    static constexpr int TEXT_GAP = 5; // between the box and the text, at 96 DPI

    static afControlCheckBox* createInstance(afViewPlatform* parent);
    explicit afControlCheckBox(afViewPlatform* host) : afControl(host) { setParentBackground(true); }

    void setChangedHandler(const ChangedHandler& handler) { m_changed = handler; }
    bool isChecked() const;
    void setChecked(bool checked);
    // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
    int getCheckState() const;
    // The themed state the box is drawn in now.
    int themeState() const;
    // What a click does: toggles, then tells the handler.
    void toggle();

    const afRect& getBoxRect() const { return m_boxRect; }
    const afRect& getTextRect() const { return m_textRect; }

    const wchar_t* getContextKey() const override { return L"ui.check_box"; }
    bool buildSeed(afSeed& seed) override;
    bool onReflectedMessage(afMessage& msg) override;
    bool onRawMessage(afMessage& msg) override;
    bool onMnemonic(wchar_t ch) override;
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    void onLayout(bool changed, const afRect& rect) override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;

private:
    // Places the box and the text in the client area.
    void arrange(afCanvas& canvas, const afRect& client);
    SIZE boxSize(afCanvas& canvas);

    ChangedHandler m_changed;
    afRect m_boxRect;
    afRect m_textRect;
    afRect m_focusRect;
};

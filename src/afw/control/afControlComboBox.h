#pragma once
// The platform's extended combo box ("ComboBoxEx32"), editable or a drop-down list, whose items
// carry a text, an image and a record the control owns: a data word and a mark. The owner hears
// of selection changes and of each record just before it is freed. The platform's inner combo
// control is a plain child widget of the control, which measures by it.

#include "afw/control/afControl.h"
#include "afw/core/afDelegate.h"

#include <commctrl.h>
#include <cstdint>
#include <string>

class afControlComboBox : public afControl {
public:
    struct Item {
        uintptr_t data = 0;
        bool marked = false;
    };
    using SelectionChanged = afDelegate<void(afControlComboBox*)>;
    using ItemRemoved = afDelegate<void(afControlComboBox*, Item*)>;
    // How much taller than the control its drop-down list is.
    static constexpr int DROP_DOWN_EXTRA = 100;
    static constexpr int MAX_TEXT = 255;

    static afControlComboBox* createInstance(afViewPlatform* parent);
    explicit afControlComboBox(afViewPlatform* host) : afControl(host) {}
    // The records still held go first, the owner told of each.
    ~afControlComboBox() override;

    // Before the window is built: a drop-down list (true) or an editable drop-down.
    void setListOnly(bool listOnly) { m_listOnly = listOnly; }
    void setIndented() { m_indent = 1; }
    void setSelectionChanged(const SelectionChanged& d) { m_selectionChanged = d; }
    void setItemRemoved(const ItemRemoved& d) { m_itemRemoved = d; }

    void addItem(const std::wstring& text, int image, uintptr_t data);
    // False for -1 or a missing item (out untouched); at most MAX_TEXT characters.
    bool getItemText(int index, std::wstring& out) const;
    Item* getItemData(int index) const;
    void removeItem(int index);
    // From the last item to the first.
    void removeAllItems();
    void markItem(int index);
    std::wstring getSelectedText() const;
    int getSelection() const;
    void setSelection(int index);
    void clearSelection() { setSelection(-1); }
    // The first item with exactly the text; no match clears the selection.
    void selectText(const std::wstring& text);
    int getCount() const;
    int findItem(uintptr_t data) const;
    void setImageList(HIMAGELIST list, bool own);

    // The wrapped inner combo control; null before the window is built.
    afWidget* getInner() const { return m_inner; }

    const wchar_t* getContextKey() const override { return L"ui.combo_box"; }
    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    bool onReflectedMessage(afMessage& msg) override;
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    bool onRawMessage(afMessage& msg) override;

private:
    void releaseAll();

    afWidget* m_inner = nullptr; // a child view
    bool m_listOnly = false;
    SelectionChanged m_selectionChanged;
    ItemRemoved m_itemRemoved;
    int m_indent = 0;
    HIMAGELIST m_imageList = nullptr;
    bool m_ownsImageList = false;
};

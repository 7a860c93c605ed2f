#pragma once
// A plain list of entries with titles and check and enabled states, which list-like controls
// and menus read: the model owns its entries and deletes them with itself.

#include "afw/core/afDelegate.h"
#include "pel/base/Object.h"

#include <cstdint>
#include <string>
#include <vector>

class afStaticMenuModelItem : public pel::Object {
public:
    using StateDelegate = afDelegate<bool(afStaticMenuModelItem&)>;

    // Enabled and unchecked.
    explicit afStaticMenuModelItem(const std::wstring& title, const std::wstring& text = std::wstring());

    const std::wstring& getTitle() const { return m_title; }
    const std::wstring& getText() const { return m_text; }
    void setChecked(bool checked) { m_checked = checked; }
    void setCheckedDelegate(const StateDelegate& delegate) { m_checkedDelegate = delegate; }
    // The checked delegate's answer when one is set, else the stored flag.
    bool isChecked();
    bool isEnabled() const { return m_enabled; }
    void setStateDelegate(const StateDelegate& delegate) { m_stateDelegate = delegate; }
    // The state delegate's answer; false without one.
    bool getState();

private:
    std::wstring m_title;
    std::wstring m_text;
    bool m_enabled = true;
    bool m_checked = false;
    StateDelegate m_checkedDelegate;
    StateDelegate m_stateDelegate;
};

class afStaticMenuModel : public pel::Object {
public:
    afStaticMenuModel() = default;
    ~afStaticMenuModel() override;
    afStaticMenuModel(const afStaticMenuModel&) = delete;
    afStaticMenuModel& operator=(const afStaticMenuModel&) = delete;

    int32_t getSelection() const { return m_selection; }
    void setSelection(int32_t index) { m_selection = index; }
    const std::wstring& getTitle() const { return m_title; }
    void setTitle(const std::wstring& title) { m_title = title; }

    // Appends the item (insert at -1).
    afStaticMenuModelItem* add(afStaticMenuModelItem* item) { return insert(item, -1); }
    // Takes the item (null is refused with null). An item already in the list stays where it is;
    // an index from 1 to count - 1 inserts before that position; any other index appends.
    afStaticMenuModelItem* insert(afStaticMenuModelItem* item, int32_t index);
    // Takes the item at the index out and hands it to the caller; null for a bad index.
    afStaticMenuModelItem* remove(int32_t index);
    // Null when the index is negative or not below the count.
    afStaticMenuModelItem* getItem(int32_t index) const;
    // The item's index; 0 when it is absent, as for the first item.
    int32_t indexOf(const afStaticMenuModelItem* item) const;
    int32_t getCount() const { return static_cast<int32_t>(m_items.size()); }

private:
    std::vector<afStaticMenuModelItem*> m_items;
    std::wstring m_title;
    int32_t m_selection = 0;
};

#pragma once
// The common tab control with one page view per tab: the pages live in a vertical linear layout
// that fills the control, only the selected one is shown, and the layout's padding follows the
// control's display area. Owners may veto a change; Ctrl+Tab and Ctrl+Shift+Tab can cycle.

#include "afw/control/afControl.h"
#include "afw/core/afDelegate.h"

#include <string>
#include <vector>

class afLayoutLinear;

class afControlTabs : public afControl {
public:
    // (page shown, page about to be shown) -> false vetoes the change.
    using ChangeHandler = afDelegate<bool(afView*, afView*)>;

    // Null for a null parent.
    static afControlTabs* createInstance(afViewPlatform* parent);
    explicit afControlTabs(afViewPlatform* host);

    // Appends a tab whose page starts hidden; the new tab is not selected. Returns its index.
    int addTab(const std::wstring& caption, afView* page);
    // Takes the tab and its page out (the page is hidden, not deleted: its owner node frees it);
    // when it was the selected one, its right neighbour, else its left one, is selected.
    void removeTab(int index);
    void setTabText(int index, const std::wstring& caption);
    // The index of the page's tab, or -1.
    int indexOfPage(const afView* page) const;
    int getCurrentIndex() const;
    int getCount() const;
    afView* getPageAt(int index) const;
    afView* getCurrentPage() const { return m_currentPage; }
    // An index outside the tabs changes nothing.
    void setCurrentIndex(int index);
    void enableCtrlTab() { m_ctrlTab = true; }
    void addChangeHandler(const ChangeHandler& handler) { m_changeHandlers.push_back(handler); }
    afLayoutLinear* getContent() const { return m_content; }

    const wchar_t* getContextKey() const override { return L"ui.tabs"; }
    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    bool onKeyDown(afKeyEvent& event) override;
    bool onRawMessage(afMessage& msg) override;
    bool onReflectedMessage(afMessage& msg) override;
    virtual void onTabChanged(int index);

private:
    // The content's padding from the control's display area, 5 pixels inside it.
    void updatePadding();

    afLayoutLinear* m_content = nullptr;
    std::vector<ChangeHandler> m_changeHandlers;
    int m_currentIndex = -1;
    afView* m_currentPage = nullptr;
    bool m_ctrlTab = false;
};

#pragma once
// The platform's list view ("SysListView32") for tables with columns, such as the log window:
// rows inserted at the top, a data word per row, an optional small-image list.

#include "afw/control/afControl.h"

#include <commctrl.h>
#include <cstdint>
#include <string>
#include <vector>

class afControlListView : public afControl {
public:
    enum ViewMode : uint32_t { MODE_REPORT = 0, MODE_LIST = 1, MODE_ICONS = 2, MODE_SMALL_ICONS = 3 };
    static constexpr uint32_t COLUMN_LAYOUT_FLAG = 0x20000000;

    struct Column {
        std::wstring text;
        uint32_t width; // the width in the low 28 bits, with COLUMN_LAYOUT_FLAG
        int format;
    };

    // Report mode.
    static afControlListView* createInstance(afViewPlatform* parent);
    explicit afControlListView(afViewPlatform* host) : afControl(host) {}
    ~afControlListView() override;

    // Before the window is built; a mode above 3 makes building fail.
    void setViewMode(uint32_t mode) { m_viewMode = mode; }
    void insertColumn(const std::wstring& text, int width, int format);
    // A row at the top; its index, or -1 (logged) when the platform refuses.
    int insertItem(const std::wstring& text, int image, LPARAM data);
    // The second column of the first row; false (logged) when the platform refuses.
    bool setSubItemText(const wchar_t* text, int length);
    LPARAM getItemData(int index) const;
    int findItem(LPARAM data) const;
    int getItemCount() const;
    void removeItem(int index);
    void removeAll();
    void setFullRowSelect();
    void setImageList(HIMAGELIST list, bool own);
    const std::vector<Column>& getColumns() const { return m_columns; }
    bool areColumnsDirty() const { return m_columnsDirty; }

    const wchar_t* getContextKey() const override { return L"ui.grid"; }
    bool buildSeed(afSeed& seed) override;

private:
    HIMAGELIST m_imageList = nullptr;
    bool m_ownsImageList = false;
    uint32_t m_viewMode = MODE_REPORT;
    std::vector<Column> m_columns;
    bool m_columnsDirty = false;
};

#pragma once
// The platform's list view ("SysListView32") for tables with columns, such as the log window:
// rows inserted at the top, a data word per row, an optional small-image list. Its columns and
// its height can be given in what its font shows: a column as wide as a text, the list as tall
// as a number of rows.

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
    // The width a column needs to show the text (its header, or the widest value it takes) whole
    // in the list's font, with the margins the list keeps around a column's text.
    int columnWidthFor(const std::wstring& text) const;
    // Measured as tall as its header and that many rows of its font; 0 leaves the height to the
    // layout.
    void setVisibleRows(int rows);
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
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;

private:
    HIMAGELIST m_imageList = nullptr;
    bool m_ownsImageList = false;
    uint32_t m_viewMode = MODE_REPORT;
    std::vector<Column> m_columns;
    bool m_columnsDirty = false;
    int m_visibleRows = 0;
};

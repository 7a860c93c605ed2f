#pragma once
// The framework's owner-drawn virtual list (class "afControlLister"): it holds only a row
// count; its owner measures and draws each row through delegates, and the lister scrolls,
// selects, answers keys and the mouse, and shows a centred text while it is empty.

#include "afw/core/afDelegate.h"
#include "afw/view/afViewEvents.h"
#include "afw/view/afWidget.h"

#include <cstdint>
#include <string>

class afControlLister : public afWidget {
public:
    enum RowsMode : uint32_t {
        ROWS_FIT = 0,     // as many rows as the height holds
        ROWS_AT_MOST = 1, // fixedRows, fewer when the count is smaller
        ROWS_EXACTLY = 2, // fixedRows
    };
    // The rows of a lister without a measure delegate.
    static constexpr int32_t DEFAULT_ITEM_WIDTH = 100, DEFAULT_ITEM_HEIGHT = 16;
    static constexpr int EMPTY_MARGIN = 20, EMPTY_FONT = 4, EMPTY_COLOUR = 9, BACKGROUND_COLOUR = 26;
    static constexpr int SELECTION_COLOUR = 10, PASSIVE_SELECTION_COLOUR = 4;
    // The visual styles' list-view item part and its selected states.
    enum : int { PART_LISTITEM = 1, STATE_SELECTED = 3, STATE_SELECTED_NOT_FOCUSED = 5 };

    using DrawItem = afDelegate<void(afCanvas&, int32_t, bool, const afRect&)>;
    using MeasureItem = afDelegate<bool(int32_t, bool, afCanvas&, SIZE&)>;
    using Notice = afDelegate<void()>;
    using IndexNotice = afDelegate<void(int32_t)>;
    using ContextMenu = afDelegate<void(int32_t, afMouseEvent&)>;

    static afControlLister* createInstance(afViewPlatform* parent);
    explicit afControlLister(afViewPlatform* host);

    void setCount(int32_t count, bool remeasure);
    int32_t getCount() const { return m_count; }
    void setFixedRows(int32_t rows, uint32_t mode);
    void setEmptyText(const std::wstring& text);
    const std::wstring& getEmptyText() const { return m_emptyText; }
    void setPassive(bool passive);
    bool isPassive() const { return m_passive; }
    void setMeasureWidths(bool on) { m_measureWidths = on; }
    // Clamps to the rows (to -1 with allowNone, else 0); whether the selection changed.
    bool select(int32_t index, bool allowNone);
    int32_t getSelected() const { return m_selected; }
    void ensureVisible(int32_t index);
    // The row at the client y; -1 past the rows or while the rows are unmeasured.
    int32_t indexAt(int y) const;
    // False when the row is not visible.
    bool itemRect(int32_t index, afRect& o_rect) const;
    void invalidateItem(int32_t index);
    void measureItems();
    // Sets the first visible row, clamped.
    void scrollToRow(int32_t first);
    // One of the framework's scroll codes (1 top ... 8 thumb track) with the thumb position.
    void scroll(int code, int position);
    // The selected row's background, as drawItem delegates draw it.
    void drawSelection(afCanvas& canvas, const afRect& rect);

    int32_t getFirst() const { return m_first; }
    int32_t getVisibleRows() const { return m_visibleRows; }
    int32_t getItemWidth() const { return m_itemWidth; }
    int32_t getItemHeight() const { return m_itemHeight; }
    bool isEmpty() const { return m_empty; }

    void setDrawItem(const DrawItem& d) { m_drawItem = d; }
    void setMeasureItem(const MeasureItem& d) { m_measureItem = d; }
    void setMeasureBegin(const Notice& d) { m_measureBegin = d; }
    void setMeasureEnd(const Notice& d) { m_measureEnd = d; }
    void setSelectionChanged(const IndexNotice& d) { m_selectionChanged = d; }
    void setActivate(const IndexNotice& d) { m_activate = d; }
    void setContextMenu(const ContextMenu& d) { m_contextMenu = d; }

    const wchar_t* getContextKey() const override { return L"ui.lister"; }
    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    void onLayout(bool changed, const afRect& rect) override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;
    bool onMouseDown(afMouseEvent& event) override;
    bool onMouseWheel(afMouseEvent& event, int steps) override;
    bool onKeyDown(afKeyEvent& event) override;
    bool onRawMessage(afMessage& msg) override;

private:
    void onScrollBar(afViewPlatform* view, int code, int position);
    void updateScrollBar();
    int32_t lastFirst() const;

    bool m_passive = false;
    int32_t m_count = 0;
    int32_t m_visibleRows = 0;
    int32_t m_fixedRows = 10;
    uint32_t m_rowsMode = ROWS_FIT;
    bool m_measureWidths = false;
    std::wstring m_emptyText;
    bool m_empty = true;
    int32_t m_first = 0;
    int32_t m_selected = 0;
    int32_t m_itemWidth = 0;
    // 0 until measured: no row can be hit or shown before.
    int32_t m_itemHeight = 0;
    DrawItem m_drawItem;
    MeasureItem m_measureItem;
    Notice m_measureBegin;
    Notice m_measureEnd;
    IndexNotice m_selectionChanged;
    IndexNotice m_activate;
    ContextMenu m_contextMenu;
};

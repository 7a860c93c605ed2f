#pragma once
// The action chooser: the window key dispatch opens when several actions tie for a key or a
// tab trigger. A filter field over a list of the candidates' titles (with the category and
// icon of bundle items); typing narrows the rows to the titles that hold the typed text. Run
// modally, Enter or a double click pick the selected row (RESULT_OK), Escape cancels and losing
// the activation closes it (RESULT_CLOSE); the pick is the candidate's index in the list given.
// The choice's look may title the window and name the candidate in force: that row carries a
// check mark and is selected while nothing is typed.

#include "afw/action/afActionChooser.h"
#include "afw/action/afActionFilterData.h"
#include "afw/window/afTaskWindow.h"

#include <string>
#include <vector>

class afControlEdit;
class afControlLister;

class ActionSelectWindow : public afTaskWindow {
public:
    static constexpr uint32_t RESULT_CLOSE = pel::crc32Literal("close"); // 0x130181C4
    // Sizes at 96 DPI: the narrowest window, the room around a row's text and before an icon.
    static constexpr int32_t MINIMUM_WIDTH = 420, ROW_PADDING = 4, ICON_GAP = 4;
    static constexpr int32_t VISIBLE_ROWS = 12;
    // Stock colours: text, selected text, the category.
    static constexpr int TEXT_COLOUR = 28, SELECTED_TEXT_COLOUR = 11, CATEGORY_COLOUR = 9;

    // Installs the chooser that runs this window for key dispatch; returns the previous one.
    static afActionChooser install();
    // What the installed chooser does: runs the window modally over the owner.
    static afActionChoice choose(afViewPlatform* owner, const std::vector<afActionCandidate>& candidates);

    // The candidates and the look are read here, before the window is built.
    ActionSelectWindow(afViewPlatform* owner, const std::vector<afActionCandidate>& candidates,
                       const afActionChooserLook& look = afActionChooserLook());
    ~ActionSelectWindow() override;

    // The picked candidate's index in the list given; -1 unless the window ended with RESULT_OK.
    int getPicked() const { return m_picked; }
    // The rows shown now: how many, and each one's candidate index and text ("title", or
    // "title\tcategory" for a bundle item).
    int getRowCount() const { return static_cast<int>(m_visible.size()); }
    int getRowCandidate(int row) const;
    // The candidate in force, marked; -1 for none.
    int getCurrent() const { return m_current; }
    std::wstring getRowText(int row) const;
    afControlEdit* getFilterEdit() const { return m_edit; }
    afControlLister* getLister() const { return m_lister; }

    const wchar_t* getContextKey() const override { return L"ui.window.action_select"; }
    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    void close(uint32_t result) override;
    bool onRawMessage(afMessage& msg) override;

private:
    // Shows the rows whose title holds the filter text (ignoring case), the first one selected.
    void applyFilter(const std::wstring& filter);
    void filterChanged(afControlEdit* edit);
    bool filterKey(afControlEdit* edit, afKeyEvent& event);
    void activate(int32_t row);
    bool measureRow(int32_t row, bool selected, afCanvas& canvas, SIZE& o_size);
    void drawRow(afCanvas& canvas, int32_t row, bool selected, const afRect& rect);
    const wchar_t* column(int row, size_t index, size_t* o_length) const;

    afActionFilterData m_data;
    // The filter data's rows in the order of the candidates, and the candidate indices shown.
    std::vector<FilterData::Row> m_rows;
    std::vector<int> m_visible;
    afControlEdit* m_edit = nullptr;
    afControlLister* m_lister = nullptr;
    int m_picked = -1;
    int m_current = -1;
    bool m_closing = false;
};

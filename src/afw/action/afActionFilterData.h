#pragma once
// Candidate actions as rows of the action chooser: the title, the category (shown for bundle
// items), the key text and the tab-trigger word.

#include "afw/action/FilterData.h"
#include "afw/action/afAction.h"

#include <array>
#include <vector>

class afActionFilterData : public FilterData {
public:
    static constexpr size_t COLUMN_TITLE = 0, COLUMN_CATEGORY = 1, COLUMN_KEY = 2, COLUMN_TAB_TRIGGER = 3;

    // The texts are read once, here.
    explicit afActionFilterData(const std::vector<afActionCandidate>& candidates);

    size_t getRowCount() const override { return m_rows.size(); }
    size_t getColumnCount() const override { return 4; }
    Row first() override;
    Row next() override;
    const wchar_t* getColumnText(Row row, size_t column, size_t* o_length) const override;

    // The candidate a row stands for.
    static const afActionCandidate& candidateOf(Row row);

private:
    struct Entry {
        afActionCandidate candidate; // first: a row points at its entry
        std::array<std::wstring, 4> columns;
    };

    std::vector<Entry> m_rows;
    size_t m_next = 0;
};

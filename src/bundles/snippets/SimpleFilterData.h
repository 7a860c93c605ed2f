#pragma once
// A set of rows for the suggestion windows whose texts its owner sets: one line of text columns
// per row.

#include "afw/action/FilterData.h"

#include <string>
#include <vector>

class SimpleFilterData : public FilterData {
public:
    SimpleFilterData(const std::wstring& title, uint32_t weight, bool enabled, size_t columns);

    void addRow(const std::vector<std::wstring>& columns);
    void clearRows();

    size_t getRowCount() const override { return m_rows.size(); }
    size_t getColumnCount() const override { return m_columns; }
    Row first() override;
    Row next() override;
    const wchar_t* getColumnText(Row row, size_t column, size_t* o_length) const override;

private:
    size_t m_columns;
    std::vector<std::vector<std::wstring>> m_rows;
    size_t m_next = 0;
};

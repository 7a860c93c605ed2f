#include "bundles/snippets/SimpleFilterData.h"

SimpleFilterData::SimpleFilterData(const std::wstring& title, uint32_t weight, bool enabled, size_t columns)
    : m_columns(columns) {
    setTitle(title);
    setWeight(weight, enabled);
}

void SimpleFilterData::addRow(const std::vector<std::wstring>& columns) { m_rows.push_back(columns); }

void SimpleFilterData::clearRows() {
    m_rows.clear();
    m_next = 0;
}

FilterData::Row SimpleFilterData::first() {
    m_next = 0;
    return next();
}

FilterData::Row SimpleFilterData::next() { return m_next < m_rows.size() ? &m_rows[m_next++] : nullptr; }

const wchar_t* SimpleFilterData::getColumnText(Row row, size_t column, size_t* o_length) const {
    const auto* columns = static_cast<const std::vector<std::wstring>*>(row);
    static const wchar_t empty[] = L"";
    const wchar_t* text = columns && column < columns->size() ? (*columns)[column].c_str() : empty;
    if (o_length)
        *o_length = columns && column < columns->size() ? (*columns)[column].size() : 0;
    return text;
}

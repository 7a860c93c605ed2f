#include "afw/action/FilterData.h"

#include <cwchar>

namespace {

std::wstring firstText(FilterData& data) {
    size_t length = 0;
    const FilterData::Row row = data.first();
    const wchar_t* text = row ? data.getColumnText(row, 0, &length) : nullptr;
    return text ? std::wstring(text, length) : std::wstring();
}

template <class T> int order(const T& a, const T& b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

} // namespace

int FilterData::compare(FilterData& other, bool byText) {
    return byText ? order(firstText(*this), firstText(other)) : order(m_weight, other.m_weight);
}

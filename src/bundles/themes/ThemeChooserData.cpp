#include "bundles/themes/ThemeChooserData.h"
#include "bundles/themes/ThemeManager.h"

#include <algorithm>

namespace tessel {

ThemeChooserData::ThemeChooserData(const ThemeManager& themes) : m_themes(themes) { setTitle(L"Themes"); }

void ThemeChooserData::refresh() {
    m_entries.clear();
    m_next = 0;
    for (const auto& installed : m_themes.getThemes())
        m_entries.push_back({installed.first, installed.second->getTitle(), installed.first.toString()});
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const Entry& a, const Entry& b) { return _wcsicmp(a.title.c_str(), b.title.c_str()) < 0; });
}

std::shared_ptr<DocumentTheme> ThemeChooserData::lookup(const pel::UUID& uuid) const { return m_themes.findTheme(uuid); }

FilterData::Row ThemeChooserData::first() {
    m_next = 0;
    return next();
}

FilterData::Row ThemeChooserData::next() { return m_next < m_entries.size() ? &m_entries[m_next++] : nullptr; }

const wchar_t* ThemeChooserData::getColumnText(Row row, size_t column, size_t* o_length) const {
    const auto* entry = static_cast<const Entry*>(row);
    const std::wstring* text = !entry ? nullptr : column == 0 ? &entry->title : column == 1 ? &entry->uuidText : nullptr;
    if (o_length)
        *o_length = text ? text->size() : 0;
    return text ? text->c_str() : L"";
}

} // namespace tessel

#pragma once
// The installed themes as a chooser lists them: one row per theme, by title ignoring case, with
// its title and the text of its UUID as columns, read anew by refresh; lookup gives the theme a
// picked UUID names (the default theme for one no longer installed). The ThemeManager makes it.

#include "afw/action/FilterData.h"

#include "pel/base/UUID.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessel {

class DocumentTheme;
class ThemeManager;

class ThemeChooserData : public FilterData {
public:
    struct Entry {
        pel::UUID uuid;
        std::wstring title;
        std::wstring uuidText;
    };

    explicit ThemeChooserData(const ThemeManager& themes);

    // Reads the installed themes again.
    void refresh();
    const std::vector<Entry>& getEntries() const { return m_entries; }
    std::shared_ptr<DocumentTheme> lookup(const pel::UUID& uuid) const;

    size_t getRowCount() const override { return m_entries.size(); }
    size_t getColumnCount() const override { return 2; }
    Row first() override;
    Row next() override;
    const wchar_t* getColumnText(Row row, size_t column, size_t* o_length) const override;

private:
    const ThemeManager& m_themes;
    std::vector<Entry> m_entries;
    size_t m_next = 0;
};

} // namespace tessel

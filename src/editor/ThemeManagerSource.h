#pragma once
// The editors' theme source over the theme manager: a face preset's theme UUID picks an installed
// theme (empty, unreadable or not installed: the manager's default theme), and every change the
// manager tells of a theme re-themes the editors showing it.

#include "editor/EditorThemes.h"

#include <memory>

namespace tessel {

class ThemeManager;

class ThemeManagerSource : public EditorThemeSource {
public:
    explicit ThemeManagerSource(std::shared_ptr<ThemeManager> themes);
    // Puts the default source back when this one is installed. The editors made while it was
    // installed keep it: it must outlive them.
    ~ThemeManagerSource() override;
    ThemeManagerSource(const ThemeManagerSource&) = delete;
    ThemeManagerSource& operator=(const ThemeManagerSource&) = delete;

    std::shared_ptr<DocumentTheme> themeFor(const std::wstring& id) override;

private:
    std::shared_ptr<ThemeManager> m_themes;
};

} // namespace tessel

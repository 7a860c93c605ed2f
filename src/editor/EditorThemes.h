#pragma once
// Where editors take their theme from: the theme a face preset names and a notice when a
// theme's colours or rules change. The default source holds one theme (the default colours
// until it is given another); the application installs its theme manager's source.

#include "service/base/Notice.h"

#include <memory>
#include <string>

namespace tessel {

class DocumentTheme;

class EditorThemeSource {
public:
    virtual ~EditorThemeSource() = default;
    // The theme the text of a theme UUID names; the theme in force for an empty or unknown
    // text. Never null.
    virtual std::shared_ptr<DocumentTheme> themeFor(const std::wstring& id) = 0;
    // Told with a theme whose colours or rules changed.
    Notice<const std::shared_ptr<DocumentTheme>&>& themeChanged() { return m_themeChanged; }

private:
    Notice<const std::shared_ptr<DocumentTheme>&> m_themeChanged;
};

class DefaultThemeSource : public EditorThemeSource {
public:
    DefaultThemeSource();
    std::shared_ptr<DocumentTheme> themeFor(const std::wstring& id) override;
    // Puts theme in force (null: the default colours) and tells the editors.
    void setTheme(const std::shared_ptr<DocumentTheme>& theme);

private:
    std::shared_ptr<DocumentTheme> m_theme;
};

// The source the editors made from now on use; null puts the default source back.
void setEditorThemeSource(EditorThemeSource* source);
EditorThemeSource& getEditorThemeSource();

} // namespace tessel

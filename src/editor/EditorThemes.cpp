#include "editor/EditorThemes.h"

#include "service/parser/DocumentTheme.h"

namespace tessel {

DefaultThemeSource::DefaultThemeSource() : m_theme(std::make_shared<DocumentTheme>()) {}

std::shared_ptr<DocumentTheme> DefaultThemeSource::themeFor(const std::wstring&) {
    return m_theme;
}

void DefaultThemeSource::setTheme(const std::shared_ptr<DocumentTheme>& theme) {
    m_theme = theme ? theme : std::make_shared<DocumentTheme>();
    themeChanged().notify(m_theme);
}

namespace {
EditorThemeSource* g_source = nullptr;
}

void setEditorThemeSource(EditorThemeSource* source) {
    g_source = source;
}

EditorThemeSource& getEditorThemeSource() {
    static DefaultThemeSource fallback;
    return g_source ? *g_source : fallback;
}

} // namespace tessel

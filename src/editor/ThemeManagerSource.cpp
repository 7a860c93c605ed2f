#include "editor/ThemeManagerSource.h"

#include "bundles/themes/ThemeManager.h"

#include "pel/base/Assert.h"

namespace tessel {

ThemeManagerSource::ThemeManagerSource(std::shared_ptr<ThemeManager> themes) : m_themes(std::move(themes)) {
    PEL_CHECK_PTR(m_themes);
    m_themes->onThemeChanged.add(this,
                                 [this](const pel::UUID& uuid) { themeChanged().notify(m_themes->findTheme(uuid)); });
}

ThemeManagerSource::~ThemeManagerSource() {
    m_themes->onThemeChanged.remove(this);
    if (&getEditorThemeSource() == this)
        setEditorThemeSource(nullptr);
}

std::shared_ptr<DocumentTheme> ThemeManagerSource::themeFor(const std::wstring& id) {
    // Parsed rather than read with fromString: an empty text, or one that is no UUID, must not
    // become the nil UUID, which names the theme "None".
    pel::UUID uuid;
    if (!pel::UUID::parse(id.c_str(), &uuid))
        return m_themes->getDefaultTheme();
    return m_themes->findTheme(uuid);
}

} // namespace tessel

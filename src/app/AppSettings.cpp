#include "app/AppSettings.h"

#include "app/FacePresetSettings.h"
#include "app/MainWindow.h"

#include "bundles/themes/ThemeManager.h"

#include "afw/core/afMainLoop.h"
#include "afw/dialog/afQuestion.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "pel/base/UUID.h"
#include "pel/log/Log.h"
#include "pel/text/StringTemplate.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/Mutex.h"
#include "service/base/Config.h"
#include "service/base/ConfigWatch.h"
#include "service/base/TesselService.h"
#include "service/document/DocumentManager.h"

#include <cwchar>
#include <string>
#include <vector>

namespace tessel {

namespace {

// The sections whose settings the program applies as they change: the face, the font, and the
// documents' defaults.
const wchar_t* const DOCUMENT_SECTIONS[] = {L"app.parser", L"app.indentation.recent", L"app.file_defaults"};

std::vector<const wchar_t*> sections() {
    std::vector<const wchar_t*> all = {FacePresetSettings::SECTION, AppSettings::FONT_SECTION};
    all.insert(all.end(), std::begin(DOCUMENT_SECTIONS), std::end(DOCUMENT_SECTIONS));
    return all;
}

// The last name serves what no other covers: a face with Han and Kana, so that such text shows
// rather than boxes.
ConfigValue defaultFontNames() {
    return ConfigValue::fromList({ConfigValue::fromString(L"Consolas"), ConfigValue::fromString(L"DejaVu Sans Mono"),
                                  ConfigValue::fromString(L"Courier New"), ConfigValue::fromString(L"MS Gothic")});
}

} // namespace

void AppSettings::applyEditorFont(Config& config) {
    pel::ScopedLock<pel::Mutex_Impl> guard(config.getLock());
    ConfigNameSpace* preferences = config.getPreferencesNameSpace();
    const ConfigValue defaults = defaultFontNames();
    const ConfigValue* names = config.declareValueWithDefault(preferences, FONT_NAMES_SETTING, defaults);
    const ConfigValue* size =
        config.declareValueWithDefault(preferences, FONT_SIZE_SETTING, ConfigValue::fromInt(DEFAULT_FONT_SIZE));
    const std::wstring path = preferences ? preferences->getFullPath() : std::wstring();
    afUnicodeFontManager& fonts = afUnicodeFontManager::instance();
    // A family the system lacks would put the fallback font first.
    std::vector<std::wstring> known, lacking;
    if (names && names->getList())
        for (const ConfigValue& name : *names->getList())
            if (const wchar_t* text = name.getString())
                (fonts.findFamily(text) ? known : lacking).push_back(text);
    // The defaults name faces of several systems, some lacking on any one: only the user's
    // own names are news.
    if (names && !names->equals(defaults) && !lacking.empty()) {
        const std::wstring used = known.empty() ? std::wstring(afUnicodeFontManager::DEFAULT_EDITOR_FACE) : known.front();
        if (known.empty())
            config.tellProblem(pel::StringTemplate(L"`{1}` is {2} in `{3}`, and this computer has none of these "
                                                   L"faces: Tessel uses `{4}`.")
                                   .arg(1, FONT_NAMES_SETTING)
                                   .arg(2, Config::textOf(*names))
                                   .arg(3, path)
                                   .arg(4, used)
                                   .render());
        else
            for (const std::wstring& face : lacking)
                pel::log_printf(pel::LOG_WARNING, Config::LOG_SOURCE,
                                L"Settings: `%s` in `%s` names the face `%s`, which this computer lacks: Tessel uses "
                                L"`%s` in its place.\n",
                                FONT_NAMES_SETTING, path.c_str(), face.c_str(), used.c_str());
    }
    int points = size ? size->getInt() : DEFAULT_FONT_SIZE;
    const bool number = size && (size->getType() == ConfigValue::INT || size->getType() == ConfigValue::UINT ||
                                 size->getType() == ConfigValue::FLOAT);
    if (!number || points < MIN_FONT_SIZE || points > MAX_FONT_SIZE) {
        if (size)
            config.tellUnusable(preferences, FONT_SIZE_SETTING, Config::textOf(*size),
                                L"a size from " + std::to_wstring(MIN_FONT_SIZE) + L" to " +
                                    std::to_wstring(MAX_FONT_SIZE) + L" points",
                                std::to_wstring(DEFAULT_FONT_SIZE));
        points = DEFAULT_FONT_SIZE;
    }
    fonts.setEditorFont(known, static_cast<uint16_t>(points));
}

AppSettings::AppSettings(TesselService& root, MainWindow& window) : m_root(root), m_window(window) {
    Config& config = m_root.getConfig();
    for (const wchar_t* prefix : sections())
        config.addSectionListener(prefix, this);
    config.problemsAdded().add(this, [this] { postTelling(); });
}

AppSettings::~AppSettings() {
    Config& config = m_root.getConfig();
    m_watch.reset();
    config.problemsAdded().remove(this);
    for (const wchar_t* prefix : sections())
        config.removeSectionListener(prefix, this);
    afMainLoop::cancel(this);
}

void AppSettings::watch() {
    m_watch.reset(new ConfigWatch(m_root.getConfig()));
    postTelling();
}

void AppSettings::checkTheme(const ThemeManager& themes) {
    // Only a theme the user named: the shipped one stands in for none.
    const std::wstring& named = m_window.getFacePreset().theme;
    pel::UUID uuid;
    if (named.empty() || !pel::UUID::parse(named.c_str(), &uuid) || themes.getThemes().count(uuid))
        return;
    Config& config = m_root.getConfig();
    const ConfigNameSpace* preferences = config.getPreferencesNameSpace();
    config.tellProblem(pel::StringTemplate(L"`{1}.theme` is '{2}' in `{3}`, a theme that is not installed or whose file "
                                           L"cannot be read: Tessel shows its default colours.")
                           .arg(1, FacePresetSettings::SECTION)
                           .arg(2, named)
                           .arg(3, preferences ? preferences->getFullPath() : std::wstring())
                           .render());
}

void AppSettings::onConfigSectionLoaded(Config& config, const wchar_t* prefix) {
    // On the main thread (a file read again there) at once: what it brings, and what of it
    // cannot be used, is in before the user is told. Another thread's load comes later.
    if (pel::is_main_thread())
        apply(config, prefix);
    else
        m_delivered.insert(prefix);
}

void AppSettings::onConfigSectionDelivered(Config& config, const wchar_t* prefix) {
    if (m_delivered.erase(prefix))
        apply(config, prefix);
}

void AppSettings::apply(Config& config, const wchar_t* prefix) {
    if (std::wcscmp(prefix, FacePresetSettings::SECTION) == 0)
        m_window.setFacePreset(FacePresetSettings::load(config));
    else if (std::wcscmp(prefix, FONT_SECTION) == 0)
        applyEditorFont(config);
    else
        m_root.getDocumentManager()->readSettings(config);
}

void AppSettings::postTelling() {
    if (m_tellingPosted)
        return;
    m_tellingPosted = true;
    afMainLoop::post(this, [this] {
        m_tellingPosted = false;
        tellProblems();
    });
}

void AppSettings::tellProblems() {
    const std::vector<std::wstring> problems = m_root.getConfig().takeProblems();
    if (problems.empty())
        return;
    std::wstring text = L"Tessel cannot use these settings:";
    for (const std::wstring& problem : problems)
        text += L"\n\n" + problem;
    showMessage(&m_window, text);
}

} // namespace tessel

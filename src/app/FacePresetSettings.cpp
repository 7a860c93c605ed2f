#include "app/FacePresetSettings.h"

#include "pel/base/UUID.h"
#include "pel/thread/Mutex.h"
#include "service/base/Config.h"

namespace tessel {

namespace {


struct Key {
    const wchar_t* name;
    bool FacePreset::*flag; // null for the two keys that are not switches
};

const Key SWITCHES[] = {
    {L"word_wrap", &FacePreset::wordWrap},
    {L"boundary_show", &FacePreset::boundaryShow},
    {L"boundary_break", &FacePreset::boundaryBreak},
    {L"sublines_align", &FacePreset::sublinesAlign},
    {L"sublines_align_show", &FacePreset::sublinesAlignShow},
    {L"show_indent_guides", &FacePreset::showIndentGuides},
    {L"show_whitespace_before", &FacePreset::showWhitespaceBefore},
    {L"show_whitespace_inside", &FacePreset::showWhitespaceInside},
    {L"show_whitespace_after", &FacePreset::showWhitespaceAfter},
    {L"center", &FacePreset::center},
    {L"break_whitespace", &FacePreset::breakWhitespace},
    {L"gutter_line_numbers", &FacePreset::gutterLineNumbers},
};
constexpr const wchar_t* BOUNDARY = L"boundary";
constexpr const wchar_t* THEME = L"theme";

std::wstring identifier(const wchar_t* name) {
    return std::wstring(FacePresetSettings::SECTION) + L"." + name;
}

// Tells the user of a value it cannot use: what it holds, what it must be and what is used.
void tell(Config& config, const std::wstring& key, const ConfigValue* value, const wchar_t* expected,
          const std::wstring& used) {
    config.tellUnusable(config.getPreferencesNameSpace(), key,
                        value ? Config::textOf(*value) : std::wstring(L"nothing"), expected, used);
}

bool isThemeText(const wchar_t* text) {
    pel::UUID uuid;
    return !*text || pel::UUID::parse(text, &uuid);
}

} // namespace

FacePreset FacePresetSettings::load(Config& config) {
    FacePreset preset;
    pel::ScopedLock<pel::Mutex_Impl> guard(config.getLock());
    ConfigNameSpace* preferences = config.getPreferencesNameSpace();
    for (const Key& key : SWITCHES) {
        const std::wstring name = identifier(key.name);
        const ConfigValue* value =
            config.declareValueWithDefault(preferences, name.c_str(), ConfigValue::fromBool(preset.*key.flag));
        if (value && value->getType() == ConfigValue::BOOL)
            preset.*key.flag = value->getBool();
        else
            tell(config, name, value, L"true or false", preset.*key.flag ? L"true" : L"false");
    }
    const std::wstring boundary = identifier(BOUNDARY);
    const ConfigValue* columns =
        config.declareValueWithDefault(preferences, boundary.c_str(), ConfigValue::fromInt(preset.boundary));
    if (columns && columns->getType() == ConfigValue::INT && columns->getInt() >= MIN_BOUNDARY &&
        columns->getInt() <= MAX_BOUNDARY)
        preset.boundary = columns->getInt();
    else
        tell(config, boundary, columns, L"a whole number of columns from 1 to 1000", std::to_wstring(preset.boundary));
    const std::wstring theme = identifier(THEME);
    const ConfigValue* uuid =
        config.declareValueWithDefault(preferences, theme.c_str(), ConfigValue::fromString(preset.theme.c_str()));
    if (uuid && uuid->getType() == ConfigValue::STRING && isThemeText(uuid->getString()))
        preset.theme = uuid->getString();
    else
        tell(config, theme, uuid, L"the text of a theme's UUID", L"the shipped theme");
    return preset;
}

bool FacePresetSettings::saveTheme(Config& config, const std::wstring& theme, Config::SaveFailure* o_failure) {
    pel::ScopedLock<pel::Mutex_Impl> guard(config.getLock());
    const std::wstring name = identifier(THEME);
    ConfigNameSpace* preferences = config.getPreferencesNameSpace();
    ConfigValue* value = config.declareValueWithDefault(preferences, name.c_str(), ConfigValue::fromString(L""));
    // A value the file made another kind cannot hold the text (reading it told so already).
    if (!value || !preferences || value->getType() != ConfigValue::STRING)
        return false;
    value->setString(theme.c_str());
    // Only the preferences, and in them only what this run changed: the theme.
    return config.save(*preferences, o_failure);
}

} // namespace tessel

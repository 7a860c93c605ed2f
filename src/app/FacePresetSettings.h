#pragma once
// The face preset of the user's preferences: the keys under "app.editor.face" in
// preferences.tsConfig (word wrap, the right margin, guides, whitespace marks, centring, the theme
// and the line numbers), declared with the defaults a new FacePreset has and read at start. A
// value of the wrong kind, out of range or not a theme's UUID is a warning in the log and keeps
// its default. The theme the user picks is written back at once.

#include "service/base/Config.h"
#include "service/document/controller/FacePreset.h"

#include <string>
#include <vector>

namespace tessel {

class FacePresetSettings {
public:
    static constexpr const wchar_t* SECTION = L"app.editor.face";
    // Columns of the right margin and of wrapping at it.
    static constexpr int32_t MIN_BOUNDARY = 1, MAX_BOUNDARY = 1000;

    // Declares the keys (in the preferences name space) and reads them; takes the Config lock.
    static FacePreset load(Config& config);
    // Stores the theme (the text of its UUID; empty: the theme in force) and saves the changed
    // settings files now; false when a file could not be written (each added to o_failures).
    static bool saveTheme(Config& config, const std::wstring& theme, std::vector<Config::SaveFailure>* o_failures);
};

} // namespace tessel

#pragma once
// The face preset of the user's preferences: the keys under "app.editor.face" in
// preferences.tsConfig (word wrap, the right margin, guides, whitespace marks, centring, the theme
// and the line numbers), declared with the defaults a new FacePreset has and read at start and
// whenever the file brings new values. A value of the wrong kind, out of range or not a theme's
// UUID keeps its default and is told (Config::tellProblem) with what is used instead. The theme
// the user picks is written back at once, and nothing else.

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
    // Stores the theme (the text of its UUID; empty: the theme in force) and saves the
    // preferences now, over the file as it is: false, o_failure set when given, when the file
    // could not be written.
    static bool saveTheme(Config& config, const std::wstring& theme, Config::SaveFailure* o_failure = nullptr);
};

} // namespace tessel

#pragma once
// The theme chooser of the main window: the installed themes, by title, in the action chooser
// window titled "Select Theme", the theme in force marked; the row the user picks names the
// theme.

#include "pel/base/UUID.h"

class afActionContext;
class afViewPlatform;

namespace tessel {

class ThemeChooserData;

// Shows the themes over the owner (the rows' actions served by `context` while it is open),
// the theme `current` names marked (none when null or not installed); true with the picked
// theme's UUID, false when the user cancelled or closed the chooser.
bool chooseTheme(afViewPlatform* owner, afActionContext* context, ThemeChooserData& themes, const pel::UUID* current,
                 pel::UUID* o_picked);

} // namespace tessel

#pragma once
// The theme chooser of the main window: the installed themes, by title, in the action chooser
// window; the row the user picks names the theme.

#include "pel/base/UUID.h"

class afActionContext;
class afViewPlatform;

namespace tessel {

class ThemeChooserData;

// Shows the themes over the owner (the rows' actions served by `context` while it is open);
// true with the picked theme's UUID, false when the user cancelled or closed the chooser.
bool chooseTheme(afViewPlatform* owner, afActionContext* context, ThemeChooserData& themes, pel::UUID* o_picked);

} // namespace tessel

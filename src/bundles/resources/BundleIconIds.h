/* Icon resources of the bundles, shared by the resource script and the code. Plain macros: the
   resource compiler reads this file too. */
#pragma once

#define BUNDLES_ICON_GRAMMAR 102
#define BUNDLES_ICON_BUNDLE 104
#define BUNDLES_ICON_SNIPPET 106
#define BUNDLES_ICON_THEME 107
#define BUNDLES_ICON_PREFERENCES 108

/* Icon resources of the bundles, shared by the resource script and the code. Plain macros: the
   resource compiler reads this file too. */
#pragma once

#define BUNDLES_ICON_BUNDLE 104

#pragma once
// The module whose resources the framework loads (icons, the image pack) and whose instance
// window classes are registered with. The application's start sets it; until then it is null,
// and tests set it themselves.

#include <windows.h>

HINSTANCE afGetModuleInstance();
void afSetModuleInstance(HINSTANCE instance);

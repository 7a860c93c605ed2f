#pragma once
// The windows of the framework and their views, kept beside each window's "AFWIDGETPTR"
// property: reading a property is a round trip to the Wine server (about 20 us), and the window
// procedure and the loop's pre-translate step look a view up for every message. UI thread only.

#include <windows.h>

class afViewPlatform;

namespace afWidgetTable {

void add(HWND window, afViewPlatform* view);
void remove(HWND window);
afViewPlatform* find(HWND window);

} // namespace afWidgetTable

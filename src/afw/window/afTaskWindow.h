#pragma once
// A small task window with a caption and a system menu (class "afTaskWindow"), centred over its
// host, or over the desktop without one, whenever it is placed, and kept inside the work area.

#include "afw/window/afWindow.h"

class afTaskWindow : public afWindow {
public:
    explicit afTaskWindow(afViewPlatform* host = nullptr) : afWindow(host) {}

    bool buildSeed(afSeed& seed) override;
    void placeWindow(const afRect& rect) override;
};

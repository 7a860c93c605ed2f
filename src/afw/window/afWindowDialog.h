#pragma once
// A dialog window: class "afWindowDialog", painted in the button face colour, clipping its child
// windows.

#include "afw/window/afWindow.h"

class afWindowDialog : public afWindow {
public:
    explicit afWindowDialog(afViewPlatform* host = nullptr) : afWindow(host) {}

    bool buildSeed(afSeed& seed) override;
};

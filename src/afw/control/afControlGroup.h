#pragma once
// A windowed container (class "afControlGroup") that draws an etched group frame around its
// children: the visual styles' group box when themes are on, an etched edge otherwise. It shows
// its parent's background and is a control parent for dialog navigation.

#include "afw/view/afWidget.h"

class afControlGroup : public afWidget {
public:
    enum : int { PART_GROUPBOX = 4, STATE_NORMAL = 1 };

    static afControlGroup* createInstance(afViewPlatform* parent);
    explicit afControlGroup(afViewPlatform* host);

    const wchar_t* getContextKey() const override { return L"ui.group"; }
    bool buildSeed(afSeed& seed) override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;
};

#pragma once
// The plain framework window that panels, docks and dialog pages derive from (class
// "afContainer"): a child window that shows its parent's background behind its children, is a
// control parent for dialog navigation, and holds a layout as its content view. Focusing it
// focuses its first tab stop.

#include "afw/view/afWidget.h"

class afContainer : public afWidget {
public:
    static afContainer* createInstance(afViewPlatform* parent);
    explicit afContainer(afViewPlatform* host);

    const wchar_t* getContextKey() const override { return L"ui.container"; }
    // The first tab-stop child takes the focus; nothing when there is none or it is no
    // framework widget.
    void requestFocus() override;
    bool buildSeed(afSeed& seed) override;
};

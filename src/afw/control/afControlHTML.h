#pragma once
// Hosts a window of the HTML view library (htmlayout.dll) and loads the view's text into it as
// a UTF-8 document. The library paints the window; nothing else in the framework depends on it.
// Like the wrapped standard controls, its window is the library's, subclassed.

#include "afw/control/afControl.h"

class afControlHTML : public afControl {
public:
    static afControlHTML* createInstance(afViewPlatform* parent);
    explicit afControlHTML(afViewPlatform* host) : afControl(host) {}

    // The view's text, as the document; false when the library refuses it.
    bool loadHtml();

    const wchar_t* getContextKey() const override { return L"ui.html"; }
    bool buildSeed(afSeed& seed) override;
    bool onRawMessage(afMessage& msg) override;
};

#pragma once
// A tooltip-like popup (class "afHint"): a bordered tool window in the tooltip colours that
// draws one text in the bold message font.

#include "afw/window/afWindow.h"

#include <string>

class afWindowHint : public afWindow {
public:
    // The text's corner inside the window.
    static constexpr int TEXT_X = 3, TEXT_Y = 2;

    explicit afWindowHint(afViewPlatform* host = nullptr) : afWindow(host) {}

    void setHintText(const std::wstring& text);
    const std::wstring& getHintText() const { return m_hintText; }

    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;

private:
    std::wstring m_hintText;
};

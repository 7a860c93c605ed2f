#pragma once
// A canvas for drawing into a widget's window outside the paint cycle, in the widget's font.

#include "afw/graphics/afCanvas.h"

class afViewPlatform;

class afCanvasWidget : public afCanvas {
public:
    static std::unique_ptr<afCanvasWidget> create(afViewPlatform* widget);
    ~afCanvasWidget() override;

protected:
    void begin() override;

private:
    explicit afCanvasWidget(afViewPlatform* widget) : afCanvas(nullptr), m_widget(widget) {}

    afViewPlatform* m_widget;
    HWND m_window = nullptr;
};

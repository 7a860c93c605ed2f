#include "afw/graphics/afCanvasWidget.h"

#include "afw/view/afViewPlatform.h"
#include "pel/base/Assert.h"

std::unique_ptr<afCanvasWidget> afCanvasWidget::create(afViewPlatform* widget) {
    PEL_CHECK_PTR(widget);
    std::unique_ptr<afCanvasWidget> canvas(new afCanvasWidget(widget));
    canvas->begin();
    return canvas;
}

void afCanvasWidget::begin() {
    m_window = m_widget->getHandle();
    setDC(::GetDC(m_window));
    afCanvas::begin();
    if (m_widget->getFont())
        selectFont(m_widget->getFont());
}

afCanvasWidget::~afCanvasWidget() {
    end();
    ::ReleaseDC(m_window, getDC());
}

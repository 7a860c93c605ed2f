#include "afw/graphics/afCanvasPaint.h"

#include "afw/view/afViewPlatform.h"
#include "pel/base/Assert.h"

std::unique_ptr<afCanvasPaint> afCanvasPaint::create(afViewPlatform* widget, HDC dc) {
    PEL_CHECK_PTR(widget);
    std::unique_ptr<afCanvasPaint> canvas(new afCanvasPaint(widget, dc));
    canvas->begin();
    return canvas;
}

void afCanvasPaint::begin() {
    HWND window = m_widget->getHandle();
    m_region.reset(::CreateRectRgn(0, 0, 1, 1), true);
    ::GetUpdateRgn(window, m_region.get(), FALSE);
    ::GetRgnBox(m_region.get(), &m_updateBox);
    if (!getDC()) {
        setDC(::BeginPaint(window, &m_paint));
        m_painting = true;
    }
    RECT client = {0, 0, 0, 0};
    ::GetClientRect(window, &client);
    m_clientRect = afRect(0, 0, client.right - client.left, client.bottom - client.top);
    afCanvas::begin();
    // After the state is saved: a DC the caller lent gets its own font back.
    if (m_widget->getFont())
        selectFont(m_widget->getFont());
}

afCanvasPaint::~afCanvasPaint() {
    end();
    if (m_painting)
        ::EndPaint(m_widget->getHandle(), &m_paint);
}

#include "afw/window/afTestWindow.h"

#include "afw/window/afWindow.h"

namespace {

UINT validationMessage() {
    return afWindow::getValidationMessage();
}

} // namespace

void afTestWindow::registerTestClass() {
    static bool registered = false;
    afClassRecord record(CLASS_NAME);
    record.cursor = ::LoadCursorW(nullptr, IDC_ARROW);
    registerWindowClass(record, &registered);
}

const char* afTestWindow::checkDisplay() {
    HWND probe = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe) {
        ::DestroyWindow(probe);
        return nullptr;
    }
    // Wine picks the desktop's display driver when its server starts: a server started by a
    // program without a display (DISPLAY unset) gives every later program of the prefix none.
    return "no window can be made: the display is missing, or the Wine server of this prefix was started "
           "without one (let the prefix's Wine programs end, then run again with DISPLAY set)";
}

bool afTestWindow::buildSeed(afSeed& seed) {
    registerTestClass();
    seed.className = CLASS_NAME;
    seed.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    seed.width = DEFAULT_WIDTH;
    seed.height = DEFAULT_HEIGHT;
    seed.title = getText();
    return true;
}

void afTestWindow::requestLayout(const wchar_t* /*reason*/) {
    if (m_validationPosted || !getHandle())
        return;
    m_validationPosted = true;
    ::PostMessageW(getHandle(), validationMessage(), reinterpret_cast<WPARAM>(this), validationMessage());
}

bool afTestWindow::onRawMessage(afMessage& msg) {
    if (msg.message == validationMessage() && m_validationPosted) {
        validateLayout();
        msg.result = 0;
        return true;
    }
    return afWidget::onRawMessage(msg);
}

void afTestWindow::validateLayout() {
    const afRect client = getClientRect();
    measure(afViewMeasureSpec::exactly(client.width()), afViewMeasureSpec::exactly(client.height()));
    layout();
    m_validationPosted = false;
}

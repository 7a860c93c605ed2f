// The kinds of window that differ from afWindow in their class, style and a few operations.

#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/window/afTaskWindow.h"
#include "afw/window/afWindowDialog.h"
#include "afw/window/afWindowHint.h"
#include "afw/window/afWindowMain.h"

namespace {
// Stock colours of the hint: its background and its text.
constexpr int kInfoBackground = 15, kInfoText = 16;
} // namespace

bool afWindowMain::onRawMessage(afMessage& msg) {
    if (msg.message != WM_DESTROY)
        return afWindow::onRawMessage(msg);
    afWindow::onRawMessage(msg);
    ::PostQuitMessage(0);
    msg.result = 0;
    return true;
}

bool afWindowDialog::buildSeed(afSeed& seed) {
    static bool registered = false;
    useClass(seed, L"afWindowDialog", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), &registered);
    seed.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    seed.exStyle = 0;
    return true;
}

bool afTaskWindow::buildSeed(afSeed& seed) {
    static bool registered = false;
    useClass(seed, L"afTaskWindow", nullptr, &registered);
    seed.style = WS_CAPTION | WS_SYSMENU;
    seed.exStyle = WS_EX_DLGMODALFRAME;
    seed.width = 0;
    seed.height = 0;
    return true;
}

void afTaskWindow::placeWindow(const afRect& rect) {
    afRect outer;
    if (afViewPlatform* host = getHost())
        host->getOrigin(&outer);
    else
        ::GetClientRect(::GetDesktopWindow(), &outer);
    afRect centred = rect;
    centred.centerIn(outer);
    // Over a small or far owner, a window wider than it would start off the screen.
    centred.fitInto(getWorkArea());
    setFrame(centred);
}

bool afWindowHint::buildSeed(afSeed& seed) {
    static bool registered = false;
    useClass(seed, L"afHint", reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1), &registered);
    seed.title.clear();
    seed.style = WS_POPUP | WS_BORDER;
    seed.exStyle = WS_EX_TOOLWINDOW;
    return true;
}

void afWindowHint::setHintText(const std::wstring& text) {
    m_hintText = text;
    invalidate();
}

void afWindowHint::onCreate() {
    afWindow::onCreate();
    if (HFONT font = afGetStockFont(AF_FONT_MESSAGE_BOLD))
        setFont(font);
}

bool afWindowHint::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    afRect visible;
    getVisibleRect(&visible);
    canvas.fillRect(visible, afGetStockColour(kInfoBackground));
    afRect text = visible;
    text.left += TEXT_X;
    text.top += TEXT_Y;
    canvas.selectFont(getFont());
    canvas.drawText(m_hintText, text, DT_LEFT | DT_TOP | DT_NOPREFIX, afGetStockColour(kInfoText));
    return true;
}

// The window's life and class, its layout validation, its messages and closing.

#include "afw/window/afWindow.h"

#include "afw/core/afActivation.h"
#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afModuleInstance.h"
#include "afw/graphics/afStockResources.h"
#include "afw/view/afWidget.h"
#include "pel/base/Assert.h"

#include <algorithm>

namespace {

const wchar_t kWindowClass[] = L"afWindow";

// Clears the posted mark however the validation ends: a mark left set would refuse every later
// request.
class ValidationScope {
public:
    explicit ValidationScope(bool& posted) : m_posted(posted) {}
    ~ValidationScope() { m_posted = false; }
    ValidationScope(const ValidationScope&) = delete;
    ValidationScope& operator=(const ValidationScope&) = delete;

private:
    bool& m_posted;
};

} // namespace

UINT afWindow::getValidationMessage() {
    static const UINT id = ::RegisterWindowMessageW(L"PostValidateLayout");
    return id;
}

afWindow::afWindow(afViewPlatform* host) : afViewPlatform(host) {
    getValidationMessage();
    setText(L"afWindow");
}

afWindow::~afWindow() {
    HWND window = getHandle();
    if (!window)
        return;
    pel::softAssertion(L"the native window is destroyed before its afWindow", PEL_FILE, __LINE__);
    // From here on the window's messages reach the system alone, never this object.
    ::SetWindowLongW(window, GWL_WNDPROC, reinterpret_cast<LONG>(&::DefWindowProcW));
    afGuard([&] { detachHandle(window); });
    forgetHandle();
    ::DestroyWindow(window);
}

const wchar_t* afWindow::registerBaseClass() {
    static bool registered = false;
    if (registered)
        return kWindowClass;
    WNDCLASSW info = {};
    info.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
    info.lpfnWndProc = &afWidget::s_WndProc;
    info.cbWndExtra = DLGWINDOWEXTRA;
    info.hInstance = afGetModuleInstance();
    info.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    info.lpszClassName = kWindowClass;
    if (!::RegisterClassW(&info))
        throw pel::IllegalStateException(L"Cannot register class for dialog.");
    registered = true;
    return kWindowClass;
}

bool afWindow::useClass(afSeed& seed, const wchar_t* name, HBRUSH background, bool* io_registered) {
    afClassRecord record(name);
    record.cursor = ::LoadCursorW(nullptr, IDC_ARROW);
    record.background = background;
    registerClass(record, io_registered);
    seed.className = name;
    seed.title = getText();
    return true;
}

bool afWindow::buildSeed(afSeed& seed) {
    seed.className = registerBaseClass();
    seed.style = WS_OVERLAPPEDWINDOW;
    seed.exStyle = 0;
    seed.title = getText();
    return true;
}

void afWindow::onAttached() {
    throw pel::IllegalStateException(L"Cannot attach window. Docking not supported.");
}

void afWindow::onDetached() {
    throw pel::IllegalStateException(L"Cannot detach window. Docking not supported.");
}

void afWindow::onChildAdded(afView* child, int /*index*/) {
    if (child->isVirtual())
        return;
    static_cast<afViewPlatform*>(child)->setControlId(++m_controlIds);
}

void afWindow::setFrame(const afRect& frame) {
    storeFrame(frame);
    markFramesDirty();
    if (HWND window = getHandle())
        ::SetWindowPos(window, nullptr, frame.left, frame.top, frame.width(), frame.height(),
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void afWindow::setSizePolicy(int32_t widthPolicy) {
    m_widthPolicy = widthPolicy;
    m_heightPolicy = SIZE_CONTENT;
}

// ---- Layout validation

void afWindow::requestLayout(const wchar_t* /*reason*/) {
    if (m_validationPosted)
        return;
    markFramesDirty();
    HWND window = getHandle();
    // Marked only once the message is on its way: a mark without a message would merge every
    // later request into a validation that never comes.
    m_validationPosted = window && ::PostMessageW(window, getValidationMessage(), reinterpret_cast<WPARAM>(window),
                                                  static_cast<LPARAM>(getValidationMessage()));
    m_validationWanted = !m_validationPosted;
}

afRect afWindow::getWorkArea() const {
    RECT area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    HWND window = getHandle();
    // A window not yet placed is shown over its owner: that monitor's work area is its room.
    HWND placed = window && ::IsWindowVisible(window) ? window : (getHost() ? getHost()->getHandle() : window);
    if (::GetMonitorInfoW(::MonitorFromWindow(placed, MONITOR_DEFAULTTONEAREST), &monitor))
        area = monitor.rcWork;
    return afRect(area);
}

void afWindow::seedSize(afSeed& seed, int width, int height) {
    RECT area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    seed.width = std::min<int>(afScaled(width), area.right - area.left);
    seed.height = std::min<int>(afScaled(height), area.bottom - area.top);
}

void afWindow::validateLayout() {
    ValidationScope scope(m_validationPosted);
    const afRect content = getContentFrame();
    // The most a window sized by its content may take: the work area less its frame.
    afRect room = getWorkArea();
    room.applyPadding(getInsets(), false);
    const int32_t roomWidth = std::max<int32_t>(room.width(), 1), roomHeight = std::max<int32_t>(room.height(), 1);
    const int32_t minimumWidth = getMinimumWidth(), minimumHeight = getMinimumHeight();
    const auto spec = [](int32_t policy, int32_t current, int32_t minimum, int32_t most) {
        if (policy == SIZE_CLIENT)
            return afViewMeasureSpec::exactly(std::max(minimum, current));
        if (policy == SIZE_CONTENT)
            return afViewMeasureSpec::atMost(most);
        return afViewMeasureSpec::make(0, afViewMeasureSpec::UNSPECIFIED);
    };
    uint32_t widthSpec = spec(m_widthPolicy, content.width(), minimumWidth, roomWidth);
    uint32_t heightSpec = spec(m_heightPolicy, content.height(), minimumHeight, roomHeight);
    measure(widthSpec, heightSpec);
    bool again = false;
    if (m_widthPolicy == SIZE_CONTENT && getMeasuredWidth() < std::min(minimumWidth, roomWidth)) {
        widthSpec = afViewMeasureSpec::exactly(std::min(minimumWidth, roomWidth));
        again = true;
    }
    if (m_heightPolicy == SIZE_CONTENT && getMeasuredHeight() < std::min(minimumHeight, roomHeight)) {
        heightSpec = afViewMeasureSpec::exactly(std::min(minimumHeight, roomHeight));
        again = true;
    }
    if (again)
        measure(widthSpec, heightSpec);

    // The client area the policies want, from where it is now.
    afRect client = content;
    const auto fit = [](int32_t policy, LONG& end, LONG start, int32_t current, int32_t measured, int32_t minimum) {
        if (policy == SIZE_CONTENT && measured != current)
            end = start + measured;
        else if (policy == SIZE_CLIENT && current < minimum)
            end = start + minimum;
    };
    fit(m_heightPolicy, client.bottom, client.top, content.height(), getMeasuredHeight(), minimumHeight);
    fit(m_widthPolicy, client.right, client.left, content.width(), getMeasuredWidth(), minimumWidth);
    if (client != content) {
        client.applyPadding(getInsets(), true);
        placeWindow(client);
    }
    layout();
}

// ---- Messages

bool afWindow::onRawMessage(afMessage& msg) {
    switch (msg.message) {
    case WM_CLOSE:
        if (canClose())
            ::DestroyWindow(msg.window);
        msg.result = 0;
        return true;
    case WM_DESTROY:
        // The placement is saved whatever befalls the configuration: the window goes on closing.
        afGuard([&] { savePlacement(nullptr); });
        // Still there to hand the activation on: once gone, the system may give it to nothing.
        if (::GetActiveWindow() == msg.window)
            afGuard([&] { afActivation::handBack(msg.window); });
        return afViewPlatform::onRawMessage(msg);
    case WM_WINDOWPOSCHANGED: {
        // A window hidden by SetWindowPos leaves the activation where it was, on a window that
        // takes no keys any more.
        const bool hidden = (reinterpret_cast<const WINDOWPOS*>(msg.lParam)->flags & SWP_HIDEWINDOW) != 0;
        const bool handled = afViewPlatform::onRawMessage(msg);
        if (hidden)
            afActivation::handBack(msg.window);
        return handled;
    }
    case WM_SETFOCUS:
        // The window itself got the keyboard (activated or restored with none inside it): it goes
        // where the window keeps it.
        afViewPlatform::onRawMessage(msg);
        restoreFocus();
        msg.result = 0;
        return true;
    case WM_ACTIVATE:
        if (onActivate(msg))
            return true;
        break;
    case DM_GETDEFID: {
        const afViewPlatform* button = dynamic_cast<afViewPlatform*>(m_defaultButton);
        msg.result = button && button->getHandle()
                         ? MAKELONG(::GetDlgCtrlID(button->getHandle()), DC_HASDEFID)
                         : 0;
        return true;
    }
    default:
        if (msg.message == getValidationMessage() && m_validationPosted) {
            validateLayout();
            msg.result = 0;
            return true;
        }
        break;
    }
    return afViewPlatform::onRawMessage(msg);
}

void afWindow::onCreate() {
    HWND window = getHandle();
    if (getFocusedWidget())
        return;
    HWND first = ::GetNextDlgTabItem(window, nullptr, FALSE);
    if (first && first != window)
        if (afViewPlatform* widget = getWidget(first))
            widget->requestFocus();
}

void afWindow::onWidgetCreated() {
    // The configuration's troubles never stop a window from opening.
    afGuard([&] { restorePlacement(nullptr); });
    if (m_validationWanted)
        requestLayout(L"afWindow::onWidgetCreated");
}

// ---- Closing

void afWindow::close(uint32_t result) {
    HWND window = getHandle();
    if (!m_modal) {
        if (window)
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        return;
    }
    if (!window)
        return;
    m_result = result;
    m_modalEnded = true;
    // Wakes the modal loop.
    ::PostMessageW(window, WM_NULL, 0, 0);
}

void afWindow::closeNow() {
    if (m_modal) {
        close(RESULT_CANCEL);
        return;
    }
    m_forceClose = true;
    if (HWND window = getHandle())
        ::SendMessageW(window, WM_CLOSE, 0, 0);
}

bool afWindow::isOpen() const {
    return m_modal || isShown();
}

void afWindow::setTitle(const wchar_t* text) {
    setText(text);
}

bool afWindow::onCloseRequest() {
    if (m_modal) {
        close(RESULT_CANCEL);
        return false;
    }
    if (!m_hideOnClose)
        return true;
    setVisible(false);
    if (afViewPlatform* host = getHost())
        host->requestFocus();
    return false;
}

bool afWindow::canClose() {
    if (m_forceClose)
        return true;
    if (m_closeQuery)
        return m_closeQuery(this);
    return onCloseRequest();
}

// The platform view's window: making, adopting and letting go of it, its theme, font, content
// view, drop target and hooks.

#include "afw/view/afViewPlatform.h"

#include "afw/core/afModuleInstance.h"
#include "afw/core/afPanic.h"
#include "afw/data/afDropTarget.h"
#include "afw/graphics/afCanvasWidget.h"
#include "afw/graphics/afStockResources.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/view/afWidget.h"
#include "afw/view/afWidgetTable.h"
#include "pel/base/Assert.h"

#include <algorithm>

namespace {
const wchar_t kWidgetProperty[] = L"AFWIDGETPTR";
}

afViewPlatform::afViewPlatform(afViewPlatform* host) : afView(host) {}

afViewPlatform::~afViewPlatform() {
    // A window left behind must not reach a deleted view: messages for it then end in the
    // window procedure's panic instead of a crash; a subclassed control gets its procedure back.
    if (m_window) {
        releaseWindowServices();
        restorePreviousProcedure();
        ::RemovePropW(m_window, kWidgetProperty);
        afWidgetTable::remove(m_window);
        m_window = nullptr;
    }
    delete m_dropTarget;
}

afViewPlatform* afViewPlatform::getWidget(HWND window) {
    return afWidgetTable::find(window);
}

bool afViewPlatform::build() {
    afSeed seed;
    if (!buildSeed(seed))
        throw pel::IllegalStateException(L"Seed build failed.");
    return createWidget(seed);
}

bool afViewPlatform::attach(HWND window) {
    if (!window)
        return false;
    attachHandle(window, true);
    m_shown = (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
    tellChildrenShown(m_shown);
    return true;
}

bool afViewPlatform::registerWindowClass(const afClassRecord& record, bool* io_registered) {
    PEL_CHECK_PTR(io_registered);
    if (*io_registered)
        return true;
    *io_registered = true;
    WNDCLASSEXW info = {};
    info.cbSize = sizeof info;
    info.style = record.style;
    info.lpfnWndProc = &afWidget::s_WndProc;
    info.hInstance = afGetModuleInstance();
    info.hIcon = record.icon;
    info.hIconSm = record.smallIcon;
    info.hCursor = record.cursor;
    info.hbrBackground = record.background;
    info.lpszMenuName = record.menuName.empty() ? nullptr : record.menuName.c_str();
    info.lpszClassName = record.className.c_str();
    if (!::RegisterClassExW(&info))
        afPanic(L"Class registration failed.", L"afWidget::registerClass()");
    return true;
}

bool afViewPlatform::createWidget(const afSeed& seed) {
    if (seed.className.empty())
        throw pel::InvalidArgumentException(L"Class name in Seed was empty.");
    afViewPlatform* host = getHost();
    m_creationError = nullptr;
    HWND window = ::CreateWindowExW(seed.exStyle, seed.className.c_str(), seed.title.c_str(), seed.style, seed.x,
                                    seed.y, seed.width, seed.height, host ? host->m_window : nullptr, seed.menu,
                                    afGetModuleInstance(), this);
    if (!window && m_window) {
        // A creation refused after the window was attached: let it go here in case the system
        // did not send WM_NCDESTROY.
        detachHandle(m_window);
        m_window = nullptr;
    }
    m_window = window;
    m_previousProc = nullptr;
    if (!window) {
        if (m_creationError) {
            std::exception_ptr error = m_creationError;
            m_creationError = nullptr;
            std::rethrow_exception(error);
        }
        throw pel::IllegalStateException(L"Widget creation failed");
    }
    onWidgetCreated();
    m_shown = (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
    tellChildrenShown(m_shown);
    return m_window != nullptr;
}

void afViewPlatform::attachHandle(HWND window, bool subclass) {
    m_window = window;
    ::SetPropW(window, kWidgetProperty, this);
    afWidgetTable::add(window, this);
    if (!subclass)
        return;
    m_previousProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongW(window, GWL_WNDPROC, reinterpret_cast<LONG>(&afWidget::s_WndProc)));
    onHandleCreated();
}

void afViewPlatform::detachHandle(HWND window) {
    // The window leaves the table whatever the view's own clean-up does.
    const auto unlink = [window] {
        ::RemovePropW(window, kWidgetProperty);
        afWidgetTable::remove(window);
    };
    try {
        onHandleDestroyed();
    } catch (...) {
        unlink();
        throw;
    }
    unlink();
}

void afViewPlatform::onHandleCreated() {
    if (m_dropTarget)
        m_dropTarget->registerTarget(this, m_window);
    if (m_messageHook && getHost())
        getHost()->addHook(m_messageHook);
    if (HFONT font = afGetStockFont(AF_FONT_MESSAGE))
        setFont(font);
    if (!m_themeClass.empty())
        openTheme();
    onCreate();
    if (!m_font)
        throw pel::IllegalStateException(L"Font for widget is NULL.");
}

void afViewPlatform::onHandleDestroyed() {
    onDestroy();
    releaseWindowServices();
}

void afViewPlatform::releaseWindowServices() {
    if (m_messageHook && getHost())
        getHost()->removeHook(m_messageHook);
    if (m_dropTarget)
        m_dropTarget->revokeTarget(m_window);
    closeTheme();
}

void afViewPlatform::onDestroyed() {
    if (m_destroyCallback)
        m_destroyCallback(this);
}

LRESULT afViewPlatform::defaultProc(afMessage& msg) {
    msg.result = m_previousProc ? ::CallWindowProcW(m_previousProc, msg.window, msg.message, msg.wParam, msg.lParam)
                                : ::DefWindowProcW(msg.window, msg.message, msg.wParam, msg.lParam);
    return msg.result;
}

void afViewPlatform::restorePreviousProcedure() {
    if (m_window && m_previousProc) {
        ::SetWindowLongW(m_window, GWL_WNDPROC, reinterpret_cast<LONG>(m_previousProc));
        m_previousProc = nullptr;
    }
}

void afViewPlatform::setContentView(afView* view) {
    if (view == m_contentView)
        return;
    if (m_contentView) {
        afView* old = m_contentView;
        m_contentView = nullptr;
        if (old->getParent() == this)
            removeView(old);
        delete old;
    }
    m_contentView = view;
    if (view)
        addView(view, -1);
    relayout(L"afViewPlatform::setContentView");
}

void afViewPlatform::openTheme() {
    if (afWindowsUX* ux = afWindowsUX::getInstance())
        m_theme = afWindowsUX::OpenThemeData(ux, m_window, m_themeClass.c_str());
}

void afViewPlatform::closeTheme() {
    if (m_theme)
        afWindowsUX::CloseThemeData(afWindowsUX::getInstance(), m_theme);
    m_theme = nullptr;
}

void afViewPlatform::setThemeClass(const std::wstring& name) {
    if (name == m_themeClass)
        return;
    m_themeClass = name;
    if (!m_window)
        return;
    closeTheme();
    openTheme();
}

void afViewPlatform::setFont(HFONT font) {
    if (!font)
        throw pel::InvalidArgumentException(L"Font handle cannot be NULL.");
    m_font = font;
    if (m_window)
        ::SendMessageW(m_window, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0x10001);
}

void afViewPlatform::setDropTarget(afDropTarget* target) {
    if (target == m_dropTarget)
        return;
    if (m_dropTarget) {
        if (m_window)
            m_dropTarget->revokeTarget(m_window);
        delete m_dropTarget;
    }
    m_dropTarget = target;
    if (target && m_window)
        target->registerTarget(this, m_window);
}

void afViewPlatform::setScrollCallbacks(const ScrollCallback& vertical, const ScrollCallback& horizontal) {
    m_verticalScroll = vertical;
    m_horizontalScroll = horizontal;
}

void afViewPlatform::setMessageHook(const MessageHook& hook) {
    afViewPlatform* host = getHost();
    if (m_window && host && m_messageHook)
        host->removeHook(m_messageHook);
    m_messageHook = hook;
    if (m_window && host && hook)
        host->addHook(hook);
}

void afViewPlatform::addHook(const MessageHook& hook) {
    if (hook)
        m_hooks.push_back(hook);
}

void afViewPlatform::removeHook(const MessageHook& hook) {
    const auto found = std::find(m_hooks.begin(), m_hooks.end(), hook);
    if (found != m_hooks.end())
        m_hooks.erase(found);
}

void afViewPlatform::onHostChanged(afViewPlatform* host) {
    afViewPlatform* old = getHost();
    if (host == old)
        return;
    if (m_window && m_messageHook) {
        if (old)
            old->removeHook(m_messageHook);
        if (host)
            host->addHook(m_messageHook);
    }
    if (m_window) {
        ::SetParent(m_window, host ? host->m_window : nullptr);
        ::SetWindowPos(m_window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
    }
}

void afViewPlatform::onChildRemoved(afView* child) {
    // Also when the hovered view lies inside the removed branch: the next mouse move must not
    // reach a view that may be deleted by then.
    if (m_hovered && (m_hovered == child || child->hasDescendant(m_hovered)))
        m_hovered = nullptr;
    if (child == m_contentView)
        m_contentView = nullptr;
}

std::unique_ptr<afCanvas> afViewPlatform::createCanvas() {
    return m_window ? std::unique_ptr<afCanvas>(afCanvasWidget::create(this)) : nullptr;
}

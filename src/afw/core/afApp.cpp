#include "afw/core/afApp.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afMainLoop.h"
#include "afw/core/afModuleInstance.h"
#include "afw/data/afClipboard.h"
#include "afw/graphics/afImagePack.h"
#include "afw/graphics/afStockResources.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "afw/view/afViewPlatform.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/log/Log.h"

#include <commctrl.h>
#include <ole2.h>

namespace {

constexpr uint32_t kLogSourceUI = 0x891542DA; // crc32("UI")

afApp* s_instance = nullptr;
std::unique_ptr<afImagePack> s_imagePack;

void loadImagePack() {
    if (!s_imagePack)
        s_imagePack = afImagePack::load(afGetModuleInstance());
}

} // namespace

afApp::afApp() = default;

afApp::~afApp() = default;

bool afApp::init(afApp* app, HINSTANCE instance) {
    afSetModuleInstance(instance);
    if (FAILED(::OleInitialize(nullptr)))
        return false;
    if (s_instance) {
        ::OleUninitialize();
        return false;
    }
    s_instance = app;
    if (app) {
        ::InitCommonControls();
        loadImagePack();
        afCreateStockResources();
        app->m_fontManager = &afUnicodeFontManager::instance();
        // The registry's window is opened by the application's own init.
        app->m_messageRegistry.reset(new pel::MessageRegistry);
        app->m_clipboard = new afClipboard;
        app->m_actionRegistry = new afActionRegistry;
        app->m_keyInvoker = new afActionInvokerKey(app->m_actionRegistry);
        afRegisterInvoker(app->m_keyInvoker, app->m_actionRegistry, AF_ACTION_KIND_SHORTCUT);
        afRegisterInvoker(app->m_keyInvoker, app->m_actionRegistry, AF_ACTION_KIND_CHARACTER);
        if (!app->init())
            return false;
    }
    return s_instance != nullptr;
}

int afApp::run(afApp* app) {
    MSG msg = {};
    int got;
    for (;;) {
        // Nothing runs under the main loop: what is still counted as nested never ended.
        afMainLoop::settle();
        if ((got = ::GetMessageW(&msg, nullptr, 0, 0)) <= 0)
            break;
        dispatch(msg, app);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : -1;
}

void afApp::processMessages() {
    int count = 0;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Eaten here, the main loop would never end: the process would live on unseen.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        ++count;
        dispatch(msg, s_instance);
    }
    pel::log_printf(pel::LOG_INFO, kLogSourceUI, L"afApp::processMessages: Processed %d messages.", count);
}

void afApp::dispatch(MSG& msg, afApp* app) noexcept {
    afGuard([&] {
        if (!preTranslate(&msg, app)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    });
}

bool afApp::preTranslate(MSG* msg, afApp* app) {
    if (msg->message == WM_MOUSEWHEEL) {
        // The wheel scrolls what is under the cursor, not what has the focus; only windows of
        // this thread, though: another program's window may hang, and the send would wait on it.
        const POINT point = {static_cast<short>(LOWORD(msg->lParam)), static_cast<short>(HIWORD(msg->lParam))};
        HWND under = ::WindowFromPoint(point);
        if (under && ::GetWindowThreadProcessId(under, nullptr) == ::GetCurrentThreadId()) {
            ::SendMessageW(under, WM_MOUSEWHEEL, msg->wParam, msg->lParam);
            return true;
        }
    }
    // Key chords and typed characters that start actions in the widget's contexts come before
    // the widgets' own look.
    afApp* owner = app ? app : s_instance;
    if (owner && owner->m_keyInvoker &&
        owner->m_keyInvoker->preTranslate(msg, msg->hwnd ? afViewPlatform::getWidget(msg->hwnd) : nullptr))
        return true;
    // The walk ends below the desktop, which has no widget: it belongs to another process, and
    // asking for its parent is a round trip to the Wine server.
    static const HWND desktop = ::GetDesktopWindow();
    for (HWND window = msg->hwnd; window && window != desktop; window = ::GetAncestor(window, GA_PARENT))
        if (afViewPlatform* widget = afViewPlatform::getWidget(window))
            if (widget->preTranslateMessage(*msg))
                return true;
    return false;
}

void afApp::shutdown() {
    if (afApp* app = s_instance) {
        afGuard([app] { app->exit(); });
        afRemoveInvoker(app->m_actionRegistry, app->m_keyInvoker);
        delete app->m_keyInvoker;
        app->m_keyInvoker = nullptr;
        delete app->m_actionRegistry;
        app->m_actionRegistry = nullptr;
        app->m_messageRegistry.reset();
        // Renders the program's data still on the clipboard, so it outlives the program.
        delete app->m_clipboard;
        app->m_clipboard = nullptr;
        afUnicodeFontManager::destroy();
        app->m_fontManager = nullptr;
        afDestroyStockResources();
        s_imagePack.reset();
        delete app;
        s_instance = nullptr;
        afSetModuleInstance(nullptr);
    }
    ::OleUninitialize();
}

afApp* afApp::getInstance() {
    return s_instance;
}

const afImagePack* afApp::getImagePack() {
    return s_imagePack.get();
}

pel::MessageRegistry* afApp::getMessageRegistry() {
    return s_instance ? s_instance->m_messageRegistry.get() : nullptr;
}

afActionInvokerKey* afApp::getKeyInvoker() {
    return s_instance ? s_instance->m_keyInvoker : nullptr;
}

afActionRegistry* afApp::getActionRegistry() {
    return s_instance ? s_instance->m_actionRegistry : nullptr;
}

afClipboard* afApp::getClipboard() {
    return s_instance ? s_instance->m_clipboard : nullptr;
}

afUnicodeFontManager* afApp::getFontManager() {
    return s_instance ? s_instance->m_fontManager : nullptr;
}

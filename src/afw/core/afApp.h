#pragma once
// The framework's one application object: the program's application class derives from it.
// It owns what every window needs (the message registry, the stock resources, the image pack,
// the font manager, the clipboard, the action registry and the key invoker), runs the UI thread's
// message loop with its pre-translate step, the road of every key press, and offers a nested
// pump for long operations.
//
// Start: afApp::init(new App, instance); when true, run, then shutdown. Every framework
// global is null before init and after shutdown.

#include <memory>
#include <windows.h>

namespace pel {
class MessageRegistry;
}

struct afImagePack;
class afViewPlatform;
class afActionInvokerKey;
class afActionRegistry;
class afClipboard;
class afUnicodeFontManager;

class afApp {
public:
    afApp();
    // Releases only what the object holds itself; shutdown releases the framework's parts.
    virtual ~afApp();
    afApp(const afApp&) = delete;
    afApp& operator=(const afApp&) = delete;

    // The program's start-up: its managers and main window. False stops the program.
    virtual bool init() = 0;
    // Saves and deletes the program's objects; runs first in shutdown.
    virtual void exit() = 0;

    // Initialises OLE, the common controls and the framework's parts, then the application's
    // own init. False for a second application, a failed OLE or a refused init.
    static bool init(afApp* app, HINSTANCE instance);
    // The UI thread's loop; the exit code the WM_QUIT that ended it carries.
    static int run(afApp* app);
    // Deletes the framework's parts and the application (after its exit), then OLE.
    static void shutdown();
    // Handles every queued message, then returns; a WM_QUIT met is posted again for the loop.
    static void processMessages();
    // The framework's look at a message before it is dispatched; true when one took it.
    static bool preTranslate(MSG* msg, afApp* app);
    // Pre-translates and dispatches one message; an exception is reported and the loop goes on.
    static void dispatch(MSG& msg, afApp* app) noexcept;

    static afApp* getInstance();
    static const afImagePack* getImagePack();
    static pel::MessageRegistry* getMessageRegistry();
    static afActionInvokerKey* getKeyInvoker();
    static afActionRegistry* getActionRegistry();
    static afClipboard* getClipboard();
    static afUnicodeFontManager* getFontManager();

    // The widget the key invoker falls back to; the application sets it.
    afViewPlatform* getMainWidget() const { return m_mainWidget; }
    void setMainWidget(afViewPlatform* widget) { m_mainWidget = widget; }

private:
    afViewPlatform* m_mainWidget = nullptr;
    std::unique_ptr<pel::MessageRegistry> m_messageRegistry;
    // Made by init, deleted by shutdown.
    afActionInvokerKey* m_keyInvoker = nullptr;
    afClipboard* m_clipboard = nullptr;
    afActionRegistry* m_actionRegistry = nullptr;
    afUnicodeFontManager* m_fontManager = nullptr;
};

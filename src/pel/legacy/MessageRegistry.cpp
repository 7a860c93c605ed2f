#include "pel/legacy/MessageRegistry.h"

#include "pel/base/Assert.h"
#include "pel/log/LogManager.h"
#include "pel/thread/MainThread.h"

#include <algorithm>

namespace pel {

namespace {

const wchar_t* const kClassName = L"TESSEL_MESSAGE_REGISTRY_WNDCLASS";
const wchar_t* const kWindowTitle = L"TESSEL_MESSAGE_REGISTRY_WND";

std::atomic<MessageRegistry*> s_instance{nullptr};
// The registry whose window procedure runs: set by a successful initRegistry.
std::atomic<MessageRegistry*> s_platform{nullptr};
bool s_classRegistered = false;

// Counts a post under way for the time of the scope, so that the main thread frees no
// instance while a poster may still be reading one.
class PostUnderWay {
public:
    explicit PostUnderWay(std::atomic<int32_t>& counter) : m_counter(counter) { m_counter.fetch_add(1); }
    ~PostUnderWay() { m_counter.fetch_sub(1); }
    PostUnderWay(const PostUnderWay&) = delete;
    PostUnderWay& operator=(const PostUnderWay&) = delete;

private:
    std::atomic<int32_t>& m_counter;
};

void waitForPosts(const std::atomic<int32_t>& counter) {
    while (counter.load() != 0)
        ::SwitchToThread();
}

} // namespace

// ---- lifetime

MessageRegistry::MessageRegistry() {
    MessageRegistry* none = nullptr;
    s_instance.compare_exchange_strong(none, this);
    m_logSource = LogManager_Impl::getInstance()->registerSource(L"MessageRegistry");
}

MessageRegistry::~MessageRegistry() {
    m_enabled = false;
    MessageRegistry* self = this;
    s_instance.compare_exchange_strong(self, nullptr);
    self = this;
    if (s_platform.compare_exchange_strong(self, nullptr)) {
        // Messages still queued for the window must not reach this registry's freed records.
        const HWND window = getWindow();
        if (window && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId())
            ::DestroyWindow(window);
    }
    unbindAll();
}

MessageRegistry* MessageRegistry::getInstance() {
    MessageRegistry* instance = s_instance.load();
    PEL_SOFT_ASSERT(s_instance != NULL);
    return instance;
}

UINT MessageRegistry::getUniqueMsgID() { return ::RegisterWindowMessageW(L"MessageRegistryID"); }

bool MessageRegistry::initRegistry(HINSTANCE instance) {
    if (getMessageId() != 0) {
        softAssertion(L"0", PEL_FILE, __LINE__);
        return false;
    }
    m_module = instance;
    m_handle = nullptr;
    m_messageId = TEMPORARY_MESSAGE_ID;
    bool ready = false;
    try {
        ready = initPlatform();
    } catch (...) {
        m_messageId = 0;
        throw;
    }
    // Without a window nothing may be posted (a null window would post to the thread's queue).
    if (!ready)
        m_messageId = 0;
    return ready;
}

bool MessageRegistry::initPlatform() {
    if (s_platform.load())
        return false;
    if (!s_classRegistered) {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &MessageRegistry::windowProcedure;
        windowClass.hInstance = m_module;
        windowClass.lpszClassName = kClassName;
        const ATOM r = ::RegisterClassExW(&windowClass);
        if (r == 0)
            assertionViolation(L"r != 0", PEL_FILE, __LINE__);
        s_classRegistered = true;
    }
    ::SetLastError(0);
    const HWND window = ::CreateWindowExW(0, kClassName, kWindowTitle, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                          CW_USEDEFAULT, HWND_MESSAGE, nullptr, m_module, nullptr);
    if (!window)
        assertionViolation(L"m_handle", PEL_FILE, __LINE__);
    m_handle = window;
    m_messageId = getUniqueMsgID();
    s_platform = this;
    return true;
}

bool MessageRegistry::releaseRegistry() {
    m_enabled = false;
    check_main_thread();
    unbindAll();
    return true;
}

void MessageRegistry::unbindAll() {
    waitForPosts(m_postsUnderWay);
    for (MessageListenerInstance* instance : m_listener_instances) {
        // A valid instance's listener is alive: it must not keep a pointer to what is freed here.
        if (!instance->isInvalid()) {
            instance->listener->m_instance = nullptr;
            instance->listener->m_registry = nullptr;
        }
        delete instance;
    }
    m_listener_instances.clear();
}

// ---- instances

MessageListenerInstance* MessageRegistry::registerInstance(MessageListener* listener) {
    check_main_thread();
    if (!isEnabled())
        return nullptr;
    MessageListenerInstance* instance = new MessageListenerInstance(listener);
    instance->m_refCount.exchange(0);
    m_listener_instances.push_back(instance);
    return instance;
}

void MessageRegistry::releaseInstance(MessageListener* listener) {
    check_main_thread();
    PEL_CHECK_PTR(listener);
    MessageListenerInstance* instance = listener->m_instance.exchange(nullptr);
    listener->m_registry = nullptr;
    if (!instance)
        return;
    instance->m_invalid = true;
    // A poster that read the instance before it was unbound has counted its message by the
    // time its post returns.
    waitForPosts(m_postsUnderWay);
    if (instance->getRefCount() == 0)
        deleteListenerInstance(instance);
}

void MessageRegistry::detachListener(MessageListener* listener) noexcept {
    try {
        removeRawMessageListener(listener);
        if (is_main_thread()) {
            releaseInstance(listener);
            return;
        }
        // Off the main thread the instance list cannot be touched: messages to the listener are
        // dropped on arrival, and the instance is freed by the last of them or by the release.
        PEL_SOFT_ASSERT(is_main_thread());
        MessageListenerInstance* instance = listener->m_instance.exchange(nullptr);
        listener->m_registry = nullptr;
        if (instance)
            instance->m_invalid = true;
    } catch (...) {
        // A destructor never throws; the failure was logged where it arose.
    }
}

void MessageRegistry::deleteListenerInstance(MessageListenerInstance* instance) {
    auto it = std::find(m_listener_instances.begin(), m_listener_instances.end(), instance);
    if (!PEL_SOFT_ASSERT(it != m_listener_instances.end()))
        return;
    m_listener_instances.erase(it);
    delete instance;
}

bool MessageRegistry::ownsInstance(const MessageListenerInstance* instance) const {
    return std::find(m_listener_instances.begin(), m_listener_instances.end(), instance) !=
           m_listener_instances.end();
}

// ---- records

MessageData* MessageRegistry::allocMD() {
    ScopedLock<Mutex_Impl> lock(m_lock);
    MessageData* data = m_pool.allocate();
    data->code = 0;
    data->param1 = 0;
    data->param2 = 0;
    m_recordsInUse.fetch_add(1);
    return data;
}

void MessageRegistry::freeMD(MessageData* data) {
    ScopedLock<Mutex_Impl> lock(m_lock);
    m_pool.deallocate(data);
    m_recordsInUse.fetch_sub(1);
}

// ---- delivery

bool MessageRegistry::post(MessageListener* listener, MessageData* data) {
    PEL_CHECK_PTR(listener);
    PostUnderWay underWay(m_postsUnderWay);
    const UINT messageId = getMessageId();
    const HWND window = getWindow();
    if (!isEnabled() || messageId == 0 || !window)
        return false;
    MessageListenerInstance* instance = listener->getListenerInstance();
    if (!instance)
        return false;
    MessageData* copy = nullptr;
    if (data) {
        copy = allocMD();
        copy->code = data->code;
        copy->param1 = data->param1;
        copy->param2 = data->param2;
        copy->flags = MessageData::F_POOLED;
    }
    instance->addRef();
    if (::PostMessageW(window, messageId, reinterpret_cast<WPARAM>(instance), reinterpret_cast<LPARAM>(copy)))
        return true;
    instance->dropRef();
    if (copy)
        freeMD(copy);
    return false;
}

bool MessageRegistry::send(MessageListener* listener, MessageData* data) {
    PEL_CHECK_PTR(listener);
    UINT messageId = 0;
    HWND window = nullptr;
    MessageListenerInstance* instance = nullptr;
    {
        // Not around SendMessageW: the main thread may wait for posts under way and would then
        // never take a message sent from another thread.
        PostUnderWay underWay(m_postsUnderWay);
        messageId = getMessageId();
        window = getWindow();
        if (!isEnabled() || messageId == 0 || !window)
            return false;
        instance = listener->getListenerInstance();
        if (!instance)
            return false;
        if (data)
            data->flags &= ~MessageData::F_POOLED;
        instance->addRef();
    }
    ::SendMessageW(window, messageId, reinterpret_cast<WPARAM>(instance), reinterpret_cast<LPARAM>(data));
    return true;
}

bool MessageRegistry::processMessage(RawMessage* raw) {
    PEL_CHECK_PTR(raw);
    if (!isEnabled())
        return false;
    if (raw->message != getMessageId())
        return callRawListeners(raw);

    MessageListenerInstance* instance = reinterpret_cast<MessageListenerInstance*>(raw->wParam);
    MessageData* data = reinterpret_cast<MessageData*>(raw->lParam);
    // Any process on the desktop can post the registered message: only our own instances count,
    // and with a foreign instance the record is not ours either.
    if (!ownsInstance(instance))
        return true;
    if (!instance->isInvalid()) {
        deliver(instance->listener, data);
        if (!isEnabled()) {
            // The handler released the registry, and with it every instance.
            if (data && (data->flags & MessageData::F_POOLED))
                freeMD(data);
            return true;
        }
    }
    // A listener destroyed before its message arrived, or by its own handler, leaves its
    // instance to the last message in flight.
    if (instance->dropRef() == 0 && instance->isInvalid())
        deleteListenerInstance(instance);
    if (data && (data->flags & MessageData::F_POOLED))
        freeMD(data);
    return true;
}

void MessageRegistry::deliver(MessageListener* listener, MessageData* data) {
    // The bookkeeping after the call must happen whatever the handler does.
    try {
        listener->msgOnMessage(data);
    } catch (const Exception& e) {
        log_printf(LOG_ERROR, m_logSource, L"Message listener failed: %s\n", e.displayText().c_str());
    } catch (const std::exception& e) {
        log_printf(LOG_ERROR, m_logSource, L"Message listener failed: %S\n", e.what());
    } catch (...) {
        log_printf(LOG_ERROR, m_logSource, L"Message listener failed: unknown exception\n");
    }
}

// ---- raw listeners

void MessageRegistry::addRawMessageListener(MessageListener* listener) {
    PEL_CHECK_PTR(listener);
    ScopedLock<Mutex_Impl> lock(m_lock);
    if (std::find(m_raw_listeners.begin(), m_raw_listeners.end(), listener) == m_raw_listeners.end())
        m_raw_listeners.push_back(listener);
}

void MessageRegistry::removeRawMessageListener(MessageListener* listener) {
    ScopedLock<Mutex_Impl> lock(m_lock);
    auto it = std::find(m_raw_listeners.begin(), m_raw_listeners.end(), listener);
    if (it != m_raw_listeners.end())
        m_raw_listeners.erase(it);
}

bool MessageRegistry::callRawListeners(RawMessage* raw) {
    // A hook may add or remove raw listeners (itself included): walk a copy, and skip those
    // removed meanwhile.
    std::vector<MessageListener*> listeners;
    {
        ScopedLock<Mutex_Impl> lock(m_lock);
        listeners = m_raw_listeners;
    }
    for (MessageListener* listener : listeners) {
        {
            ScopedLock<Mutex_Impl> lock(m_lock);
            if (std::find(m_raw_listeners.begin(), m_raw_listeners.end(), listener) == m_raw_listeners.end())
                continue;
        }
        if (listener->msgOnRawMessage(raw))
            return true;
    }
    return false;
}

LRESULT CALLBACK MessageRegistry::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (MessageRegistry* registry = s_platform.load()) {
        RawMessage raw = {window, message, lParam, wParam};
        // No exception may pass the system's frames.
        try {
            if (registry->processMessage(&raw))
                return 0;
        } catch (const Exception& e) {
            log_printf(LOG_ERROR, registry->m_logSource, L"Message listener failed: %s\n", e.displayText().c_str());
        } catch (...) {
            log_printf(LOG_ERROR, registry->m_logSource, L"Message listener failed: unknown exception\n");
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace pel

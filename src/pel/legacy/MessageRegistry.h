#pragma once
// The one channel by which worker threads hand small messages to listeners on the main thread:
// a message-only window created on the main thread receives the registered message
// "MessageRegistryID" with a listener's instance as wParam and a pooled copy of the caller's
// MessageData as lParam, and calls the listener there.
//
// One registry runs per process: the application constructs it, calls initRegistry on the main
// thread, releaseRegistry at shutdown, and destroys it last. Only post is meant for worker
// threads; everything else runs on the main thread.

#include "pel/base/TAllocator.h"
#include "pel/legacy/MessageData.h"
#include "pel/legacy/MessageListener.h"
#include "pel/thread/Mutex.h"

#include <atomic>
#include <cstdint>
#include <vector>
#include <windows.h>

namespace pel {

class MessageRegistry {
public:
    static constexpr UINT TEMPORARY_MESSAGE_ID = 0x1400;

    MessageRegistry();
    // Unbinds listeners still bound, and closes the window when it is this thread's.
    ~MessageRegistry();
    MessageRegistry(const MessageRegistry&) = delete;
    MessageRegistry& operator=(const MessageRegistry&) = delete;

    // The process's registry: the first one constructed and not yet destroyed. A soft
    // assertion when there is none.
    static MessageRegistry* getInstance();
    // The registered message "MessageRegistryID".
    static UINT getUniqueMsgID();

    // Creates the window and registers the message; once per registry (a soft assertion and
    // false on the second call), and while no other registry has a window.
    bool initRegistry(HINSTANCE instance);
    // Disables the registry and frees every instance; unbinds the listeners still alive.
    bool releaseRegistry();

    // Asynchronous delivery from any thread. The caller's record is copied and may be reused
    // at once; a null record is delivered as null. False when the registry does not run, the
    // listener is unbound, or the window queue refuses the message.
    bool post(MessageListener* listener, MessageData* data);
    // Synchronous delivery: the caller's record reaches the listener in place, bit 0 of its
    // flags cleared.
    bool send(MessageListener* listener, MessageData* data);

    // Dispatch of one message of the registry window; true when it was handled.
    bool processMessage(RawMessage* raw);

    void addRawMessageListener(MessageListener* listener);
    void removeRawMessageListener(MessageListener* listener);

    // Unbinds the listener: messages to it still in flight are dropped on arrival. Main thread
    // only (IllegalStateException "Not a main thread.").
    void releaseInstance(MessageListener* listener);

    // What code that posts the registry message itself reads.
    bool isEnabled() const { return m_enabled.load(std::memory_order_acquire); }
    HWND getWindow() const { return m_handle.load(std::memory_order_acquire); }
    UINT getMessageId() const { return m_messageId.load(std::memory_order_acquire); }

    // Introspection: pooled records out of the pool, and instances alive.
    int32_t recordsInUse() const { return m_recordsInUse.load(std::memory_order_acquire); }
    size_t instanceCount() const { return m_listener_instances.size(); }

private:
    friend class MessageListener;

    bool initPlatform();
    MessageData* allocMD();
    void freeMD(MessageData* data);
    MessageListenerInstance* registerInstance(MessageListener* listener);
    void deleteListenerInstance(MessageListenerInstance* instance);
    bool ownsInstance(const MessageListenerInstance* instance) const;
    // For a listener's destructor: never throws.
    void detachListener(MessageListener* listener) noexcept;
    // Waits for posts under way, then frees every instance and unbinds live listeners.
    void unbindAll();
    bool callRawListeners(RawMessage* raw);
    void deliver(MessageListener* listener, MessageData* data);

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::atomic<bool> m_enabled{true};
    HINSTANCE m_module = nullptr;
    std::atomic<HWND> m_handle{nullptr};
    std::atomic<UINT> m_messageId{0};
    Mutex_Impl m_lock{0x80000000}; // the record pool and the raw listeners
    TAllocator<MessageData, 128> m_pool;
    std::vector<MessageListener*> m_raw_listeners;
    std::vector<MessageListenerInstance*> m_listener_instances; // main thread only
    std::atomic<int32_t> m_recordsInUse{0};
    std::atomic<int32_t> m_postsUnderWay{0};
    uint32_t m_logSource = 0;
};

} // namespace pel

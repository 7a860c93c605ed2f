#pragma once
// A main-thread object that receives messages through the message registry. Each listener owns
// a reference-counted instance record in its registry: the count says how many messages to it
// are posted and not yet delivered, so a listener may be destroyed while messages to it are
// still queued (they are dropped on arrival).
//
// Listeners are made and destroyed on the main thread. A listener made when no registry runs
// (none exists, or it was released) is unbound: posting to it fails and its destruction does
// nothing. Releasing the registry unbinds every listener it knows.

#include "pel/legacy/MessageData.h"

#include <atomic>
#include <cstdint>

namespace pel {

class MessageListener;
class MessageRegistry;

// The in-flight record of one listener. Code that posts the registry message itself (with the
// instance as wParam) adds a reference before PostMessageW and drops it when the post fails.
class MessageListenerInstance {
public:
    explicit MessageListenerInstance(MessageListener* i_listener) : listener(i_listener) {}
    MessageListenerInstance(const MessageListenerInstance&) = delete;
    MessageListenerInstance& operator=(const MessageListenerInstance&) = delete;

    int32_t addRef() { return m_refCount.fetch_add(1, std::memory_order_acq_rel) + 1; }
    int32_t dropRef() { return m_refCount.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    int32_t getRefCount() const { return m_refCount.load(std::memory_order_acquire); }
    bool isInvalid() const { return m_invalid.load(std::memory_order_acquire); }

private:
    friend class MessageRegistry;

    std::atomic<int32_t> m_refCount{0}; // the first word, as direct posters expect
    std::atomic<bool> m_invalid{false}; // the listener has been destroyed

public:
    MessageListener* const listener;
};

class MessageListener {
public:
    // Binds to the process's registry (a soft assertion when there is none).
    MessageListener();
    explicit MessageListener(MessageRegistry* registry);
    // A copy gets its own instance in the same registry: two listeners sharing one instance
    // would each release it.
    MessageListener(const MessageListener& other);
    // Each side keeps its own binding.
    MessageListener& operator=(const MessageListener&) { return *this; }
    ~MessageListener();

    // Called on the main thread for each delivered message; data may be null.
    virtual void msgOnMessage(MessageData* data) {}
    // Called, on raw listeners only, for window messages of the registry window that are not
    // registry messages; true when handled.
    virtual bool msgOnRawMessage(RawMessage* message) { return false; }

    // post / send of this listener on its registry; false when unbound.
    bool msgPostData(MessageData* data);
    bool msgSendData(MessageData* data);

    // Null when unbound.
    MessageRegistry* getRegistry() const { return m_registry.load(std::memory_order_acquire); }
    // Null when unbound.
    MessageListenerInstance* getListenerInstance() const { return m_instance.load(std::memory_order_acquire); }

private:
    friend class MessageRegistry;
    void bind(MessageRegistry* registry);

    std::atomic<MessageRegistry*> m_registry{nullptr};
    // Read by posting threads while the main thread may unbind the listener.
    std::atomic<MessageListenerInstance*> m_instance{nullptr};
};

} // namespace pel

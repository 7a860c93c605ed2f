#pragma once
// Per-thread values. Each Thread has its own storage; every other thread (the main thread
// included) shares one process-wide storage. A value's key is the address of its holder.

#include <map>

namespace pel {

class Mutex_Impl;

class TLSAbstractSlot {
public:
    virtual ~TLSAbstractSlot() = default;
};

template <class T>
class TLSSlot : public TLSAbstractSlot {
public:
    TLSSlot() : m_value() {}
    T& value() { return m_value; }

private:
    T m_value;
};

class ThreadLocalStorage {
public:
    ThreadLocalStorage() = default;
    ~ThreadLocalStorage();
    ThreadLocalStorage(const ThreadLocalStorage&) = delete;
    ThreadLocalStorage& operator=(const ThreadLocalStorage&) = delete;

    // The slot of the key; a null entry is made when the key is new.
    TLSAbstractSlot*& get(const void* key);
    // The value of the key, value-initialised on first use.
    template <class T>
    T& get(const void* key) {
        return static_cast<TLSSlot<T>*>(slotFor(key, &makeSlot<T>))->value();
    }

    static ThreadLocalStorage& current();
    // On a Thread, deletes its storage with every value; elsewhere does nothing.
    static void clear();

private:
    template <class T>
    static TLSAbstractSlot* makeSlot() {
        return new TLSSlot<T>();
    }
    TLSAbstractSlot* slotFor(const void* key, TLSAbstractSlot* (*make)());

    std::map<const void*, TLSAbstractSlot*> m_slots;
    // Set on the shared storage only: several threads reach its map.
    Mutex_Impl* m_mutex = nullptr;
};

// A thread-local value of type T: ThreadLocal<int> s_depth; ... ++*s_depth;
template <class T>
class ThreadLocal {
public:
    T& get() { return ThreadLocalStorage::current().get<T>(this); }
    T& operator*() { return get(); }
    T* operator->() { return &get(); }
};

} // namespace pel

#include "pel/thread/ThreadLocalStorage.h"

#include "pel/thread/Mutex.h"
#include "pel/thread/Thread.h"

#include <memory>

namespace pel {

namespace {

// The storage of every thread that is not a Thread; lives until process exit.
struct SharedStorage {
    FastMutex mutex;
    std::unique_ptr<ThreadLocalStorage> storage;
};

SharedStorage& shared() {
    static SharedStorage instance;
    return instance;
}

} // namespace

ThreadLocalStorage::~ThreadLocalStorage() {
    for (auto& entry : m_slots)
        delete entry.second;
}

TLSAbstractSlot*& ThreadLocalStorage::get(const void* key) {
    if (!m_mutex)
        return m_slots[key];
    ScopedLock<Mutex_Impl> lock(*m_mutex);
    return m_slots[key];
}

TLSAbstractSlot* ThreadLocalStorage::slotFor(const void* key, TLSAbstractSlot* (*make)()) {
    auto find = [&]() -> TLSAbstractSlot* {
        TLSAbstractSlot*& slot = m_slots[key];
        if (!slot)
            slot = make();
        return slot;
    };
    if (!m_mutex)
        return find();
    ScopedLock<Mutex_Impl> lock(*m_mutex);
    return find();
}

ThreadLocalStorage& ThreadLocalStorage::current() {
    if (Thread* thread = Thread::current())
        return thread->tls();
    SharedStorage& s = shared();
    ScopedLock<FastMutex> lock(s.mutex);
    if (!s.storage) {
        s.storage.reset(new ThreadLocalStorage);
        s.storage->m_mutex = &s.mutex;
    }
    return *s.storage;
}

void ThreadLocalStorage::clear() {
    if (Thread* thread = Thread::current()) {
        delete thread->m_storage;
        thread->m_storage = nullptr;
    }
}

} // namespace pel

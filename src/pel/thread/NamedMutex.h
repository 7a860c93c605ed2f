#pragma once
// A named Win32 mutex, shared between processes (the single-instance check uses one).
// Failures throw SystemException with the mutex's name in the text.

#include <string>
#include <windows.h>

namespace pel {

class NamedMutexImpl {
public:
    // Creates the mutex, or opens it when another process made it first; never takes it.
    explicit NamedMutexImpl(const std::wstring& name);
    ~NamedMutexImpl();
    NamedMutexImpl(const NamedMutexImpl&) = delete;
    NamedMutexImpl& operator=(const NamedMutexImpl&) = delete;

    // A mutex whose owner ended without releasing it throws the "(abandoned)" text; the
    // ownership the wait was granted is given back first, so the caller holds nothing.
    void lock();
    bool tryLock();
    void unlock();

    const std::wstring& name() const { return m_name; }
    HANDLE handle() const { return m_handle; }

private:
    bool waitFor(DWORD milliseconds);

    std::wstring m_name;
    HANDLE m_handle;
};

class NamedMutex : public NamedMutexImpl {
public:
    explicit NamedMutex(const std::wstring& name) : NamedMutexImpl(name) {}
};

} // namespace pel

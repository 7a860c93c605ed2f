#pragma once
// A named auto-reset Win32 event that other processes can open and set (the process
// termination request uses one). Failures throw SystemException with the event's name.

#include <string>
#include <windows.h>

namespace pel {

class NamedEventImpl {
public:
    explicit NamedEventImpl(const std::wstring& name);
    ~NamedEventImpl();
    NamedEventImpl(const NamedEventImpl&) = delete;
    NamedEventImpl& operator=(const NamedEventImpl&) = delete;

    void set();
    void wait();

    const std::wstring& name() const { return m_name; }
    HANDLE handle() const { return m_handle; }

private:
    std::wstring m_name;
    HANDLE m_handle;
};

class NamedEvent : public NamedEventImpl {
public:
    explicit NamedEvent(const std::wstring& name) : NamedEventImpl(name) {}
};

} // namespace pel

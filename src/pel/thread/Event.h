#pragma once
// An unnamed Win32 event: auto-reset by default, or manual-reset. Failures throw SystemException.

#include <windows.h>

namespace pel {

class EventImpl {
public:
    explicit EventImpl(bool autoReset = true);
    ~EventImpl();
    EventImpl(const EventImpl&) = delete;
    EventImpl& operator=(const EventImpl&) = delete;

    void signal();
    void reset();
    void wait();
    // Waits milliseconds + 1; true when signalled, false on time-out.
    bool tryWait(int milliseconds);
    // As tryWait, throwing TimeoutException (empty message) on time-out.
    void wait(int milliseconds);

    HANDLE handle() const { return m_handle; }

private:
    HANDLE m_handle;
};

class Event : public EventImpl {
public:
    explicit Event(bool autoReset = true) : EventImpl(autoReset) {}
};

} // namespace pel

#include "pel/thread/Event.h"

#include "pel/base/Exception.h"

namespace pel {

EventImpl::EventImpl(bool autoReset) : m_handle(::CreateEventW(nullptr, autoReset ? FALSE : TRUE, FALSE, nullptr)) {
    if (!m_handle)
        throw SystemException(L"cannot create event");
}

EventImpl::~EventImpl() { ::CloseHandle(m_handle); }

void EventImpl::signal() {
    if (!::SetEvent(m_handle))
        throw SystemException(L"cannot signal event");
}

void EventImpl::reset() {
    if (!::ResetEvent(m_handle))
        throw SystemException(L"cannot reset event");
}

void EventImpl::wait() {
    if (::WaitForSingleObject(m_handle, INFINITE) != WAIT_OBJECT_0)
        throw SystemException(L"wait for event failed");
}

bool EventImpl::tryWait(int milliseconds) {
    switch (::WaitForSingleObject(m_handle, static_cast<DWORD>(milliseconds) + 1)) {
    case WAIT_OBJECT_0:
        return true;
    case WAIT_TIMEOUT:
        return false;
    default:
        throw SystemException(L"wait for event failed");
    }
}

void EventImpl::wait(int milliseconds) {
    if (!tryWait(milliseconds))
        throw TimeoutException();
}

} // namespace pel

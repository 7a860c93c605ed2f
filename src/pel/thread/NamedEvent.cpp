#include "pel/thread/NamedEvent.h"

#include "pel/base/Exception.h"
#include "pel/thread/MessageText.h"

namespace pel {

NamedEventImpl::NamedEventImpl(const std::wstring& name)
    : m_name(name), m_handle(::CreateEventW(nullptr, FALSE, FALSE, name.c_str())) {
    if (!m_handle)
        throw SystemException(fillMessageName(L"Cannot create named event `{1}`.", m_name));
}

NamedEventImpl::~NamedEventImpl() { ::CloseHandle(m_handle); }

void NamedEventImpl::set() {
    if (!::SetEvent(m_handle))
        throw SystemException(fillMessageName(L"Cannot signal named event `{1}`.", m_name));
}

void NamedEventImpl::wait() {
    if (::WaitForSingleObject(m_handle, INFINITE) != WAIT_OBJECT_0)
        throw SystemException(fillMessageName(L"Wait for named event failed `{1}`.", m_name));
}

} // namespace pel

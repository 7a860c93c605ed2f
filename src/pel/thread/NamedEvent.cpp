#include "pel/thread/NamedEvent.h"

#include "pel/base/Exception.h"
#include "pel/text/StringTemplate.h"

namespace pel {

NamedEventImpl::NamedEventImpl(const std::wstring& name)
    : m_name(name), m_handle(::CreateEventW(nullptr, FALSE, FALSE, name.c_str())) {
    if (!m_handle)
        throw SystemException(StringTemplate(L"Cannot create named event `{1}`.").arg(1, m_name).render());
}

NamedEventImpl::~NamedEventImpl() { ::CloseHandle(m_handle); }

void NamedEventImpl::set() {
    if (!::SetEvent(m_handle))
        throw SystemException(StringTemplate(L"Cannot signal named event `{1}`.").arg(1, m_name).render());
}

void NamedEventImpl::wait() {
    if (::WaitForSingleObject(m_handle, INFINITE) != WAIT_OBJECT_0)
        throw SystemException(StringTemplate(L"Wait for named event failed `{1}`.").arg(1, m_name).render());
}

} // namespace pel

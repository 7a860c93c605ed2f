#include "pel/thread/NamedMutex.h"

#include "pel/base/Exception.h"
#include "pel/text/StringTemplate.h"

namespace pel {

NamedMutexImpl::NamedMutexImpl(const std::wstring& name)
    : m_name(name), m_handle(::CreateMutexW(nullptr, FALSE, name.c_str())) {
    if (!m_handle)
        throw SystemException(StringTemplate(L"Cannot create named mutex `{1}`.").arg(1, m_name).render());
}

NamedMutexImpl::~NamedMutexImpl() { ::CloseHandle(m_handle); }

bool NamedMutexImpl::waitFor(DWORD milliseconds) {
    switch (::WaitForSingleObject(m_handle, milliseconds)) {
    case WAIT_OBJECT_0:
        return true;
    case WAIT_TIMEOUT:
        if (milliseconds != INFINITE)
            return false;
        break;
    case WAIT_ABANDONED:
        ::ReleaseMutex(m_handle);
        throw SystemException(StringTemplate(L"Cannot lock named mutex (abandoned) `{1}`.").arg(1, m_name).render());
    default:
        break;
    }
    throw SystemException(StringTemplate(L"Cannot lock named mutex `{1}`.").arg(1, m_name).render());
}

void NamedMutexImpl::lock() { waitFor(INFINITE); }

bool NamedMutexImpl::tryLock() { return waitFor(0); }

void NamedMutexImpl::unlock() { ::ReleaseMutex(m_handle); }

} // namespace pel

#include "pel/process/ProcessHandle.h"

#include "pel/base/Assert.h"

namespace pel {

ProcessHandleImpl::~ProcessHandleImpl() {
    if (m_process)
        ::CloseHandle(m_process);
}

ProcessHandle::ProcessHandle(ProcessHandleImpl* impl) : m_impl(impl) {
    if (!m_impl)
        nullPointerViolation(L"_pImpl", PEL_FILE, __LINE__);
}

ProcessHandle::ProcessHandle(const ProcessHandle& other) : m_impl(other.m_impl) { m_impl->duplicate(); }

ProcessHandle& ProcessHandle::operator=(const ProcessHandle& other) {
    if (this != &other) {
        m_impl->release();
        m_impl = other.m_impl;
        m_impl->duplicate();
    }
    return *this;
}

ProcessHandle::~ProcessHandle() { m_impl->release(); }

} // namespace pel

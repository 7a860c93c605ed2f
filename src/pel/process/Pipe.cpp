#include "pel/process/Pipe.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileException.h"

namespace pel {

namespace {

void closeEnd(HANDLE& handle) {
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
}

} // namespace

PipeImpl::PipeImpl() {
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    if (!::CreatePipe(&m_readHandle, &m_writeHandle, &attributes, 0))
        throw CreateFileException(L"Anonymous pipe");
}

PipeImpl::~PipeImpl() {
    closeRead();
    closeWrite();
}

int PipeImpl::writeBytes(const void* buffer, int length) {
    if (m_writeHandle == INVALID_HANDLE_VALUE)
        assertionViolation(L"_writeHandle != INVALID_HANDLE_VALUE", PEL_FILE, __LINE__);
    DWORD written = 0;
    if (!::WriteFile(m_writeHandle, buffer, static_cast<DWORD>(length), &written, nullptr))
        throw WriteFileException(L"anonymous pipe");
    return static_cast<int>(written);
}

int PipeImpl::readBytes(void* buffer, int length) {
    if (m_readHandle == INVALID_HANDLE_VALUE)
        assertionViolation(L"_readHandle != INVALID_HANDLE_VALUE", PEL_FILE, __LINE__);
    DWORD read = 0;
    if (!::ReadFile(m_readHandle, buffer, static_cast<DWORD>(length), &read, nullptr) &&
        ::GetLastError() != ERROR_BROKEN_PIPE)
        throw ReadFileException(L"anonymous pipe");
    return static_cast<int>(read);
}

void PipeImpl::closeRead() { closeEnd(m_readHandle); }

void PipeImpl::closeWrite() { closeEnd(m_writeHandle); }

Pipe::Pipe() : m_impl(new PipeImpl) {}

Pipe::Pipe(const Pipe& other) : m_impl(other.m_impl) { m_impl->duplicate(); }

Pipe& Pipe::operator=(const Pipe& other) {
    if (this != &other) {
        m_impl->release();
        m_impl = other.m_impl;
        m_impl->duplicate();
    }
    return *this;
}

Pipe::~Pipe() { m_impl->release(); }

void Pipe::close(CloseMode mode) {
    if (mode & CLOSE_READ)
        m_impl->closeRead();
    if (mode & CLOSE_WRITE)
        m_impl->closeWrite();
}

} // namespace pel

#pragma once
// An anonymous pipe shared by reference: the parent's ends of a child's redirected standard
// handles, and what the pipe streams read and write through. Both ends close with the last copy.

#include "pel/base/Object.h"

#include <windows.h>

namespace pel {

class PipeImpl : public RefCountedObject {
public:
    // Neither end is inheritable: a child gets only the duplicates a launch makes for it.
    PipeImpl();
    PipeImpl(const PipeImpl&) = delete;
    PipeImpl& operator=(const PipeImpl&) = delete;

    // Blocks until the reader took all of it; the bytes written.
    int writeBytes(const void* buffer, int length);
    // Blocks until some bytes arrive; 0 once every write end is closed.
    int readBytes(void* buffer, int length);
    HANDLE readHandle() const { return m_readHandle; }
    HANDLE writeHandle() const { return m_writeHandle; }
    void closeRead();
    void closeWrite();

protected:
    ~PipeImpl() override;

private:
    HANDLE m_readHandle = INVALID_HANDLE_VALUE;
    HANDLE m_writeHandle = INVALID_HANDLE_VALUE;
};

class Pipe {
public:
    enum CloseMode { CLOSE_READ = 1, CLOSE_WRITE = 2, CLOSE_BOTH = 3 };

    Pipe();
    Pipe(const Pipe& other);
    Pipe& operator=(const Pipe& other);
    ~Pipe();

    int writeBytes(const void* buffer, int length) { return m_impl->writeBytes(buffer, length); }
    int readBytes(void* buffer, int length) { return m_impl->readBytes(buffer, length); }
    HANDLE readHandle() const { return m_impl->readHandle(); }
    HANDLE writeHandle() const { return m_impl->writeHandle(); }
    // Closes the chosen ends that are still open; a closed end holds INVALID_HANDLE_VALUE.
    void close(CloseMode mode = CLOSE_BOTH);

private:
    PipeImpl* m_impl;
};

} // namespace pel

#pragma once
// A launched child process, shared by reference; the process handle closes with the last copy.

#include "pel/base/Object.h"

#include <cstdint>
#include <windows.h>

namespace pel {

class ProcessHandleImpl : public RefCountedObject {
public:
    // Takes over `process`.
    ProcessHandleImpl(HANDLE process, uint32_t id) : m_process(process), m_id(id) {}

    HANDLE process() const { return m_process; }
    uint32_t id() const { return m_id; }

protected:
    ~ProcessHandleImpl() override;

private:
    HANDLE m_process;
    uint32_t m_id;
};

class ProcessHandle {
public:
    // Takes over the caller's reference to `impl`, which must not be null.
    explicit ProcessHandle(ProcessHandleImpl* impl);
    ProcessHandle(const ProcessHandle& other);
    ProcessHandle& operator=(const ProcessHandle& other);
    ~ProcessHandle();

    uint32_t id() const { return m_impl->id(); }
    HANDLE process() const { return m_impl->process(); }

private:
    ProcessHandleImpl* m_impl;
};

} // namespace pel

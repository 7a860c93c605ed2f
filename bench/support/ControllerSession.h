#pragma once
// What a benchmark that drives DocumentControllers sets up before its documents and tears down
// after them: the main thread's identity, the memory and temporary devices in the folder that
// --folder names, and the message registry.

#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "support/FileBench.h"
#include "support/TempDevices.h"

namespace bench {

class ControllerSession {
public:
    explicit ControllerSession(const Options& options)
        : m_devices((pel::store_main_thread_id(), folderOption(options))) {
        m_registry.initRegistry(::GetModuleHandleW(nullptr));
    }
    ~ControllerSession() { m_registry.releaseRegistry(); }
    ControllerSession(const ControllerSession&) = delete;
    ControllerSession& operator=(const ControllerSession&) = delete;

private:
    tessel_test::TempDevices m_devices;
    pel::MessageRegistry m_registry;
};

} // namespace bench

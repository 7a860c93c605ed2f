#pragma once
// The service root's tests: the test thread as the main thread, the message registry, and a
// folder whose "root" and "temp" folders the root's file system is set up over (the user folder
// "user" is made by the set-up). Whatever root the test made, and its file system, go with it.

#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "service/base/ServiceSetup.h"
#include "service/base/TesselService.h"
#include "support/TempFolder.h"

namespace tessel_test {

class ServiceRootFolders {
public:
    ServiceRootFolders() {
        pel::store_main_thread_id();
        registry.initRegistry(::GetModuleHandleW(nullptr));
        current() = &base;
        for (const wchar_t* folder : {L"root", L"temp"})
            ::CreateDirectoryW((base / folder).c_str(), nullptr);
        tessel::TesselService::setSetupSteps({&setUpOverFolders, nullptr});
    }
    ~ServiceRootFolders() {
        delete tessel::TesselService::findInstance();
        tessel::TesselService::setSetupSteps({nullptr, nullptr});
        tessel::releaseFileSystem();
        registry.releaseRegistry();
    }
    ServiceRootFolders(const ServiceRootFolders&) = delete;
    ServiceRootFolders& operator=(const ServiceRootFolders&) = delete;

    // The file-system step over the folders of the test that is running.
    static bool setUpOverFolders(tessel::Config& config) {
        const TempFolder& folder = *current();
        return tessel::setupFileSystem(config, {folder / L"root", folder / L"user", folder / L"appdata", folder / L"temp"});
    }

    pel::MessageRegistry registry;
    TempFolder base;

private:
    static const TempFolder*& current() {
        static const TempFolder* folder = nullptr;
        return folder;
    }
};

} // namespace tessel_test

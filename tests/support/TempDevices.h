#pragma once
// While it lives: the RAM disk "mem", "tmp" over a native folder (a fresh one of its own unless
// given) and the temporary-file device "vtmp" over both, as undo logs and scratch files need
// them; the file system is released with it. Benchmarks use it too.

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/RamDisk.h"
#include "pel/files/file_io/TempDevice.h"
#include "support/TempFolder.h"

#include <memory>
#include <string>

namespace tessel_test {

class TempDevices {
public:
    TempDevices() : ownFolder(new TempFolder), tmp(ownFolder->path.c_str(), false) { attach(); }
    explicit TempDevices(const std::wstring& folder) : tmp(folder.c_str(), false) { attach(); }
    ~TempDevices() {
        vtmp.reset(); // its files delete their parts while "mem" and "tmp" are there
        pel::FileIO::release();
    }
    TempDevices(const TempDevices&) = delete;
    TempDevices& operator=(const TempDevices&) = delete;

    std::unique_ptr<TempFolder> ownFolder; // null when the folder was given
    pel::FileDeviceWin32 tmp;
    pel::RamDisk mem;
    std::unique_ptr<pel::TempDevice> vtmp{new pel::TempDevice};

private:
    void attach() {
        pel::FileIO::attachDevice(L"tmp", &tmp, 0);
        pel::FileIO::attachDevice(L"mem", &mem, 0);
        pel::FileIO::attachDevice(L"vtmp", vtmp.get(), 0);
    }
};

} // namespace tessel_test

#pragma once
// While it lives: the RAM disk "mem", "tmp" over a fresh native folder and the temporary-file
// device "vtmp" over both, as undo logs and scratch files need them; the file system is
// released with it.

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/RamDisk.h"
#include "pel/files/file_io/TempDevice.h"
#include "support/TempFolder.h"

#include <memory>

namespace tessel_test {

class TempDevices {
public:
    TempDevices() : tmp(folder.path.c_str(), false), vtmp(new pel::TempDevice) {
        pel::FileIO::attachDevice(L"tmp", &tmp, 0);
        pel::FileIO::attachDevice(L"mem", &mem, 0);
        pel::FileIO::attachDevice(L"vtmp", vtmp.get(), 0);
    }
    ~TempDevices() {
        vtmp.reset(); // its files delete their parts while "mem" and "tmp" are there
        pel::FileIO::release();
    }
    TempDevices(const TempDevices&) = delete;
    TempDevices& operator=(const TempDevices&) = delete;

    TempFolder folder;
    pel::FileDeviceWin32 tmp;
    pel::RamDisk mem;
    std::unique_ptr<pel::TempDevice> vtmp;
};

} // namespace tessel_test

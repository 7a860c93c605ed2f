#pragma once
// Whole-file writes and reads through the file facade in 1 MiB calls, for the device benchmarks
// (any failure ends the benchmark with the thread's file error code), and the memory and
// temporary devices that benchmarks of files and undo logs run on.

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/RamDisk.h"
#include "pel/files/file_io/TempDevice.h"
#include "support/Bench.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace bench {

constexpr uint32_t FILE_CHUNK = 1 << 20;

// The full native path of the folder that --folder names (the current one by default).
inline std::wstring folderOption(const Options& options) {
    const std::string given = options.get("--folder", ".");
    wchar_t folder[MAX_PATH];
    ::GetFullPathNameW(std::wstring(given.begin(), given.end()).c_str(), MAX_PATH, folder, nullptr);
    return folder;
}

// While it lives: the RAM disk "mem", "tmp" over a native folder and the temporary-file device
// "vtmp" over both; the file system is released with it.
class TempDevices {
public:
    explicit TempDevices(const std::wstring& folder) : tmp(folder.c_str(), false), vtmp(new pel::TempDevice) {
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

    pel::FileDeviceWin32 tmp;
    pel::RamDisk mem;
    std::unique_ptr<pel::TempDevice> vtmp;
};

inline void fileFailure(const char* what) {
    std::fprintf(stderr, "%s failed with 0x%08X\n", what, static_cast<unsigned>(pel::FileErrorObject::getErrorCode()));
    std::exit(2);
}

inline void writeWholeFile(const wchar_t* path, const std::vector<char>& chunk, int chunks) {
    pel::File* file = pel::FileIO::openFile(path, pel::FILE_MODE_WRITE);
    if (!file)
        fileFailure("open for writing");
    for (int i = 0; i < chunks; ++i)
        if (file->write(chunk.data(), FILE_CHUNK) != static_cast<int32_t>(FILE_CHUNK))
            fileFailure("write");
    if (!pel::FileIO::closeFile(file))
        fileFailure("close");
}

inline long long readWholeFile(const wchar_t* path, std::vector<char>& chunk) {
    pel::File* file = pel::FileIO::openFile(path, pel::FILE_MODE_READ);
    if (!file)
        fileFailure("open for reading");
    long long total = 0;
    for (int32_t n; (n = file->read(chunk.data(), FILE_CHUNK)) > 0;)
        total += n;
    pel::FileIO::closeFile(file);
    return total;
}

} // namespace bench

#pragma once
// Whole-file writes and reads through the file facade in 1 MiB calls, for the device benchmarks;
// any failure ends the benchmark with the thread's file error code. Benchmarks that need the
// memory and temporary devices take the tests' TempDevices (support/TempDevices.h).

#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIO.h"
#include "support/Bench.h"

#include <cstdio>
#include <cstdlib>
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

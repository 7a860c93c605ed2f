// Sequential write and read of a file through FileBuffer (the native device's default 32 KiB
// windows), in 1 MiB calls, beside dd of the same size with the same block size; the same
// through the unbuffered file ("[nb]") shows what the window costs.
//   filebuffer_bench --file PATH [--mib 256] [--dd-write-mbps X] [--dd-read-mbps Y]

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "support/Bench.h"
#include "support/FileBench.h"

#include <string>
#include <vector>

namespace {

using bench::fileFailure;
constexpr uint32_t CHUNK = bench::FILE_CHUNK;

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const std::string given = options.get("--file", "filebuffer.bin");
    const int mib = static_cast<int>(options.number("--mib", 256));
    const std::wstring path(given.begin(), given.end());
    const double bytes = static_cast<double>(mib) * CHUNK;

    pel::FileDeviceWin32 native(nullptr, true);
    pel::FileIO::attachDevice(L"__winfs", &native, 0);
    pel::FileDeviceWin32 unbuffered(nullptr, false);
    pel::FileIO::attachDevice(L"raw", &unbuffered, 0);
    const std::wstring raw = L"raw[nb]:" + path;

    std::vector<char> chunk(CHUNK);
    for (uint32_t i = 0; i < CHUNK; ++i)
        chunk[i] = static_cast<char>(i * 7 + i / 4099);

    const double write = bench::bestOf(3, [&] { bench::writeWholeFile(path.c_str(), chunk, mib); });
    long long total = 0;
    const double read = bench::bestOf(3, [&] { total = bench::readWholeFile(path.c_str(), chunk); });
    if (total != static_cast<long long>(bytes))
        fileFailure("reading back the whole file");
    const double rawWrite = bench::bestOf(3, [&] { bench::writeWholeFile(raw.c_str(), chunk, mib); });
    const double rawRead = bench::bestOf(3, [&] { bench::readWholeFile(raw.c_str(), chunk); });
    pel::FileIO::deleteFile(path.c_str());
    pel::FileIO::release();

    bench::figureBeside("filebuffer_write", bytes / write / 1e6, "MB/s", "dd", options.number("--dd-write-mbps"));
    bench::figureBeside("filebuffer_read", bytes / read / 1e6, "MB/s", "dd", options.number("--dd-read-mbps"));
    bench::figure("file_unbuffered_write", bytes / rawWrite / 1e6, "MB/s");
    bench::figure("file_unbuffered_read", bytes / rawRead / 1e6, "MB/s");
    return 0;
}

// Sequential write and read of a file through FileBuffer (the native device's default 32 KiB
// windows), in 1 MiB calls, beside dd of the same size with the same block size; the same
// through the unbuffered file ("[nb]") shows what the window costs.
//   filebuffer_bench --file PATH [--mib 256] [--dd-write-mbps X] [--dd-read-mbps Y]

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "support/Bench.h"

#include <string>
#include <vector>

namespace {

constexpr uint32_t CHUNK = 1 << 20;

void fail(const char* what) {
    std::fprintf(stderr, "%s failed with 0x%08X\n", what, pel::FileErrorObject::getErrorCode());
    std::exit(2);
}

void writeFile(const std::wstring& path, const std::vector<char>& chunk, int chunks) {
    pel::File* file = pel::FileIO::openFile(path.c_str(), pel::FILE_MODE_WRITE);
    if (!file)
        fail("open for writing");
    for (int i = 0; i < chunks; ++i)
        if (file->write(chunk.data(), CHUNK) != static_cast<int32_t>(CHUNK))
            fail("write");
    if (!pel::FileIO::closeFile(file))
        fail("close");
}

long long readFile(const std::wstring& path, std::vector<char>& chunk) {
    pel::File* file = pel::FileIO::openFile(path.c_str(), pel::FILE_MODE_READ);
    if (!file)
        fail("open for reading");
    long long total = 0;
    for (int32_t n; (n = file->read(chunk.data(), CHUNK)) > 0;)
        total += n;
    pel::FileIO::closeFile(file);
    return total;
}

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

    const double write = bench::bestOf(3, [&] { writeFile(path, chunk, mib); });
    long long total = 0;
    const double read = bench::bestOf(3, [&] { total = readFile(path, chunk); });
    if (total != static_cast<long long>(bytes))
        fail("reading back the whole file");
    const double rawWrite = bench::bestOf(3, [&] { writeFile(raw, chunk, mib); });
    const double rawRead = bench::bestOf(3, [&] { readFile(raw, chunk); });
    pel::FileIO::deleteFile(path.c_str());
    pel::FileIO::release();

    bench::figureBeside("filebuffer_write", bytes / write / 1e6, "MB/s", "dd", options.number("--dd-write-mbps"));
    bench::figureBeside("filebuffer_read", bytes / read / 1e6, "MB/s", "dd", options.number("--dd-read-mbps"));
    bench::figure("file_unbuffered_write", bytes / rawWrite / 1e6, "MB/s");
    bench::figure("file_unbuffered_read", bytes / rawRead / 1e6, "MB/s");
    return 0;
}

// Sequential write and read of a 64 MiB file, in 1 MiB calls, on the RAM disk ("mem", 4 KiB
// chunks) and on the temporary-file device ("vtmp", default memory limit, so nearly all of it
// goes to the disk part on a native device over the given folder).
//   memory_devices_bench --folder DIR [--mib 64]

#include "pel/files/file_io/FileIO.h"
#include "support/Bench.h"
#include "support/FileBench.h"
#include "support/TempDevices.h"

#include <string>
#include <vector>

namespace {

using bench::fileFailure;
constexpr uint32_t CHUNK = bench::FILE_CHUNK;

// Write and read figures of one device path.
void measure(const char* name, const wchar_t* path, std::vector<char>& chunk, int mib) {
    const double bytes = static_cast<double>(mib) * CHUNK;
    const double write = bench::bestOf(3, [&] { bench::writeWholeFile(path, chunk, mib); });
    long long total = 0;
    const double read = bench::bestOf(3, [&] { total = bench::readWholeFile(path, chunk); });
    if (total != static_cast<long long>(bytes))
        fileFailure("reading back the whole file");
    if (!pel::FileIO::deleteFile(path))
        fileFailure("delete");
    bench::figure((std::string(name) + "_write").c_str(), bytes / write / 1e6, "MB/s");
    bench::figure((std::string(name) + "_read").c_str(), bytes / read / 1e6, "MB/s");
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int mib = static_cast<int>(options.number("--mib", 64));
    tessel_test::TempDevices devices(bench::folderOption(options));

    std::vector<char> chunk(CHUNK);
    for (uint32_t i = 0; i < CHUNK; ++i)
        chunk[i] = static_cast<char>(i * 7 + i / 4099);
    measure("ramdisk", L"mem:bench.bin", chunk, mib);
    measure("tempdevice", L"vtmp:bench.bin", chunk, mib);
    return 0;
}

// CRC-32 throughput over the data file written by the host peer's script.
//   crc_bench --data FILE --expect HEX [--reference-mbps X]

#include "pel/base/Crc.h"
#include "support/Bench.h"

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const std::vector<unsigned char> data = bench::loadFile(options.get("--data", "crc.bin"));

    uint32_t crc = 0;
    const double best = bench::bestOf(5, [&] { crc = pel::crc32(data.data(), data.size()); });
    const char* expect = options.get("--expect");
    if (expect && std::strtoul(expect, nullptr, 16) != crc) {
        std::fprintf(stderr, "crc_bench: CRC %08X differs from the peer's %s\n", static_cast<unsigned>(crc), expect);
        return 1;
    }
    bench::figureBeside("crc32", data.size() / best / 1e6, "MB/s", "zlib", options.number("--reference-mbps"));
    return 0;
}

// CRC-32 throughput over a buffer (64 MiB unless a data file is given).
// Prints "crc32 <MB/s> MB/s"; given a peer's figure on the same data, also the ratio to it.
//   crc_bench [--data FILE] [--expect HEX] [--reference-mbps X]

#include "pel/base/Crc.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

double seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::vector<unsigned char> loadOrGenerate(const char* path) {
    std::vector<unsigned char> data;
    if (path) {
        std::ifstream in(path, std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (data.empty()) {
            std::fprintf(stderr, "crc_bench: cannot read %s\n", path);
            std::exit(2);
        }
        return data;
    }
    data.resize(64u << 20);
    uint32_t state = 12345;
    for (auto& byte : data) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<unsigned char>(state >> 24);
    }
    return data;
}

} // namespace

int main(int argc, char** argv) {
    const char* path = nullptr;
    const char* expect = nullptr;
    double reference = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--data"))
            path = argv[i + 1];
        else if (!std::strcmp(argv[i], "--expect"))
            expect = argv[i + 1];
        else if (!std::strcmp(argv[i], "--reference-mbps"))
            reference = std::atof(argv[i + 1]);
    }
    const std::vector<unsigned char> data = loadOrGenerate(path);

    double best = 1e30;
    uint32_t crc = 0;
    for (int run = 0; run < 5; ++run) {
        const double start = seconds();
        crc = pel::crc32(data.data(), data.size());
        best = std::min(best, seconds() - start);
    }
    if (expect && std::strtoul(expect, nullptr, 16) != crc) {
        std::fprintf(stderr, "crc_bench: CRC %08X differs from the reference %s\n", static_cast<unsigned>(crc), expect);
        return 1;
    }
    const double mbps = static_cast<double>(data.size()) / best / 1e6;
    std::printf("crc32 %.0f MB/s\n", mbps);
    if (reference > 0)
        std::printf("crc32_vs_zlib %.2f ratio\n", mbps / reference);
    return 0;
}

// SHA-1 throughput over a data file, checked against the peer's digest of the same file.
//   sha1_bench --data FILE --expect HEX [--reference-mbps X]

#include "pel/base/SHA1Engine.h"
#include "support/Bench.h"

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const std::vector<unsigned char> data = bench::loadFile(options.get("--data", "sha1.bin"));

    std::string hex;
    const double best = bench::bestOf(3, [&] {
        pel::SHA1Engine engine;
        engine.update(data.data(), data.size());
        hex = pel::DigestEngine::digestToHex(engine.digest());
    });
    const char* expect = options.get("--expect");
    if (expect && hex != expect) {
        std::fprintf(stderr, "sha1_bench: digest %s differs from the peer's %s\n", hex.c_str(), expect);
        return 1;
    }
    bench::figureBeside("sha1", data.size() / best / 1e6, "MB/s", "sha1sum", options.number("--reference-mbps"));
    return 0;
}

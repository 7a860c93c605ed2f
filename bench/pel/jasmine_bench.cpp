// Reading a large JSON document and the same records written as Jasmine (bare keys, comments,
// single quotes, no commas) into value trees, in MB/s of the UTF-8 files; both trees must be equal.
//   jasmine_bench --json FILE --jasmine FILE [--reference-mbps X]
// X is the peer's json.loads figure on the JSON file; both figures are set beside it.

#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/text/TextConversion.h"
#include "pel/value/Value.h"
#include "support/Bench.h"

#include <memory>

namespace {

struct Parsed {
    double mbps;
    std::unique_ptr<pel::Value> value;
};

// Decoding happens before the clock starts, and freeing the tree after it stops.
Parsed readFile(const char* path) {
    const std::vector<unsigned char> bytes = bench::loadFile(path);
    std::wstring text;
    pel::fromUtf8(reinterpret_cast<const char*>(bytes.data()), bytes.size(), text);
    Parsed parsed;
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        parsed.value.reset();
        const double start = bench::seconds();
        pel::Value* value = pel::JasmineReaderHelper::read(text);
        const double elapsed = bench::seconds() - start;
        parsed.value.reset(value);
        if (elapsed < best)
            best = elapsed;
    }
    parsed.mbps = bytes.size() / best / 1e6;
    return parsed;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const double reference = options.number("--reference-mbps");
    try {
        const Parsed json = readFile(options.get("--json", "doc.json"));
        bench::figureBeside("jasmine_read_json", json.mbps, "MB/s", "python_json", reference);
        const Parsed jasmine = readFile(options.get("--jasmine", "doc.jasmine"));
        bench::figureBeside("jasmine_read_jasmine", jasmine.mbps, "MB/s", "python_json", reference);
        if (!json.value->equals(*jasmine.value)) {
            std::fprintf(stderr, "jasmine_bench: the two documents read to different values\n");
            return 1;
        }
    } catch (const pel::Exception& e) {
        std::fprintf(stderr, "jasmine_bench: %ls\n", e.displayText().c_str());
        return 1;
    }
    return 0;
}

// Reading a large JSON document and the same records written as Jasmine (bare keys, comments,
// single quotes, no commas) into value trees, in MB/s of the UTF-8 files; both trees must be equal.
// The JSON document is read once more through a text reader over a String16StreamBuf, the way
// bundle entries are read. Targets: 1.5 times json.loads for the JSON text, 1.3 times for the
// Jasmine text.
// Then writing the tree back as compact JSON and as indented Jasmine, in MB/s of the UTF-8 size
// of the text written; the JSON text must read back to the same tree.
//   jasmine_bench --json FILE --jasmine FILE [--reference-mbps X] [--reference-dumps-mbps Y]
// X is the peer's json.loads figure on the JSON file, Y its json.dumps figure for the same
// document; the reading figures are set beside X, the writing figures beside Y.

#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/stream/StreamTextReader.h"
#include "pel/stream/String16StreamBuf.h"
#include "pel/text/TextConversion.h"
#include "pel/value/Value.h"
#include "support/Bench.h"

#include <istream>
#include <memory>

namespace {

struct Parsed {
    double mbps;
    std::unique_ptr<pel::Value> value;
};

// Decoding happens before the clock starts, and freeing the tree after it stops.
Parsed readFile(const char* path, bool throughReader = false) {
    const std::vector<unsigned char> bytes = bench::loadFile(path);
    std::wstring text;
    pel::fromUtf8(reinterpret_cast<const char*>(bytes.data()), bytes.size(), text);
    Parsed parsed;
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        parsed.value.reset();
        const double start = bench::seconds();
        pel::Value* value;
        if (throughReader) {
            pel::String16StreamBuf buffer(text);
            std::istream in(&buffer);
            pel::StreamTextReader reader(in);
            value = pel::JasmineReaderHelper::read(&reader);
        } else {
            value = pel::JasmineReaderHelper::read(text);
        }
        const double elapsed = bench::seconds() - start;
        parsed.value.reset(value);
        if (elapsed < best)
            best = elapsed;
    }
    parsed.mbps = bytes.size() / best / 1e6;
    return parsed;
}

// Writing happens into a string whose room the first run has already made.
double writeMbps(const pel::Value& value, void (*write)(const pel::Value*, std::wstring*), std::wstring& text) {
    const double best = bench::bestOf(3, [&] { write(&value, &text); });
    std::string bytes;
    pel::toUtf8(text.data(), text.size(), bytes);
    return bytes.size() / best / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const double reference = options.number("--reference-mbps");
    const double dumps = options.number("--reference-dumps-mbps");
    try {
        const Parsed json = readFile(options.get("--json", "doc.json"));
        bench::figureBeside("jasmine_read_json", json.mbps, "MB/s", "python_json", reference);
        const Parsed jasmine = readFile(options.get("--jasmine", "doc.jasmine"));
        bench::figureBeside("jasmine_read_jasmine", jasmine.mbps, "MB/s", "python_json", reference);
        const Parsed reader = readFile(options.get("--json", "doc.json"), true);
        bench::figureBeside("jasmine_read_json_text_reader", reader.mbps, "MB/s", "python_json", reference);
        if (!json.value->equals(*jasmine.value) || !json.value->equals(*reader.value)) {
            std::fprintf(stderr, "jasmine_bench: the documents read to different values\n");
            return 1;
        }
        std::wstring text;
        bench::figureBeside("jasmine_write_jasmine", writeMbps(*json.value, pel::JasmineWriterHelper::toJasmine, text),
                            "MB/s", "python_json_dumps", dumps);
        bench::figureBeside("jasmine_write_json", writeMbps(*json.value, pel::JasmineWriterHelper::toJson, text),
                            "MB/s", "python_json_dumps", dumps);
        const std::unique_ptr<pel::Value> back(pel::JasmineReaderHelper::read(text));
        if (!back->equals(*json.value)) {
            std::fprintf(stderr, "jasmine_bench: the written JSON reads back to a different value\n");
            return 1;
        }
    } catch (const pel::Exception& e) {
        std::fprintf(stderr, "jasmine_bench: %ls\n", e.displayText().c_str());
        return 1;
    }
    return 0;
}

// Parsing a large file of value-tree text (the records of the Jasmine benchmark) into a ValueNode
// tree, in MB/s of the UTF-8 file with the decoding outside the clock; then writing the tree back
// as value-tree text, in MB/s of the UTF-8 size of the text written, which must read back with
// as many records.
//   value_tree_bench --file FILE [--reference-loads-mbps X] [--reference-dumps-mbps Y]
// X is Python's json.loads figure on the same records as JSON, Y its json.dumps figure.

#include "service/base/JasmineLoader.h"
#include "service/base/ValueNodeParser.h"

#include "pel/text/TextConversion.h"
#include "pel/text/WideString.h"
#include "support/Bench.h"

#include <memory>

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    try {
        const std::vector<unsigned char> bytes = bench::loadFile(options.get("--file", "doc.tsConfig"));
        std::wstring text;
        if (!pel::decodeText(bytes.data(), bytes.size(), 0, text)) {
            std::fprintf(stderr, "value_tree_bench: the file does not decode\n");
            return 1;
        }
        tessel::ValueNode tree;
        tessel::ValueNodeParser parser;
        // Freeing the previous run's tree happens outside the clock.
        double best = 1e30;
        for (int run = 0; run < 3; ++run) {
            tree.clear();
            const double start = bench::seconds();
            parser.parse(text.c_str(), tree);
            best = std::min(best, bench::seconds() - start);
        }
        bench::figureBeside("value_tree_parse", bytes.size() / best / 1e6, "MB/s", "python_json_loads",
                            options.number("--reference-loads-mbps"));

        std::wstring written;
        const double writing = bench::bestOf(3, [&] {
            written.clear();
            tessel::JasmineLoader::writeValue(tree, written, 0);
        });
        std::string utf8;
        pel::toUtf8(written.data(), written.size(), utf8);
        bench::figureBeside("value_tree_write", utf8.size() / writing / 1e6, "MB/s", "python_json_dumps",
                            options.number("--reference-dumps-mbps"));

        tessel::ValueNode back;
        parser.parse(written.c_str(), back);
        const size_t records = tree.getKey(L"items").listBegin().size();
        if (records == 0 || back.getKey(L"items").listBegin().size() != records) {
            std::fprintf(stderr, "value_tree_bench: the written text does not read back to the records\n");
            return 1;
        }
    } catch (const pel::Exception& e) {
        std::fprintf(stderr, "value_tree_bench: %ls\n", e.displayText().c_str());
        return 1;
    }
    return 0;
}

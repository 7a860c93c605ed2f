// Format replace-all: "\u$1\L$2" for "\b(\w)(\w*)" with the global option over English-like
// text read from a file (8 Mi characters, 16 MiB as UTF-16), beside the same search loop with
// a plain replacement and beside GNU sed's figure measured on the same text by run.sh. MB/s
// counts the text's UTF-16 bytes. With --expect, the result must equal sed's output. Prints:
//   format_replace_all <MB/s> MB/s
//   plain_replace_all <MB/s> MB/s
//   format_replace_all_time_vs_plain <ratio> ratio   (target: at most 1.5)
//   format_replace_all_vs_sed <ratio> ratio          (target: above 1)

#include "pel/text/search/RegEx.h"
#include "service/parser/base/ReplaceFormat.h"
#include "support/Bench.h"

#include <string>

using namespace tessel;

namespace {

std::wstring widen(const std::vector<unsigned char>& bytes) { return std::wstring(bytes.begin(), bytes.end()); }

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const char* path = options.get("--text");
    if (!path) {
        std::fprintf(stderr, "usage: format_replace_bench --text FILE [--expect FILE] [--sed-mbps N]\n");
        return 2;
    }
    const std::wstring text = widen(bench::loadFile(path));
    pel::RegExOptions global;
    global.global = true;
    const auto regex = pel::RegEx::create(L"\\b(\\w)(\\w*)", global);
    const ReplaceFormat format = parseReplaceFormat(L"\\u$1\\L$2");
    const ReplaceFormat plain = parseReplaceFormat(L"word");

    std::wstring out;
    if (const char* expect = options.get("--expect")) {
        substituteReplaceFormat(*regex, format, text, &out);
        if (out != widen(bench::loadFile(expect))) {
            std::fprintf(stderr, "the result differs from sed's\n");
            return 1;
        }
    }
    const double formatted = bench::bestOf(3, [&] { substituteReplaceFormat(*regex, format, text, &out); });
    const double replaced = bench::bestOf(3, [&] { substituteReplaceFormat(*regex, plain, text, &out); });
    const double megabytes = 2.0 * text.size() / 1e6;
    bench::figure("plain_replace_all", megabytes / replaced, "MB/s");
    bench::figureBeside("format_replace_all", megabytes / formatted, "MB/s", "sed", options.number("--sed-mbps"));
    bench::figure("format_replace_all_time_vs_plain", formatted / replaced, "ratio");
    return 0;
}

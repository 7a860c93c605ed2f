// UTF-8 <-> UTF-16 conversion throughput (fromUtf8 / toUtf8 over the ICU converter), counted in
// input bytes and checked against the peer's files, and the shortest double text in doubles/s.
//   utf_bench --utf8 FILE --utf16 FILE [--iconv-utf8-to-utf16 X] [--iconv-utf16-to-utf8 Y]

#include "pel/text/NumberText.h"
#include "pel/text/TextConversion.h"
#include "support/Bench.h"

#include <cstdint>
#include <cstring>
#include <random>

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const std::vector<unsigned char> utf8Bytes = bench::loadFile(options.get("--utf8", "utf8.txt"));
    const std::vector<unsigned char> utf16Bytes = bench::loadFile(options.get("--utf16", "utf16.txt"));
    const std::string utf8(utf8Bytes.begin(), utf8Bytes.end());
    const std::wstring utf16(reinterpret_cast<const wchar_t*>(utf16Bytes.data()), utf16Bytes.size() / 2);

    // Each run starts from an empty string, as a caller's conversion does.
    std::wstring decoded;
    const double decodeTime = bench::bestOf(3, [&] {
        std::wstring().swap(decoded);
        pel::fromUtf8(utf8.data(), utf8.size(), decoded);
    });
    std::string encoded;
    const double encodeTime = bench::bestOf(3, [&] {
        std::string().swap(encoded);
        pel::toUtf8(utf16.data(), utf16.size(), encoded);
    });
    if (decoded != utf16 || encoded != utf8) {
        std::fprintf(stderr, "utf_bench: a conversion differs from the peer's text\n");
        return 1;
    }
    bench::figureBeside("utf8_to_utf16", utf8.size() / decodeTime / 1e6, "MB/s", "iconv",
                        options.number("--iconv-utf8-to-utf16"));
    bench::figureBeside("utf16_to_utf8", utf16Bytes.size() / encodeTime / 1e6, "MB/s", "iconv",
                        options.number("--iconv-utf16-to-utf8"));

    // Doubles of every magnitude: finite random bit patterns.
    std::mt19937_64 random(11);
    std::vector<double> values;
    while (values.size() < 1000000) {
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (value - value == 0) // finite
            values.push_back(value);
    }
    std::wstring text;
    size_t characters = 0;
    const double formatTime = bench::bestOf(3, [&] {
        characters = 0;
        for (double value : values) {
            text.clear();
            pel::formatDouble(text, value);
            characters += text.size();
        }
    });
    if (characters == 0)
        return 1;
    bench::figure("format_double", values.size() / formatTime, "doubles/s");
    return 0;
}

// UTF-8 <-> UTF-16 conversion throughput (fromUtf8 / toUtf8 over the ICU converter), counted in
// input bytes, and the shortest double text in doubles per second.
// Given the peer's figures on the same files, also prints the ratio to each.
//   utf_bench --utf8 FILE --utf16 FILE [--iconv-utf8-to-utf16 X] [--iconv-utf16-to-utf8 Y]

#include "pel/text/NumberText.h"
#include "pel/text/TextConversion.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
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

std::string load(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.empty()) {
        std::fprintf(stderr, "utf_bench: cannot read %s\n", path ? path : "(none)");
        std::exit(2);
    }
    return data;
}

template <class Run>
double bestSeconds(Run run) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const double start = seconds();
        run();
        best = std::min(best, seconds() - start);
    }
    return best;
}

void report(const char* name, double bytes, double time, double reference) {
    const double mbps = bytes / time / 1e6;
    std::printf("%s %.0f MB/s\n", name, mbps);
    if (reference > 0)
        std::printf("%s_vs_iconv %.2f ratio\n", name, mbps / reference);
}

} // namespace

int main(int argc, char** argv) {
    const char* utf8Path = nullptr;
    const char* utf16Path = nullptr;
    double toUtf16Reference = 0, toUtf8Reference = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--utf8"))
            utf8Path = argv[i + 1];
        else if (!std::strcmp(argv[i], "--utf16"))
            utf16Path = argv[i + 1];
        else if (!std::strcmp(argv[i], "--iconv-utf8-to-utf16"))
            toUtf16Reference = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--iconv-utf16-to-utf8"))
            toUtf8Reference = std::atof(argv[i + 1]);
    }
    const std::string utf8 = load(utf8Path);
    const std::string utf16Bytes = load(utf16Path);
    const std::wstring utf16(reinterpret_cast<const wchar_t*>(utf16Bytes.data()), utf16Bytes.size() / 2);

    std::wstring decoded;
    const double decodeTime = bestSeconds([&] {
        decoded.clear();
        decoded.shrink_to_fit();
        pel::fromUtf8(utf8.data(), utf8.size(), decoded);
    });
    if (decoded != utf16) {
        std::fprintf(stderr, "utf_bench: UTF-8 -> UTF-16 differs from the reference text\n");
        return 1;
    }
    std::string encoded;
    const double encodeTime = bestSeconds([&] {
        encoded.clear();
        encoded.shrink_to_fit();
        pel::toUtf8(utf16.data(), utf16.size(), encoded);
    });
    if (encoded != utf8) {
        std::fprintf(stderr, "utf_bench: UTF-16 -> UTF-8 differs from the reference text\n");
        return 1;
    }
    report("utf8_to_utf16", static_cast<double>(utf8.size()), decodeTime, toUtf16Reference);
    report("utf16_to_utf8", static_cast<double>(utf16Bytes.size()), encodeTime, toUtf8Reference);

    // Doubles of every magnitude: finite random bit patterns.
    std::mt19937_64 random(11);
    std::vector<double> values;
    while (values.size() < 1000000) {
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (value == value && value - value == 0)
            values.push_back(value);
    }
    std::wstring text;
    size_t characters = 0;
    const double formatTime = bestSeconds([&] {
        characters = 0;
        for (double value : values) {
            text.clear();
            pel::formatDouble(text, value);
            characters += text.size();
        }
    });
    if (characters == 0)
        return 1;
    std::printf("format_double %.0f doubles/s\n", static_cast<double>(values.size()) / formatTime);
    return 0;
}

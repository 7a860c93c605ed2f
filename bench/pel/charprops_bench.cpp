// getCharacterProperties lookups per second over a mixed text: mostly ASCII English with
// Latin-1, Greek, Cyrillic, CJK and a few supplementary-plane code points.
// Prints "getCharacterProperties <millions> Mlookups/s".

#include "pel/base/CharacterProperties.h"
#include "support/Bench.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

std::vector<uint32_t> mixedText(size_t count) {
    static const char* const words[] = {"the", "of", "and", "editor", "window", "search", "grammar",
                                        "scope", "theme", "bundle", "line", "text", "value"};
    std::vector<uint32_t> text;
    text.reserve(count);
    uint32_t state = 12345;
    while (text.size() < count) {
        state = state * 1664525u + 1013904223u;
        const uint32_t pick = state >> 24;
        if (pick < 200) { // an English word and a blank
            for (const char* p = words[pick % 13]; *p; ++p)
                text.push_back(static_cast<unsigned char>(*p));
            text.push_back(pick % 17 == 0 ? '\n' : ' ');
        } else if (pick < 215) {
            text.push_back(0xC0 + pick % 64); // Latin-1 letters
        } else if (pick < 228) {
            text.push_back(0x3B1 + pick % 24); // Greek
        } else if (pick < 240) {
            text.push_back(0x430 + pick % 32); // Cyrillic
        } else if (pick < 254) {
            text.push_back(0x4E00 + (state >> 8) % 20000); // CJK
        } else {
            text.push_back(0x1D400 + pick % 64); // mathematical letters
        }
    }
    text.resize(count);
    return text;
}

} // namespace

int main() {
    const std::vector<uint32_t> text = mixedText(4u << 20);
    uint32_t sink = 0;
    const double best = bench::bestOf(5, [&] {
        for (uint32_t c : text)
            sink += pel::getCharacterProperties(c);
    });
    bench::figure("getCharacterProperties", static_cast<double>(text.size()) / best / 1e6, "Mlookups/s");
    std::fprintf(stderr, "(checksum %08X)\n", static_cast<unsigned>(sink));
    return 0;
}

#pragma once
// The generated text of the document benchmarks: ASCII lines of 1 to 117 characters (58 on
// average, line feed included), handed to a Document as a loader hands a file over (a malloc
// block with an eighth spare, and the offsets behind the line feeds), and the fast generator
// of that text and of edit places.

#include "service/document/Document.h"
#include "support/Bench.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bench {

struct Random {
    uint32_t state = 0x9E3779B9u;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int32_t below(int32_t bound) {
        const uint64_t wide = uint64_t(next()) << 24 | next(); // 48 bits
        return static_cast<int32_t>(wide % static_cast<uint32_t>(bound));
    }
};

// The units --units asks for: 100 million unless given.
inline int32_t unitsOption(const Options& options) {
    return static_cast<int32_t>(options.number("--units", 100000000));
}

// Gives the document units of generated text; returns the seconds setBuffer took.
inline double loadGeneratedText(tessel::Document& document, int32_t units, Random& random) {
    const int32_t capacity = units + units / 8;
    auto* block = static_cast<wchar_t*>(std::malloc(static_cast<size_t>(capacity) * sizeof(wchar_t)));
    if (!block) {
        std::fprintf(stderr, "cannot allocate the text\n");
        std::exit(2);
    }
    std::vector<int32_t> feeds;
    feeds.reserve(static_cast<size_t>(units / 50));
    for (int32_t at = 0, lineEnd = 0; at < units; ++at) {
        if (at == lineEnd)
            lineEnd = at + 1 + random.below(117);
        if (at + 1 == lineEnd && at + 1 < units) {
            block[at] = L'\n';
            feeds.push_back(at + 1);
        } else {
            block[at] = static_cast<wchar_t>(L'a' + random.below(26));
        }
    }
    const double start = seconds();
    document.setBuffer(tessel::GapBuffer(block, units, capacity), feeds.data(), static_cast<int32_t>(feeds.size()));
    return seconds() - start;
}

} // namespace bench

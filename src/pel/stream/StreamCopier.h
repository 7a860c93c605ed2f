#pragma once
// Copies everything from an input stream to an output stream or a string.

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

namespace pel {

class StreamCopier {
public:
    // Each returns the number of bytes copied and stops early when either stream fails; the
    // streams' states tell why.
    static int64_t copyStream(std::istream& input, std::ostream& output, unsigned bufferSize = 8192);
    static int64_t copyToString(std::istream& input, std::string& text, unsigned bufferSize = 8192);
    static int64_t copyStreamUnbuffered(std::istream& input, std::ostream& output);
};

} // namespace pel

#include "pel/stream/StreamCopier.h"

#include "pel/base/Assert.h"

#include <memory>

namespace pel {

namespace {

// Reads blocks of bufferSize bytes and hands each non-empty one to sink, which says whether it
// was taken; the total taken.
template <class Sink>
int64_t copyBlocks(std::istream& input, unsigned bufferSize, Sink sink) {
    PEL_ASSERT(bufferSize > 0);
    const std::unique_ptr<char[]> buffer(new char[bufferSize]);
    int64_t total = 0;
    while (input) {
        input.read(buffer.get(), static_cast<std::streamsize>(bufferSize));
        const std::streamsize n = input.gcount();
        if (n <= 0 || !sink(buffer.get(), n))
            break;
        total += n;
    }
    return total;
}

} // namespace

int64_t StreamCopier::copyStream(std::istream& input, std::ostream& output, unsigned bufferSize) {
    return copyBlocks(input, bufferSize, [&output](const char* bytes, std::streamsize n) {
        return static_cast<bool>(output.write(bytes, n));
    });
}

int64_t StreamCopier::copyToString(std::istream& input, std::string& text, unsigned bufferSize) {
    return copyBlocks(input, bufferSize, [&text](const char* bytes, std::streamsize n) {
        text.append(bytes, static_cast<size_t>(n));
        return true;
    });
}

int64_t StreamCopier::copyStreamUnbuffered(std::istream& input, std::ostream& output) {
    int64_t total = 0;
    for (int c = input.get(); c != std::char_traits<char>::eof(); c = input.get()) {
        if (!output.put(static_cast<char>(c)))
            break;
        ++total;
    }
    return total;
}

} // namespace pel

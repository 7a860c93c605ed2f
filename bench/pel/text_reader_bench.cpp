// Decoding a UTF-8 file into UTF-16 through StreamTextReader with encoding detection, counted in
// input bytes, checked against the peer's UTF-16LE text of the same file.
//   text_reader_bench --utf8 FILE --utf16 FILE [--iconv-utf8-to-utf16 X]

#include "pel/stream/StreamTextReader.h"
#include "support/Bench.h"

#include <fstream>
#include <memory>

namespace {

constexpr int BLOCK_UNITS = 1 << 16;

// A file stream with a buffer large enough that reading it costs little beside decoding.
struct InputFile {
    explicit InputFile(const char* path) : buffer(new char[1 << 16]) {
        stream.rdbuf()->pubsetbuf(buffer.get(), 1 << 16);
        stream.open(path, std::ios::binary);
        if (!stream) {
            std::fprintf(stderr, "cannot read %s\n", path);
            std::exit(2);
        }
    }
    std::unique_ptr<char[]> buffer;
    std::ifstream stream;
};

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const char* utf8Path = options.get("--utf8", "utf8.txt");
    const char* utf16Path = options.get("--utf16", "utf16.txt");
    std::vector<wchar_t> block(BLOCK_UNITS);

    long long units = 0;
    const double best = bench::bestOf(3, [&] {
        InputFile file(utf8Path);
        pel::StreamTextReader reader(file.stream, nullptr);
        units = 0;
        for (int n; (n = reader.read(block.data(), BLOCK_UNITS)) > 0;)
            units += n;
    });

    // Untimed: the same decoding against the peer's text.
    InputFile file(utf8Path), expected(utf16Path);
    file.stream.seekg(0, std::ios::end);
    const long long bytes = static_cast<long long>(file.stream.tellg());
    file.stream.seekg(0);
    pel::StreamTextReader reader(file.stream, nullptr);
    std::vector<wchar_t> reference(BLOCK_UNITS);
    for (int n; (n = reader.read(block.data(), BLOCK_UNITS)) > 0;) {
        expected.stream.read(reinterpret_cast<char*>(reference.data()), static_cast<std::streamsize>(n) * 2);
        if (expected.stream.gcount() != n * 2 || !std::equal(block.begin(), block.begin() + n, reference.begin())) {
            std::fprintf(stderr, "text_reader_bench: the decoded text differs from the peer's\n");
            return 1;
        }
    }
    if (expected.stream.get() != EOF || units == 0) {
        std::fprintf(stderr, "text_reader_bench: the decoded text is shorter than the peer's\n");
        return 1;
    }
    bench::figureBeside("text_reader_utf8_to_utf16", bytes / best / 1e6, "MB/s", "iconv",
                        options.number("--iconv-utf8-to-utf16"));
    return 0;
}

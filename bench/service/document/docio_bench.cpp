// Loading and saving a document file on the DocLoader thread, on a 100 MB UTF-8 file of mixed
// text (bench/peer.py text), each beside its plain counterpart in the same run:
//   - load, from request to loaded document, beside reading the file through the file facade and
//     decode_text into one buffer (target: at least half as fast), and beside the host's iconv;
//   - the peak private bytes of the load per byte of file (target: at most 3);
//   - save as UTF-8 beside pel::toUtf8 of the whole text and one write through the file facade
//     (target: at least half as fast), and beside the host's iconv the other way.
// Every figure counts bytes of the UTF-8 file.
//   docio_bench --utf8 FILE --folder DIR [--iconv-utf8-to-utf16 X] [--iconv-utf16-to-utf8 Y]

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/text/TextConversion.h"
#include "pel/text/TextDecoding.h"
#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/io/DocumentIO.h"
#include "support/Bench.h"
#include "support/FileBench.h"

#include <windows.h>
#define PSAPI_VERSION 2 // the process counters from kernel32
#include <psapi.h>

#include <memory>
#include <string>

namespace {

using tessel::Document;

size_t privateBytes(bool peak) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters);
    return peak ? counters.PeakPagefileUsage : counters.PrivateUsage;
}

void request(tessel::DocumentIO& io, Document& document, const std::wstring& path, uint32_t kind) {
    tessel::DocumentIORequest* pending = io.doRequest(&document, path.c_str(), kind);
    const std::unique_ptr<pel::FileErrorObject> error = pending ? io.wait(pending) : nullptr;
    if (!pending || error) {
        std::fprintf(stderr, "docio_bench: a %s failed with 0x%08X\n", kind ? "save" : "load",
                     error ? static_cast<unsigned>(error->getCode()) : 0u);
        std::exit(2);
    }
}

std::wstring widen(const char* text) { return std::wstring(text, text + std::strlen(text)); }

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    pel::store_main_thread_id();
    pel::FileDeviceWin32 native(nullptr, true);
    pel::FileIO::attachDevice(L"__winfs", &native, 0);
    wchar_t full[MAX_PATH];
    ::GetFullPathNameW(widen(options.get("--utf8", "utf8.txt")).c_str(), MAX_PATH, full, nullptr);
    const std::wstring input = full;
    const std::wstring output = bench::folderOption(options) + L"\\docio-saved.txt";
    tessel::DocumentIO io(nullptr);

    // The first load alone sets the peak of the process's private bytes.
    const size_t before = privateBytes(false);
    std::unique_ptr<Document> document(new Document);
    double start = bench::seconds();
    request(io, *document, input, tessel::DOCUMENT_IO_LOAD);
    double loadTime = bench::seconds() - start;
    const double peak = static_cast<double>(privateBytes(true) - before);
    for (int run = 0; run < 2; ++run) {
        document.reset(new Document);
        start = bench::seconds();
        request(io, *document, input, tessel::DOCUMENT_IO_LOAD);
        loadTime = std::min(loadTime, bench::seconds() - start);
    }

    pel::File* file = pel::FileIO::openFile(input.c_str(), pel::FILE_MODE_READ);
    if (!file)
        bench::fileFailure("open");
    const size_t size = static_cast<size_t>(file->getSize());
    pel::FileIO::closeFile(file);
    // Fresh buffers each run, as a load has to get them: the file's bytes and its text.
    std::unique_ptr<wchar_t[]> text;
    size_t units = 0;
    const double readTime = bench::bestOf(3, [&] {
        text.reset();
        std::unique_ptr<char[]> bytes(new char[size]);
        text.reset(new wchar_t[size]);
        pel::File* in = pel::FileIO::openFile(input.c_str(), pel::FILE_MODE_READ);
        for (size_t done = 0; done < size;) {
            const int32_t n = in->read(bytes.get() + done, static_cast<uint32_t>(std::min<size_t>(size - done, 1 << 30)));
            if (n <= 0)
                bench::fileFailure("read");
            done += static_cast<size_t>(n);
        }
        pel::FileIO::closeFile(in);
        units = size;
        pel::decode_text(text.get(), bytes.get(), size, pel::ENCODING_UTF8_PLAIN, &units);
    });
    const std::wstring decoded(text.get(), units);
    text.reset();

    document->changeFormat([](tessel::DocumentFormat& format) {
        format.encoding = pel::ENCODING_UTF8_PLAIN;
        format.lineEnding = tessel::LINE_ENDING_UNIX;
    });
    const double saveTime = bench::bestOf(3, [&] { request(io, *document, output, tessel::DOCUMENT_IO_SAVE); });
    if (document->getText(0, document->getLength()) != decoded) {
        std::fprintf(stderr, "docio_bench: the loaded text differs from the plain decoding\n");
        return 1;
    }
    document.reset();
    std::string encoded;
    const double writeTime = bench::bestOf(3, [&] {
        std::string().swap(encoded);
        pel::toUtf8(decoded.data(), decoded.size(), encoded);
        pel::File* out = pel::FileIO::openFile(output.c_str(), pel::FILE_MODE_WRITE);
        if (!out || out->write(encoded.data(), static_cast<uint32_t>(encoded.size())) != static_cast<int32_t>(encoded.size()) ||
            !pel::FileIO::closeFile(out))
            bench::fileFailure("write");
    });
    if (encoded.size() != size) {
        std::fprintf(stderr, "docio_bench: the plain encoding has %u bytes, the file %u\n",
                     static_cast<unsigned>(encoded.size()), static_cast<unsigned>(size));
        return 1;
    }

    const double load = size / loadTime / 1e6, read = size / readTime / 1e6;
    const double save = size / saveTime / 1e6, write = size / writeTime / 1e6;
    bench::figureBeside("docio_load", load, "MB/s", "iconv", options.number("--iconv-utf8-to-utf16"));
    bench::figure("docio_plain_read_decode", read, "MB/s");
    bench::figure("docio_load_vs_plain", load / read, "ratio");
    bench::figure("docio_load_peak_memory", peak / size, "bytes/byte");
    bench::figureBeside("docio_save", save, "MB/s", "iconv", options.number("--iconv-utf16-to-utf8"));
    bench::figure("docio_plain_encode_write", write, "MB/s");
    bench::figure("docio_save_vs_plain", save / write, "ratio");
    ::DeleteFileW(output.c_str());
    pel::FileIO::release();
    return 0;
}

// Copy throughput of the file streams: a data file read through a FileInputStream and written
// through a FileOutputStream by StreamCopier, on the native disk device over the data folder.
//   file_stream_bench --folder DIR --data NAME [--reference-mbps X]

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileException.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/stream/FileStream.h"
#include "pel/stream/StreamCopier.h"
#include "support/Bench.h"

namespace {

std::wstring widen(const char* text) { return std::wstring(text, text + std::strlen(text)); }

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    wchar_t folder[MAX_PATH];
    ::GetFullPathNameW(widen(options.get("--folder", ".")).c_str(), MAX_PATH, folder, nullptr);
    pel::FileDeviceWin32 disk(folder, false);
    pel::FileIO::attachDevice(L"bench", &disk, 0);
    const std::wstring source = L"bench:" + widen(options.get("--data", "256m.bin"));
    const std::wstring target = L"bench:stream-copy.bin";

    pel::FileInfo info;
    int64_t copied = -1;
    bool closed = false;
    try {
        const double best = bench::bestOf(3, [&] {
            pel::FileInputStream in(source);
            pel::FileOutputStream out(target);
            copied = pel::StreamCopier::copyStream(in, out, 65536);
            out.close();
            closed = out.good();
        });
        const bool same = pel::FileIO::getFileInfo(target.c_str(), &info) && info.size == static_cast<uint64_t>(copied);
        pel::FileIO::deleteFile(target.c_str());
        if (!closed || !same || copied <= 0) {
            std::fprintf(stderr, "file_stream_bench: the copy of %lld bytes failed\n", static_cast<long long>(copied));
            return 1;
        }
        bench::figureBeside("file_stream_copy", copied / best / 1e6, "MB/s", "cp", options.number("--reference-mbps"));
    } catch (const pel::Exception& e) {
        std::fprintf(stderr, "file_stream_bench: %ls\n", e.displayText().c_str());
        return 1;
    }
    pel::FileIO::release();
    return 0;
}

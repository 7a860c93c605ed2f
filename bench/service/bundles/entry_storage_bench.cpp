// Reading bundle entry files: 2 000 generated entries of 1 to 50 KB with comments (a fifth
// UTF-16LE with a byte-order mark, a fifth UTF-8, a fifth with CR LF), spread over the root, user
// and changes layers of 100 bundles. Each is read by BundleFileStorage::read and checked by the
// base validator, beside a plain read of the same files through the file facade, decodeText and
// JasmineReaderHelper, without and with a token store (target: the storage at most 1.2 times
// slower, so a ratio of entries per second of at least 0.83). The cost of the storage's lock
// alone is printed too.
//   entry_storage_bench --folder DIR [--runs 5]

#include "service/base/error/ErrorList.h"
#include "service/bundles/BundleEntryValidator.h"

#include "EntryFiles.h"
#include "pel/thread/Semaphore.h"

#include <algorithm>
#include <cstdio>

using namespace bench_entries;

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int runs = bench::runs(static_cast<int>(options.number("--runs", 5)));
    const EntryLayers layers(bench::folderOption(options) + ENTRY_FOLDER);
    BundleFileStorage storage;
    size_t bytes = 0;
    const std::vector<BundleEntryFilePath> paths = writeEntries(storage, &bytes);
    std::vector<std::wstring> devicePaths;
    for (const BundleEntryFilePath& path : paths)
        devicePaths.push_back(storage.getFullPath(path));

    const BundleEntryValidator& validator = *BundleEntryTraits::grammar().validator;
    std::vector<char> buffer;
    std::wstring text;
    for (bool withStore : {false, true}) {
        int bad = 0;
        // The two alternate, so that a busy moment of the machine falls on both alike.
        double plain = 1e30, stored = 1e30;
        for (int run = 0; run < runs; ++run) {
            plain = std::min(plain, bench::bestOf(1, [&] {
                for (const std::wstring& path : devicePaths) {
                    Store store;
                    bad += plainRead(path, buffer, text, withStore ? &store : nullptr) == nullptr;
                }
            }));
            stored = std::min(stored, bench::bestOf(1, [&] {
                for (const BundleEntryFilePath& path : paths) {
                    ErrorList errors;
                    Store store;
                    const std::unique_ptr<pel::Value> value = storage.read(path, &errors, withStore ? &store : nullptr);
                    const bool ok = value && validator.validate(static_cast<const pel::AbstractDictionaryValue*>(value.get()), &errors);
                    if (!ok && bad == 0)
                        std::fprintf(stderr, "%ls: %s %ls\n", storage.getFullPath(path).c_str(), value ? "invalid" : "unread",
                                     errors.empty() ? L"" : errors.getFirst()->getMessage().c_str());
                    bad += !ok;
                }
            }));
        }
        if (bad) {
            std::fprintf(stderr, "%d entries did not read\n", bad);
            return 2;
        }
        const double plainRate = ENTRIES / plain, storedRate = ENTRIES / stored;
        bench::figure(withStore ? "entries_plain_read_tokens" : "entries_plain_read", plainRate, "entries/s");
        bench::figureBeside(withStore ? "entries_storage_read_tokens" : "entries_storage_read", storedRate, "entries/s",
                            "plain", plainRate);
    }
    bench::figure("entries_text_size", bytes / double(ENTRIES) / 1024, "KiB/entry");
    // What the storage's lock adds to each read: a semaphore taken and given back (under Wine a
    // round trip to its server each way).
    pel::LegacyMutex lock;
    const double pairs = bench::bestOf(runs, [&] {
        for (int i = 0; i < ENTRIES; ++i) {
            lock.wait(-1);
            lock.release();
        }
    });
    bench::figure("entries_storage_lock", pairs / ENTRIES * 1e6, "us/read");
    return 0;
}

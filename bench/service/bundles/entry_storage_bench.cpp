// Reading bundle entry files: 2 000 generated entries of 1 to 50 KB with comments (a fifth
// UTF-16LE with a byte-order mark, a fifth UTF-8, a fifth with CR LF), spread over the root, user
// and changes layers of 100 bundles. Each is read by BundleFileStorage::read and checked by the
// base validator, beside a plain read of the same files through the file facade, decodeText and
// JasmineReaderHelper, without and with a token store (target: the storage at most 1.2 times
// slower, so a ratio of entries per second of at least 0.83). The cost of the storage's lock
// alone is printed too.
//   entry_storage_bench --folder DIR [--runs 5]

#include "service/base/error/ErrorList.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleEntryValidator.h"
#include "service/bundles/BundleFileStorage.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/stream/WideStringTextReader.h"
#include "pel/text/WideString.h"
#include "pel/thread/Semaphore.h"
#include "pel/value/Value.h"
#include "support/Bench.h"
#include "support/FileBench.h"

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace tessel;
using Store = pel::TTokenStore<pel::JasmineToken>;

constexpr int ENTRIES = 2000;
constexpr int BUNDLES = 100;

pel::UUID uuidOf(uint32_t kind, uint32_t n) {
    pel::UUID uuid;
    uuid.data1 = kind;
    uuid.data2 = static_cast<uint16_t>(n);
    uuid.data4[7] = 1;
    return uuid;
}

BundleEntryFilePath pathOf(int n) {
    static const BundleEntryTraits* const types[] = {&BundleEntryTraits::grammar(), &BundleEntryTraits::snippet(),
                                                     &BundleEntryTraits::theme(), &BundleEntryTraits::preferences()};
    const BundleEntryTraits& type = *types[n % 4];
    BundleEntryFilePath path;
    path.storage = static_cast<BundleEntryRepository::Type>(1 + n % 3);
    path.bundle = {uuidOf(1, n % BUNDLES), L"Bundle" + std::to_wstring(n % BUNDLES), L"tsBundle"};
    path.folder = type.folder;
    path.entry = {uuidOf(2, n), L"Entry" + std::to_wstring(n), type.extension};
    return path;
}

// A grammar-like dictionary of 1 to 50 KB: comments, strings, expressions, numbers, nesting.
std::wstring entryText(int n, std::mt19937& random) {
    const size_t target = 1024 + random() % (49 * 1024);
    std::wstring text = L"// Generated entry " + std::to_wstring(n) + (n % 5 == 1 ? L" caf\u00E9\n" : L"\n");
    text += L"{\n\ttitle: 'Entry " + std::to_wstring(n) + L"'\n\t/* The rules, in the order they are tried. */\n\tpatterns: [\n";
    for (int rule = 0; text.size() < target; ++rule) {
        const std::wstring r = std::to_wstring(rule);
        text += L"\t\t{name: 'keyword.control.r" + r + L"', match: /\\b(if|else|while|for" + r + L")\\b/i} // keywords\n";
        text += L"\t\t{\n\t\t\tbegin: \"\\\"\", end: /\"|$/, name: \"string.quoted.double\"\n";
        text += L"\t\t\tcaptures: {1: {name: 'punctuation.definition'}, 2: {name: 'constant.character.escape'}}\n";
        text += L"\t\t\tweight: " + std::to_wstring(rule * 0.25) + L", enabled: true, scope: null\n\t\t}\n";
    }
    text += L"\t]\n}\n";
    return text;
}

void writeEntry(const std::wstring& devicePath, const std::wstring& text, int n) {
    std::vector<char> bytes;
    if (n % 5 == 0) { // UTF-16LE with a byte-order mark
        bytes = {'\xFF', '\xFE'};
        for (wchar_t c : text)
            bytes.insert(bytes.end(), {char(c & 0xFF), char(c >> 8)});
    } else {
        for (wchar_t c : text) {
            if (c == L'\n' && n % 5 == 2)
                bytes.push_back('\r');
            if (c < 0x80)
                bytes.push_back(char(c));
            else // the one non-ASCII character, é, as UTF-8
                bytes.insert(bytes.end(), {'\xC3', '\xA9'});
        }
    }
    pel::FileIO::createDirectories(devicePath.substr(0, devicePath.rfind(L'/')).c_str());
    pel::File* file = pel::FileIO::openFile(devicePath.c_str(), pel::FILE_MODE_WRITE);
    if (!file || file->write(bytes.data(), uint32_t(bytes.size())) != int32_t(bytes.size()))
        bench::fileFailure("write");
    if (!pel::FileIO::closeFile(file))
        bench::fileFailure("close");
}

// The peer: the whole file through the facade, decoded, parsed.
std::unique_ptr<pel::Value> plainRead(const std::wstring& devicePath, std::vector<char>& bytes, std::wstring& text,
                                      Store* store) {
    pel::File* file = pel::FileIO::openFile(devicePath.c_str(), pel::FILE_MODE_READ);
    if (!file)
        bench::fileFailure("open for reading");
    const int64_t size = file->getSize();
    bytes.resize(static_cast<size_t>(size));
    const bool read = file->read(bytes.data(), uint32_t(size)) == int32_t(size);
    pel::FileIO::closeFile(file);
    text.clear();
    if (!read || !pel::decodeText(bytes.data(), bytes.size(), 0, text))
        bench::fileFailure("plain read");
    if (!store)
        return std::unique_ptr<pel::Value>(pel::JasmineReaderHelper::read(text));
    pel::WideStringTextReader reader(text);
    return std::unique_ptr<pel::Value>(pel::JasmineReaderHelper::readToStore(&reader, store));
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const std::wstring folder = bench::folderOption(options) + L"\\bundle-entries";
    const int runs = static_cast<int>(options.number("--runs", 5));
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::CreateDirectoryW((folder + L"\\root").c_str(), nullptr);
    ::CreateDirectoryW((folder + L"\\user").c_str(), nullptr);
    pel::FileDeviceWin32 root((folder + L"\\root").c_str(), false), user((folder + L"\\user").c_str(), false);
    pel::FileIO::attachDevice(L"root", &root, 0);
    pel::FileIO::attachDevice(L"user", &user, 0);

    BundleFileStorage storage;
    std::vector<BundleEntryFilePath> paths;
    std::vector<std::wstring> devicePaths;
    std::mt19937 random(2000);
    size_t bytes = 0;
    for (int n = 0; n < ENTRIES; ++n) {
        paths.push_back(pathOf(n));
        devicePaths.push_back(storage.getFullPath(paths.back()));
        const std::wstring text = entryText(n, random);
        bytes += text.size();
        if (!pel::FileIO::isFile(devicePaths.back().c_str()))
            writeEntry(devicePaths.back(), text, n);
    }

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
                    bad += !value || !validator.validate(static_cast<const pel::AbstractDictionaryValue*>(value.get()), &errors);
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
    pel::FileIO::release();
    return 0;
}

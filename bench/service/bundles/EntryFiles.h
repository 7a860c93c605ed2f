#pragma once
// The generated entry files of the bundle benchmarks: 2 000 grammar-like entries of 1 to 50 KB
// with comments (a fifth UTF-16LE with a byte-order mark, a fifth UTF-8, a fifth with CR LF),
// spread over the root, user and changes layers of 100 bundles, under "root:" and "user:"
// devices over folders in <folder>\<ENTRY_FOLDER>; written where missing, kept between runs.
// And the peer of every read: the whole file through the file facade, decoded, parsed.

#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFileStorage.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/stream/WideStringTextReader.h"
#include "pel/text/WideString.h"
#include "pel/value/Value.h"
#include "support/Bench.h"
#include "support/FileBench.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace bench_entries {

using namespace tessel;
using Store = pel::TTokenStore<pel::JasmineToken>;

constexpr int ENTRIES = 2000;
// Named after the texts' generation: files an older generator left are never read as these.
constexpr const wchar_t* ENTRY_FOLDER = L"\\bundle-entries-3";
constexpr int BUNDLES = 100;

inline pel::UUID uuidOf(uint32_t kind, uint32_t n) {
    pel::UUID uuid;
    uuid.data1 = kind;
    uuid.data2 = static_cast<uint16_t>(n);
    uuid.data4[7] = 1;
    return uuid;
}

inline BundleEntryFilePath pathOf(int n) {
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

// A grammar-like dictionary of about target units: comments, strings, expressions, numbers,
// nesting.
inline std::wstring entryText(int n, size_t target) {
    std::wstring text = L"// Generated entry " + std::to_wstring(n) + (n % 5 == 1 ? L" caf\u00E9\n" : L"\n");
    text += L"{\n\ttitle: 'Entry " + std::to_wstring(n) + L"'\n\tname: 'source.entry" + std::to_wstring(n) +
            L"'\n\t/* The rules, in the order they are tried. */\n\tpatterns: [\n";
    for (int rule = 0; text.size() < target; ++rule) {
        const std::wstring r = std::to_wstring(rule);
        text += L"\t\t{name: 'keyword.control.r" + r + L"', match: /\\b(if|else|while|for" + r + L")\\b/i} // keywords\n";
        text += L"\t\t{\n\t\t\tbegin: /\"/, end: /\"|$/, name: \"string.quoted.double\"\n";
        text += L"\t\t\tcaptures: {1: {name: 'punctuation.definition'}, 2: {name: 'constant.character.escape'}}\n";
        text += L"\t\t\tweight: " + std::to_wstring(rule * 0.25) + L", enabled: true, scope: null\n\t\t}\n";
    }
    text += L"\t]\n}\n";
    return text;
}

inline void writeEntry(const std::wstring& devicePath, const std::wstring& text, int n) {
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
inline std::unique_ptr<pel::Value> plainRead(const std::wstring& devicePath, std::vector<char>& bytes, std::wstring& text,
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

// "root:" and "user:" over the folders of the entries while it lives.
class EntryLayers {
public:
    explicit EntryLayers(const std::wstring& folder)
        : m_root(made(folder, L"\\root").c_str(), false), m_user(made(folder, L"\\user").c_str(), false) {
        pel::FileIO::attachDevice(L"root", &m_root, 0);
        pel::FileIO::attachDevice(L"user", &m_user, 0);
    }
    ~EntryLayers() { pel::FileIO::release(); }
    EntryLayers(const EntryLayers&) = delete;
    EntryLayers& operator=(const EntryLayers&) = delete;

private:
    static std::wstring made(const std::wstring& folder, const wchar_t* layer) {
        ::CreateDirectoryW(folder.c_str(), nullptr);
        ::CreateDirectoryW((folder + layer).c_str(), nullptr);
        return folder + layer;
    }

    pel::FileDeviceWin32 m_root, m_user;
};

// The paths of the 2 000 entries, their files written where missing; o_units: their texts'
// length in all.
inline std::vector<BundleEntryFilePath> writeEntries(const BundleFileStorage& storage, size_t* o_units) {
    std::vector<BundleEntryFilePath> paths;
    std::mt19937 random(2000);
    *o_units = 0;
    for (int n = 0; n < ENTRIES; ++n) {
        paths.push_back(pathOf(n));
        const std::wstring devicePath = storage.getFullPath(paths.back());
        const std::wstring text = entryText(n, 1024 + random() % (49 * 1024));
        *o_units += text.size();
        if (!pel::FileIO::isFile(devicePath.c_str()))
            writeEntry(devicePath, text, n);
    }
    return paths;
}

} // namespace bench_entries

#pragma once
// The bundle storage over files of the virtual file system: each layer is a device folder
// ("root:bundles", "user:bundles", "user:bundles/.changes"); an entry file is read whole,
// decoded to UTF-16 with LF line ends and parsed as Jasmine. Every failure becomes one
// BundleError of severity 4 in the caller's list. Reads run one at a time (they share one text
// buffer); parsing needs no lock.

#include "service/bundles/IBundleStorage.h"

#include "pel/thread/Semaphore.h"

#include <cstdint>
#include <string>

namespace tessel {

class BundleFileStorage : public IBundleStorage {
public:
    // Larger entry files are refused ("Reading from file failed."): a 32-bit process holds the
    // file's bytes, its text and its tokens at once.
    static constexpr int64_t MAX_FILE_SIZE = int64_t(64) << 20;

    BundleFileStorage();
    ~BundleFileStorage() override;
    BundleFileStorage(const BundleFileStorage&) = delete;
    BundleFileStorage& operator=(const BundleFileStorage&) = delete;

    // The device folder of a layer (1 to 3, a hard check); one trailing "/" or "\" is dropped.
    void setRoot(BundleEntryRepository::Type layer, const std::wstring& root);
    const std::wstring& getRoot(BundleEntryRepository::Type layer) const;

    // The layer's root followed by the path's text without a layer. A layer other than 1 to 3
    // is a hard check, a null o_file_path one naming "o_file_path".
    void getFullPath(const BundleEntryFilePath& path, std::wstring* o_file_path) const;
    std::wstring getFullPath(const BundleEntryFilePath& path) const override;

    std::unique_ptr<pel::Value> read(const BundleEntryFilePath& path, ErrorList* o_errors,
                                     pel::TTokenStore<pel::JasmineToken>* store) override;
    // This storage keeps no parsed copies: both answer false.
    bool isCached(const BundleEntryFilePath& path) override;
    bool readCached(const BundleEntryFilePath& path, ErrorList* o_errors, std::unique_ptr<pel::Value>* o_value) override;

    // The file step of read: the whole file at the device path, decoded (byte-order mark, then
    // UTF-8, else the system code page; CR LF and CR become LF) and appended to o_source. False
    // with one error (tag "load", the path as its source) when the file is missing, empty,
    // larger than MAX_FILE_SIZE, short or undecodable. Null o_errors and o_source are hard checks.
    static bool readFile(const std::wstring& fullPath, std::wstring* o_source, ErrorList* o_errors);

private:
    std::wstring m_roots[BundleEntryRepository::COUNT];
    // The text of the file read last: its room is kept from read to read.
    std::wstring m_buffer;
    pel::LegacyMutex m_lock;
};

} // namespace tessel

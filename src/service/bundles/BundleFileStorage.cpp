#include "service/bundles/BundleFileStorage.h"
#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleError.h"

#include "service/base/error/ErrorList.h"

#include "pel/base/Assert.h"
#include "pel/files/FileUtils.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/text/WideString.h"
#include "pel/value/Value.h"

#include <new>

namespace tessel {

namespace {

// A text buffer that grew beyond this for one large file is given back after the read.
constexpr size_t KEPT_BUFFER_UNITS = size_t(1) << 20;

bool fileError(ErrorList* o_errors, const wchar_t* message, const std::wstring& fullPath) {
    std::shared_ptr<BundleError> error =
        makeBundleError(BundleError::TAG_LOAD, BundleError::SEVERITY_UNREADABLE, message);
    error->setSource(fullPath);
    o_errors->add(error);
    return false;
}

// Holds the storage's lock for one read, whatever way the read leaves.
class ReadLock {
public:
    explicit ReadLock(pel::LegacyMutex& lock) : m_lock(lock) { m_lock.wait(-1); }
    ~ReadLock() { m_lock.release(); }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;

private:
    pel::LegacyMutex& m_lock;
};

class OpenFile {
public:
    explicit OpenFile(const std::wstring& path) : file(pel::FileIO::openFile(path.c_str(), pel::FILE_MODE_READ)) {}
    ~OpenFile() {
        if (file)
            pel::FileIO::closeFile(file);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    pel::File* const file;
};

} // namespace

BundleFileStorage::BundleFileStorage() {
    for (uint32_t layer = BundleEntryRepository::T_Root; layer <= BundleEntryRepository::T_Changes; ++layer)
        setRoot(static_cast<BundleEntryRepository::Type>(layer), BundleEntryRepository::getDeviceRoot(layer));
}

BundleFileStorage::~BundleFileStorage() = default;

void BundleFileStorage::setRoot(BundleEntryRepository::Type layer, const std::wstring& root) {
    PEL_ASSERT(BundleEntryRepository::isValid(layer));
    std::wstring& kept = m_roots[layer - 1];
    kept = root;
    if (!kept.empty() && (kept.back() == L'/' || kept.back() == L'\\'))
        kept.pop_back();
}

const std::wstring& BundleFileStorage::getRoot(BundleEntryRepository::Type layer) const {
    PEL_ASSERT(BundleEntryRepository::isValid(layer));
    return m_roots[layer - 1];
}

void BundleFileStorage::getFullPath(const BundleEntryFilePath& path, std::wstring* o_file_path) const {
    PEL_CHECK_PTR(o_file_path);
    *o_file_path = getRoot(path.storage) + path.toString(false);
}

std::wstring BundleFileStorage::getFullPath(const BundleEntryFilePath& path) const {
    std::wstring fullPath;
    getFullPath(path, &fullPath);
    return fullPath;
}

std::unique_ptr<pel::Value> BundleFileStorage::read(const BundleEntryFilePath& path, ErrorList* o_errors,
                                                    pel::TTokenStore<pel::JasmineToken>* store) {
    PEL_CHECK_PTR(o_errors);
    ReadLock lock(m_lock);
    const std::wstring fullPath = getFullPath(path);
    m_buffer.clear();
    std::unique_ptr<pel::Value> root;
    if (readFile(fullPath, &m_buffer, o_errors))
        root = BundleEntrySourceHelper::parse(fullPath, m_buffer, o_errors, store);
    if (m_buffer.capacity() > KEPT_BUFFER_UNITS)
        std::wstring().swap(m_buffer);
    return root;
}

bool BundleFileStorage::isCached(const BundleEntryFilePath&) { return false; }

bool BundleFileStorage::readCached(const BundleEntryFilePath&, ErrorList*, std::unique_ptr<pel::Value>*) {
    return false;
}

bool BundleFileStorage::readFile(const std::wstring& fullPath, std::wstring* o_source, ErrorList* o_errors) {
    PEL_CHECK_PTR(o_errors);
    PEL_CHECK_PTR(o_source);
    const OpenFile open(fullPath);
    if (!open.file)
        return fileError(o_errors, L"Unable to open file for reading.", fullPath);
    const int64_t size = open.file->getSize();
    if (size == 0)
        return fileError(o_errors, L"File is empty.", fullPath);
    if (size < 0 || size > MAX_FILE_SIZE)
        return fileError(o_errors, L"Reading from file failed.", fullPath);
    const uint32_t count = static_cast<uint32_t>(size);
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[count]);
    if (!bytes || pel::FileUtils::readFully(nullptr, open.file, bytes.get(), count) != count)
        return fileError(o_errors, L"Reading from file failed.", fullPath);
    try {
        if (pel::decodeText(bytes.get(), count, 0, *o_source))
            return true;
    } catch (const std::bad_alloc&) {
        return fileError(o_errors, L"Reading from file failed.", fullPath);
    }
    return fileError(o_errors, L"File is in unsupported encoding.", fullPath);
}

} // namespace tessel

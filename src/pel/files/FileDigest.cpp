#include "pel/files/FileDigest.h"

#include "pel/files/file_io/FileIO.h"

#include <windows.h>

#include <algorithm>
#include <memory>

namespace pel {

namespace {

// Read at once: large enough that a read costs little beside the digest of its bytes.
constexpr uint32_t READ_BLOCK = 1 << 20;

} // namespace

FileDigest FileDigester::finish() {
    FileDigest digest;
    const DigestEngine::Digest& value = m_engine.digest();
    std::copy(value.begin(), value.end(), digest.sha1.begin());
    digest.known = true;
    return digest;
}

FileVersion readFileVersion(const std::wstring& path) {
    FileVersion version;
    if (isSystemPath(path)) {
        // Stamp and bytes from one open file: a file renamed over the name meanwhile gives no
        // version made of both. Shared in every way, as another program's reader would be.
        const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            version.stamp = FileStamp::of(path);
            return version;
        }
        version.stamp = FileStamp::ofOpenFile(file);
        if (version.stamp.there)
            version.digest = digestOfOpenFile(file);
        ::CloseHandle(file);
        return version;
    }
    version.stamp = FileStamp::of(path);
    if (!version.stamp.there)
        return version;
    File* file = FileIO::openFile(path.c_str(), FILE_MODE_READ);
    if (!file)
        return version;
    std::unique_ptr<unsigned char[]> block(new unsigned char[READ_BLOCK]);
    FileDigester digester;
    int32_t got;
    while ((got = file->read(block.get(), READ_BLOCK)) > 0)
        digester.update(block.get(), static_cast<size_t>(got));
    FileIO::closeFileKeepError(file);
    if (got == 0)
        version.digest = digester.finish();
    return version;
}

FileDigest digestOfOpenFile(void* handle) {
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN))
        return FileDigest();
    std::unique_ptr<unsigned char[]> block(new unsigned char[READ_BLOCK]);
    FileDigester digester;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(handle, block.get(), READ_BLOCK, &got, nullptr))
            return FileDigest();
        if (got == 0)
            return digester.finish();
        digester.update(block.get(), got);
    }
}

} // namespace pel

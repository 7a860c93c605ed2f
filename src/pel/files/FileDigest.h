#pragma once
// What a file holds, as one value: the SHA-1 of its bytes, taken where they go by anyway (the
// read of a load, the write of a save), so that a file whose stamp changed is known to hold the
// same bytes or others whatever its times and size say. A FileVersion is a file as one read or
// write of it left it: the stamp taken before its bytes went by, and their digest.

#include "pel/base/SHA1Engine.h"
#include "pel/files/FileStamp.h"

#include <array>
#include <cstddef>
#include <string>

namespace pel {

struct FileDigest {
    std::array<unsigned char, 20> sha1{};
    bool known = false; // false when the bytes were not all read or written

    // Unknown digests are never the same: nothing is known of those bytes.
    bool operator==(const FileDigest& other) const { return known && other.known && sha1 == other.sha1; }
    bool operator!=(const FileDigest& other) const { return !(*this == other); }
};

// Takes the bytes as they go by, in order.
class FileDigester {
public:
    void update(const void* data, size_t size) { m_engine.update(data, size); }
    // The digest of everything given since the last finish.
    FileDigest finish();

private:
    SHA1Engine m_engine;
};

struct FileVersion {
    FileStamp stamp;
    FileDigest digest;
};

// Whether a file found as `now` may hold what `known` held though its stamp differs: it is there,
// as long, and `known` has a digest its bytes can be compared with. (Other lengths are other
// bytes, and without a digest another stamp is all there is to go by.)
inline bool mayHoldTheSameBytes(const FileVersion& known, const FileStamp& now) {
    return now.there && known.digest.known && now.size == known.stamp.size && now != known.stamp;
}

// The file under the path, read to its end: its stamp taken before the read, and the digest of
// what was read (unknown when it could not be read to the end). A device path reads through its
// device. For the loader's thread: a large file takes a while.
FileVersion readFileVersion(const std::wstring& path);
// The bytes of a file open on the system's handle (a HANDLE), from its start to its end; unknown
// when a read fails. The file's position is left at its end.
FileDigest digestOfOpenFile(void* handle);

} // namespace pel

#pragma once
// Whole files through the file layer under test: written in one call, read back in one.

#include "pel/files/file_io/FileIO.h"

#include <algorithm>
#include <string>

namespace tessel_test {

inline bool putFile(const std::wstring& path, const std::string& bytes, uint32_t mode = pel::FILE_MODE_WRITE) {
    pel::File* file = pel::FileIO::openFile(path.c_str(), mode);
    if (!file)
        return false;
    const bool written = file->write(bytes.data(), static_cast<uint32_t>(bytes.size())) == static_cast<int32_t>(bytes.size());
    return pel::FileIO::closeFile(file) && written;
}

// "<none>" when the file does not open.
inline std::string getFile(const std::wstring& path) {
    pel::File* file = pel::FileIO::openFile(path.c_str(), pel::FILE_MODE_READ);
    if (!file)
        return "<none>";
    std::string bytes(static_cast<size_t>(file->getSize()), '\0');
    bytes.resize(static_cast<size_t>(std::max(0, file->read(&bytes[0], static_cast<uint32_t>(bytes.size())))));
    pel::FileIO::closeFile(file);
    return bytes;
}

} // namespace tessel_test

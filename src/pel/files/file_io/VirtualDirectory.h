#pragma once
// The listing of a directory path that resolves to several devices (layers such as "base:"):
// the listings of all of them in priority order, each name once, from the first layer that has
// it. It belongs to no device; the facade's closeDirectory destroys it.

#include "pel/files/file_io/FileDevice.h"

#include <unordered_set>
#include <vector>

namespace pel {

class VirtualDirectory : public Directory {
public:
    // Takes the listings, highest priority first.
    VirtualDirectory(std::vector<Directory*> listings, const wchar_t* path);
    // Closes each listing through its own device.
    ~VirtualDirectory() override;

    bool isValid() const override;
    const wchar_t* path() const override { return m_path.c_str(); }
    const FileInfo* next() override;
    bool rewind() override;
    FileDevice* device() const override { return nullptr; }

private:
    std::vector<Directory*> m_listings;
    size_t m_current = 0;
    std::unordered_set<uint64_t> m_keys; // of the names already returned
    WorkString<> m_path;
};

} // namespace pel

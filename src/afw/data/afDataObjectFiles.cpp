#include "afw/data/afDataObjectFiles.h"

#include "afw/core/afLog.h"

#include <cstring>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

constexpr uint32_t kHeaderSize = 20;

} // namespace

afDataObjectFiles::afDataObjectFiles() : afDataObjectSimple(CF_HDROP) {}

void afDataObjectFiles::addFile(const wchar_t* path) {
    m_empty = false;
    if (path && *path)
        m_files.emplace_back(path);
}

uint32_t afDataObjectFiles::getSize() const {
    uint32_t size = kHeaderSize + 2;
    for (const std::wstring& path : m_files)
        size += static_cast<uint32_t>(path.size() + 1) * 2;
    return size;
}

bool afDataObjectFiles::getData(void* buffer) const {
    if (!buffer || m_files.empty())
        return false;
    static_assert(sizeof(DROPFILES) == kHeaderSize, "the header is 20 bytes");
    unsigned char* out = static_cast<unsigned char*>(buffer);
    const uint32_t listOffset = kHeaderSize, nonClient = 0, wide = 1;
    std::memcpy(out + offsetof(DROPFILES, pFiles), &listOffset, 4);
    std::memcpy(out + offsetof(DROPFILES, fNC), &nonClient, 4);
    std::memcpy(out + offsetof(DROPFILES, fWide), &wide, 4);
    out += kHeaderSize;
    for (const std::wstring& path : m_files) {
        const size_t bytes = (path.size() + 1) * 2;
        std::memcpy(out, path.c_str(), bytes);
        out += bytes;
    }
    out[0] = out[1] = 0;
    return true;
}

void afDataObjectFiles::clear() {
    m_files.clear();
    afDataObjectSimple::clear();
}

bool afDataObjectFiles::setData(uint32_t, const void* data) {
    m_files.clear();
    HDROP drop = static_cast<HDROP>(const_cast<void*>(data));
    const UINT count = drop ? ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) : 0;
    if (count == 0)
        return false;
    m_empty = false;
    std::wstring path;
    for (UINT index = 0; index < count; ++index) {
        const UINT expected = ::DragQueryFileW(drop, index, nullptr, 0);
        path.assign(expected + 1, L'\0');
        const UINT returned = ::DragQueryFileW(drop, index, &path[0], expected + 1);
        if (returned != expected) {
            pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                            L"afDataObjectFiles::setData(): DragQueryFile returned %d, but %d was expected.\n", returned,
                            expected + 1);
            continue;
        }
        path.resize(returned);
        m_files.push_back(path);
    }
    return true;
}

#include "pel/files/file_io/DevicePath.h"

#include "pel/files/file_io/FileError.h"

#include <cwchar>
#include <cwctype>

namespace pel {

namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

wchar_t foldUnit(wchar_t c) { return c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c)); }

struct Volume {
    bool unc;
    const wchar_t* start;
};

Volume volumeOf(const wchar_t* path) {
    if (!isSeparator(path[0]))
        return {false, path};
    if (std::wcsncmp(path, L"\\\\?\\UNC\\", 8) == 0)
        return {true, path + 8};
    if (std::wcsncmp(path, L"\\\\?\\", 4) == 0)
        return {false, path + 4};
    if (isSeparator(path[1]))
        return {true, path + 2};
    return {false, path};
}

} // namespace

bool splitDevicePath(const wchar_t* path, FileRequest& request) {
    request.path = path;
    request.rest = path;
    request.deviceName[0] = 0;
    request.deviceParam[0] = 0;
    const wchar_t* colon = std::wcschr(path, L':');
    const size_t n = colon ? static_cast<size_t>(colon - path) : 0;
    if (n < 2)
        return true;
    if (isSeparator(path[0]) && path[1] == path[0])
        return true;
    if (n > 63) {
        FileErrorObject::setError(FileErrorCode::DEVICE_NAME_TOO_LONG).addParam(path);
        return false;
    }
    size_t i = 0;
    for (; i < n && path[i] != L'['; ++i)
        request.deviceName[i] = (path[i] >= L'A' && path[i] <= L'Z') ? static_cast<wchar_t>(path[i] + 32) : path[i];
    request.deviceName[i] = 0;
    if (i < n) {
        size_t k = 0;
        for (++i; i < n && path[i] != L']'; ++i)
            request.deviceParam[k++] = path[i];
        request.deviceParam[k] = 0;
        if (i == n) {
            FileErrorObject::setError(FileErrorCode::WRONG_DEVICE_PARAMETER).addParam(path);
            return false;
        }
    }
    request.rest = colon + 1;
    return true;
}

bool isSameVolume(const wchar_t* a, const wchar_t* b) {
    const Volume va = volumeOf(a);
    const Volume vb = volumeOf(b);
    if (va.unc != vb.unc)
        return false;
    if (!va.unc)
        return std::towlower(va.start[0]) == std::towlower(vb.start[0]);
    const wchar_t* p = va.start;
    const wchar_t* q = vb.start;
    for (;; ++p, ++q) {
        const wchar_t x = foldUnit(*p);
        const wchar_t y = foldUnit(*q);
        const bool endX = x == 0 || x == L'\\';
        const bool endY = y == 0 || y == L'\\';
        if (endX || endY)
            return endX && endY;
        if (x != y)
            return false;
    }
}

} // namespace pel

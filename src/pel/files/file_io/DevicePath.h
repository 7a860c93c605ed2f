#pragma once
// Device-path syntax: "device[parameter]:rest" names a registered device; a path with no ':',
// a leading ':', a drive letter ("C:") or two leading separators is a native path.

#include "pel/files/file_io/FileDevice.h"

namespace pel {

// Fills the request's path, device name (lower-cased), device parameter and rest of path.
// False with the thread's error set: 0x20001001 for a device part longer than 63 units,
// 0x20001004 for a '[' without ']'.
bool splitDevicePath(const wchar_t* path, FileRequest& request);
inline bool isNativeRequest(const FileRequest& request) { return request.rest == request.path; }

// Whether two native paths lie on the same volume: the same drive letter, or the same UNC
// server; "\\?\" and "\\?\UNC\" prefixes are looked through.
bool isSameVolume(const wchar_t* a, const wchar_t* b);

} // namespace pel

#pragma once
// What the user is told when a file could not be opened or saved: what happened and to which
// file or folder, in words a user acts on (another program holds it, its folder cannot be
// written, the disk is full, its name is one Windows keeps for a device, it is no file at all),
// the system's own text only as a detail. Every open and save the user asked for is told in these
// words: documents, settings, the bundle editor's entries.

#include "pel/files/file_io/FileError.h"

#include <string>

namespace pel {

enum class FileAction {
    OPEN,
    SAVE,
};

// Whether the path's file name is one Windows keeps for a device (CON, PRN, AUX, NUL, COM1-COM9,
// LPT1-LPT9, CONIN$, CONOUT$), whatever its case, extension ("aux.txt") or blanks before the dot:
// in any folder such a name opens the device, never a file.
bool isReservedDeviceName(const std::wstring& path);

// "Cannot open `path`: ..." or "Cannot save `path`: ...", from the record of the failure (its
// code, and for a save the step that failed). The path is the one the user knows the file by
// (systemPathOf a device path), whatever the record names (the temporary file of a save, say).
// Where the code alone cannot tell, the file is looked at as it is now: a folder, a read-only
// file, a file another program holds. The thread's file error record is left as it was.
std::wstring describeFileFailure(FileAction action, const std::wstring& path, const ErrorMessageTLS& failure);

// The path as the system names it, the name a user knows the file by: a device path
// ("user:a/b") by its full path on disk; a path no device resolves as it is.
std::wstring systemPathOf(const std::wstring& path);

} // namespace pel

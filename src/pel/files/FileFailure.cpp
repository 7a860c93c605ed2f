#include "pel/files/FileFailure.h"

#include "pel/files/FileUtilsSupport.h"
#include "pel/files/file_io/FileErrorCodes.h"
#include "pel/files/file_io/FileIO.h"

#include <windows.h>

#include <cwctype>

namespace pel {

namespace {

using fileutils_detail::ErrorKeeper;

const wchar_t* const RESERVED_NAMES[] = {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2",   L"COM3",    L"COM4",
                                         L"COM5", L"COM6", L"COM7", L"COM8", L"COM9", L"LPT1",   L"LPT2",    L"LPT3",
                                         L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9",   L"CONIN$",  L"CONOUT$",
                                         L"COM\u00B9", L"COM\u00B2", L"COM\u00B3", L"LPT\u00B9", L"LPT\u00B2", L"LPT\u00B3"};

// The library's codes lie above the system's.
constexpr uint32_t LIBRARY_CODES = 0x20000000;
// ERROR_DISK_QUOTA_EXCEEDED, which the build's headers lack.
constexpr uint32_t DISK_QUOTA_EXCEEDED = 1295;

bool isHeldCode(uint32_t code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_USER_MAPPED_FILE;
}

bool isDeniedCode(uint32_t code) {
    return code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT || code == ERROR_NETWORK_ACCESS_DENIED ||
           code == ERROR_FILE_READ_ONLY || code == FileErrorCode::READ_ONLY_DEVICE;
}

bool isFullCode(uint32_t code) {
    return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL || code == DISK_QUOTA_EXCEEDED;
}

bool isMissingFolderCode(uint32_t code) {
    return code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_DRIVE || code == ERROR_BAD_NETPATH ||
           code == ERROR_BAD_NET_NAME;
}

size_t nameStart(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

// The folder part of a path, without its last separator.
std::wstring folderOf(const std::wstring& path) {
    const size_t start = nameStart(path);
    return path.substr(0, start > 1 && path[start - 1] != L':' ? start - 1 : start);
}

// Whether another program has the file open in a way that keeps it from being read or replaced:
// the system says "access denied" to a rename over such a file under Wine.
bool heldNow(const std::wstring& path) {
    File* file = FileIO::openFile(path.c_str(), FILE_MODE_READ);
    if (file) {
        FileIO::closeFile(file);
        return false;
    }
    return isHeldCode(FileErrorObject::getErrorCode());
}

bool readOnlyNow(const std::wstring& path) {
    FileInfo info{};
    return FileIO::getFileInfo(path.c_str(), &info) && !(info.flags & FILEINFO_DIRECTORY) &&
           (info.flags & FILEINFO_READABLE) && !(info.flags & FILEINFO_WRITABLE);
}

// The system's or the library's own text for the record, without the line break it may end with.
std::wstring messageOf(const ErrorMessageTLS& record) {
    std::wstring text;
    FileErrorObject::getMessage(&record, &text);
    while (!text.empty() && std::iswspace(text.back()))
        text.pop_back();
    return text;
}

std::wstring quoted(const std::wstring& path) { return L"`" + path + L"`"; }

} // namespace

bool isReservedDeviceName(const std::wstring& path) {
    std::wstring name = path.substr(nameStart(path));
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ')
        name.pop_back();
    for (const wchar_t* reserved : RESERVED_NAMES)
        if (_wcsicmp(name.c_str(), reserved) == 0)
            return true;
    return false;
}

std::wstring systemPathOf(const std::wstring& path) {
    const ErrorKeeper keep;
    WorkString<> full;
    return FileIO::getFullPath(path.c_str(), &full) ? std::wstring(full.c_str()) : path;
}

std::wstring describeFileFailure(FileAction action, const std::wstring& path, const ErrorMessageTLS& failure) {
    // A copy: the record given may be the thread's own, which the looks below set.
    const ErrorMessageTLS record = failure;
    const ErrorKeeper keep;
    const bool open = action == FileAction::OPEN;
    const uint32_t code = record.code;
    const bool denied = isDeniedCode(code);
    // Whether the system's text follows as a detail: only where it says something the words do
    // not already.
    bool detail = code != 0 && code < LIBRARY_CODES;
    std::wstring reason;
    if (isReservedDeviceName(path)) {
        reason = L"its name is one Windows keeps for a device (CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, "
                 L"with any extension), so it cannot be a file. Choose another name.";
        detail = false;
    } else if (code == FileErrorCode::NOT_A_FILE) {
        reason = L"it is a device or a pipe, not a file: Tessel opens and saves only files.";
    } else if (code == FileErrorCode::TARGET_IS_FOLDER || FileIO::isDirectory(path.c_str())) {
        reason = L"it is a folder, not a file.";
        detail = false;
    } else if (isFullCode(code)) {
        reason = L"the disk is full. Make room on it, then try again.";
    } else if (code == FileErrorCode::CHANGED_WHILE_READ) {
        reason = L"it changed while it was being read: another program is writing it. Open it again once that "
                 L"program is done.";
    } else if (open && code == ERROR_FILE_NOT_FOUND) {
        reason = L"there is no such file.";
        detail = false;
    } else if (isMissingFolderCode(code)) {
        reason = L"its folder " + quoted(folderOf(path)) + L" does not exist.";
    } else if (isHeldCode(code) || (denied && !open && record.step == FileStep::TARGET && heldNow(path))) {
        reason = open ? L"another program has it open and does not let it be read. Close it there, then try again."
                      : L"another program has it open and does not let it be replaced. Close it there, then try "
                        L"again.";
    } else if (denied && !open && record.step == FileStep::FOLDER) {
        reason = L"its folder " + quoted(folderOf(path)) +
                 L" cannot be written to, so no new file can be made there. Make the folder writable, then try "
                 L"again.";
    } else if (denied && !open && readOnlyNow(path)) {
        reason = L"the file is read-only. Make it writable, then try again.";
    } else if (denied && record.step == FileStep::TARGET) {
        // Wine refuses to replace a file any program has open, whatever it shares, and says so
        // as Windows says it of a file the user may not change.
        reason = L"another program may have it open, or Tessel may not be allowed to replace it. Close it in other "
                 L"programs, then try again.";
    } else if (denied) {
        reason = open ? L"Tessel is not allowed to read it." : L"Tessel is not allowed to change it.";
    } else if (code >= LIBRARY_CODES && FileErrorImpl::findFormat(code)) {
        // The library's and the document layer's own messages name the cause already.
        reason = messageOf(record);
    } else {
        reason = open ? L"it could not be read." : L"it could not be written.";
    }
    std::wstring text = (open ? L"Cannot open " : L"Cannot save ") + quoted(path) + L": " + reason;
    if (detail)
        text += L" (The system said: " + messageOf(record) + L")";
    return text;
}

} // namespace pel

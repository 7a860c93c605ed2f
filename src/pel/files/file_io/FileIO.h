#pragma once
// The file I/O facade: the functions through which the program reaches the virtual file
// system. Each clears the calling thread's file error record first and reports failure by
// false or null with the record set (FileErrorObject, FileIO::throwLastError); a null required
// argument sets 0x20000000 without reaching the core. Paths are device paths ("user:a/b.txt")
// or native paths.

#include "pel/files/file_io/DirObserver.h"
#include "pel/files/file_io/FileDevice.h"
#include "pel/files/file_io/FileError.h"

#include <cstdint>
#include <string>

namespace pel {

namespace FileIO {

// name: a device name, or "device:parameter" for a mapping layered under that device name.
bool attachDevice(const wchar_t* name, FileDevice* device, uint32_t priority);
bool detachDevice(const wchar_t* name);
// Detaches every device (which stay alive) and destroys the core; true.
bool release();

// mode: FILE_MODE_*; the file is closed with closeFile.
File* openFile(const wchar_t* path, uint32_t mode);
Directory* openDirectory(const wchar_t* path);
DirObserverHandle* openWatchHandle(const wchar_t* path, DirObserver* observer, bool recursive);
// A file that wraps another (a buffer) hands back what it wraps: false when its data did not
// reach the file, with the record telling why.
bool closeFile(File* file);
bool closeDirectory(Directory* directory);
bool closeWatchHandle(DirObserverHandle* handle);
// As closeFile, leaving the thread's record as it is: for closes that follow a failure the
// caller is about to report.
bool closeFileKeepError(File* file);

// o_info may be null: an existence test.
bool getFileInfo(const wchar_t* path, FileInfo* o_info);
bool isDirectory(const wchar_t* path, FileInfo* o_info = nullptr);
bool isFile(const wchar_t* path);
bool isDirectoryPath(const wchar_t* path);
bool setFileAttributes(const wchar_t* path, const FileAttributeChange& change);
// The change that gives another file the attributes of `flags` (FileInfo flags).
FileAttributeChange makeAttributeChange(uint32_t flags);

bool deleteFile(const wchar_t* path);
bool removeDirectory(const wchar_t* path);
bool createDirectory(const wchar_t* path);
// Creates every missing folder of the path, parents first.
bool createDirectories(const wchar_t* path);
// Renames within one device; across devices 0x20001009 (file) or 0x2000100A (directory).
// flags: FILE_MOVE_REPLACE replaces an existing file target in the same step.
bool move(const wchar_t* from, const wchar_t* to, uint32_t flags = 0);
// Creates the path, or the first of name_1.ext .. name_98.ext that does not exist yet, in a
// mode that must not find the file (6, or 5 to read it back too); 0x20001007 when all exist.
// o_path: the path created.
File* createUniqueFile(const wchar_t* path, uint32_t mode = FILE_MODE_WRITE_CREATE, std::wstring* o_path = nullptr);

bool getFullPath(const wchar_t* path, WorkString<>* o_path);
uint32_t getPathHash(const wchar_t* path, WorkString<>* o_fullPath = nullptr);
uint64_t getPathHash64(const wchar_t* path, WorkString<>* o_fullPath = nullptr);
// Whether both paths resolve to the same file: the same full path on the device that serves
// them (compared without case unless the device keeps case).
bool isSamePath(const wchar_t* a, const wchar_t* b);
// Whether the normalised path begins with the normalised prefix, as text: "c:\foo" is a prefix
// of "c:\foobar", so pass a prefix ending in a separator to test for a folder.
bool startsWithPath(const wchar_t* prefix, const wchar_t* path);

// The system time as one 64-bit FILETIME value.
uint64_t getCurrentTime();

// Path text ('\' and '/' alike), without the error record.
const wchar_t* getFileName(const wchar_t* path);
// Index of the file name in the path.
size_t findFileName(const std::wstring& path);

} // namespace FileIO

// A new[] copy of the text, or null for null.
wchar_t* wcsdup(const wchar_t* text);

} // namespace pel

#pragma once
// Copy, move and remove of files and whole directory trees on any device of the virtual file
// system, and the single steps they are made of. A tree operation first plans every item into a
// list, then works through it. Each step that fails sets the thread's file error and asks the
// optional handler what to do: UI_Retry repeats it, any other answer ends it; without a handler
// every question is answered UI_Cancel. Nothing throws except the wrappers at the end.

#include "pel/files/FileList.h"
#include "pel/files/FileUtilsHandler.h"
#include "pel/files/file_io/FileDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace pel {

class FileUtils {
public:
    // Planning flags.
    enum : uint32_t {
        PLAN_RECURSE = 1,
        PLAN_DIRECTORY_BEGIN = 2,
        PLAN_DIRECTORY_END = 4,
        PLAN_FORBID_SKIP = 16,
    };

    // Tree operations. A destination names the directory each source goes into: a\f.txt to d
    // becomes d\f.txt, a directory a\s becomes d\s with its content.
    static bool movePaths(const std::vector<std::wstring>& sources, FileUtilsHandler* handler,
                          const wchar_t* destination);
    static bool movePath(const wchar_t* source, const wchar_t* destination, FileUtilsHandler* handler);
    static bool copyPaths(const std::vector<std::wstring>& sources, FileUtilsHandler* handler,
                          const wchar_t* destination);
    static bool copyPath(const wchar_t* source, const wchar_t* destination, FileUtilsHandler* handler);
    static bool removePaths(const std::vector<std::wstring>& paths, FileUtilsHandler* handler);
    static bool removePath(const wchar_t* path, FileUtilsHandler* handler);

    // Planning of one source into a list, created on first use (a given list must be of the
    // operation's kind). Junctions and symbolic links are planned as themselves, never entered.
    // A failure destroys the list.
    static bool planMove(FileUtilsHandler* handler, const wchar_t* source, const wchar_t* destination,
                         std::unique_ptr<FileList>* io_list);
    static bool planCopy(FileUtilsHandler* handler, const wchar_t* source, const wchar_t* destination,
                         std::unique_ptr<FileList>* io_list);
    static bool planRemove(FileUtilsHandler* handler, const wchar_t* path, std::unique_ptr<FileList>* io_list);
    // Execution of a planned list, which is destroyed afterwards.
    static bool executeMove(FileUtilsHandler* handler, std::unique_ptr<FileList> list);
    static bool executeCopy(FileUtilsHandler* handler, std::unique_ptr<FileList> list);
    static bool executeRemove(FileUtilsHandler* handler, std::unique_ptr<FileList> list);

    // Steps.
    static File* openFileForRead(FileUtilsHandler* handler, const wchar_t* path);
    // Creates the file; an existing one is replaced only after the replace question (and the
    // read-only question when it is read-only). sourcePath may be null.
    static File* openFileForWrite(const wchar_t* path, const wchar_t* sourcePath, FileUtilsHandler* handler);
    static Directory* openDirectory(FileUtilsHandler* handler, const wchar_t* path);
    static bool getFileInfo(FileUtilsHandler* handler, const wchar_t* path, FileInfo* o_info);
    // Succeeds also when the directory exists already.
    static bool createDirectory(FileUtilsHandler* handler, const wchar_t* path);
    static bool removeDirectory(const wchar_t* path, FileUtilsHandler* handler, bool noConfirmation);
    static bool deleteFile(FileUtilsHandler* handler, const wchar_t* path, bool noConfirmation);
    static bool makeWritable(FileUtilsHandler* handler, const wchar_t* path);
    static bool setAttributes(FileUtilsHandler* handler, const wchar_t* path, const FileAttributeChange& change);
    // The bytes moved; fewer than count when a call moved nothing and the answer was not retry.
    static uint32_t readFully(FileUtilsHandler* handler, File* file, void* buffer, uint32_t count);
    static uint32_t writeFully(FileUtilsHandler* handler, File* file, const void* buffer, uint32_t count);
    // Copies the source to the end of its data into the destination, which counts as written
    // only once it is flushed and closed; a failed copy leaves no destination behind. Then the
    // source's attributes (when given) go to the destination and, with deleteSource, the source
    // is deleted.
    static bool copyFileData(FileUtilsHandler* handler, const wchar_t* source, const wchar_t* destination,
                             bool deleteSource, const FileListInfo* sourceInfo);
    // Renames within a device; an existing file target is replaced after the replace question,
    // and stays as it was when the move fails.
    static bool moveReplacing(const wchar_t* source, const wchar_t* destination, FileUtilsHandler* handler);
    // moveReplacing after refusing a move onto itself or to another device.
    static bool moveFile(FileUtilsHandler* handler, const wchar_t* source, const wchar_t* destination);
    static bool renameFile(FileUtilsHandler* handler, const wchar_t* path, const wchar_t* newName);
    // The directory with every missing parent.
    static bool createDirectories(const wchar_t* path, FileUtilsHandler* handler);

    // Wrappers that accept every question and throw the thread's file error on failure.
    static void move(const std::wstring& source, const std::wstring& destination);
    static void remove(const std::wstring& path);
    static void createPath(const std::wstring& path);
    // Copies one file to the path `to` (not into a directory).
    static void copyFile(const std::wstring& from, const std::wstring& to);
};

} // namespace pel

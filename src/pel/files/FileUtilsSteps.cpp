// The single steps of the file utilities, each in the retry loop.

#include "pel/files/FileUtils.h"
#include "pel/files/FileUtilsSupport.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileIFC.h"

#include <cwchar>

namespace pel {

using namespace fileutils_detail;
using Handler = FileUtilsHandler;

namespace fileutils_detail {

void stepDone(FileUtilsHandler* handler, const wchar_t* path, uint32_t code) {
    if (!handler)
        return;
    if (handler->resultList && path)
        handler->resultList->add(path, nullptr)->setOperation(code);
    handler->notify(code);
}

bool isReadOnlyFile(const wchar_t* path) {
    ErrorKeeper keep;
    FileInfo info;
    return FileIO::getFileInfo(path, &info) && !(info.flags & (FILEINFO_DIRECTORY | FILEINFO_WRITABLE));
}

} // namespace fileutils_detail

namespace {

// After the user agreed to replace: runs `write` (which replaces the target) until it succeeds,
// offering to make a read-only target writable once.
template <class Write>
bool replaceTarget(Handler* handler, const wchar_t* target, const wchar_t* source, uint32_t operation, Write write) {
    FileErrorObject::setError(source ? FileErrorCode::QUESTION_REPLACE : FileErrorCode::QUESTION_REPLACE_EXISTING)
        .addParam(target);
    if (source)
        FileErrorObject::ensureRecord().addParam(source);
    if (!handler)
        return false;
    handler->destinationPath = target;
    handler->sourcePath = source;
    if (askHandler(handler, false, operation) != Handler::UI_Ok)
        return false;
    bool madeWritable = false;
    return retryStep(handler, target, operation, write, [&] {
        if (errorCode() != ERROR_ACCESS_DENIED || madeWritable || !isReadOnlyFile(target))
            return Recovery::Ask;
        madeWritable = true;
        FileErrorObject::setError(source ? FileErrorCode::QUESTION_REPLACE_READ_ONLY
                                         : FileErrorCode::QUESTION_REPLACE_READ_ONLY_FILE)
            .addParam(target);
        if (source)
            FileErrorObject::ensureRecord().addParam(source);
        if (handler->ask(false) != Handler::UI_Ok || !FileUtils::makeWritable(handler, target))
            return Recovery::Stop;
        return Recovery::Again;
    });
}

bool removeItem(Handler* handler, const wchar_t* path, bool directory, bool noConfirmation) {
    using namespace FileErrorCode;
    const uint32_t operation = directory ? Handler::OpRemoveDirectory : Handler::OpDeleteFile;
    if (!noConfirmation && path) {
        FileErrorObject::setError(directory ? QUESTION_DELETE_DIRECTORY : QUESTION_DELETE).addParam(path);
        if (handler)
            handler->currentPath = path;
        if (askHandler(handler, false, operation) != Handler::UI_Ok)
            return false;
    }
    // For all given to files covers directories, and the other way round.
    if (handler && !handler->singleItem)
        directory ? handler->copyAnswer(QUESTION_DELETE_DIRECTORY, QUESTION_DELETE)
                  : handler->copyAnswer(QUESTION_DELETE, QUESTION_DELETE_DIRECTORY);
    bool madeWritable = false;
    const bool removed = retryStep(
        handler, path, operation,
        [&] { return directory ? FileIO::removeDirectory(path) : FileIO::deleteFile(path); },
        [&] {
            if (directory || madeWritable || errorCode() != ERROR_ACCESS_DENIED || !isReadOnlyFile(path))
                return Recovery::Ask;
            madeWritable = true;
            if (!noConfirmation) {
                FileErrorObject::setError(QUESTION_DELETE_READ_ONLY).addParam(path);
                if (askHandler(handler, false, operation) != Handler::UI_Ok)
                    return Recovery::Stop;
            }
            return FileUtils::makeWritable(handler, path) ? Recovery::Again : Recovery::Stop;
        });
    if (removed)
        stepDone(handler, path, operation);
    return removed;
}

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

} // namespace

File* FileUtils::openFileForRead(Handler* handler, const wchar_t* path) {
    File* file = nullptr;
    retryStep(handler, path, Handler::OpOpenForRead, [&] { return (file = FileIO::openFile(path, FILE_MODE_READ)) != nullptr; });
    return file;
}

File* FileUtils::openFileForWrite(const wchar_t* path, const wchar_t* sourcePath, Handler* handler) {
    if (!path) {
        softAssertion(L"path", PEL_FILE, __LINE__);
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        return nullptr;
    }
    File* file = nullptr;
    const auto create = [&] { return (file = FileIO::openFile(path, FILE_MODE_WRITE_CREATE)) != nullptr; };
    const auto existing = [] { return isExistsError(errorCode()) ? Recovery::Stop : Recovery::Ask; };
    if (retryStep(handler, path, Handler::OpOpenForWrite, create, existing))
        return file;
    if (!isExistsError(errorCode()))
        return nullptr;
    const auto replace = [&] { return (file = FileIO::openFile(path, FILE_MODE_WRITE)) != nullptr; };
    return replaceTarget(handler, path, sourcePath, Handler::OpOpenForWrite, replace) ? file : nullptr;
}

Directory* FileUtils::openDirectory(Handler* handler, const wchar_t* path) {
    Directory* directory = nullptr;
    retryStep(handler, path, Handler::OpListDirectory,
              [&] { return (directory = FileIO::openDirectory(path)) != nullptr; });
    return directory;
}

bool FileUtils::getFileInfo(Handler* handler, const wchar_t* path, FileInfo* o_info) {
    return retryStep(handler, path, Handler::OpGetAttributes, [&] { return FileIO::getFileInfo(path, o_info); });
}

bool FileUtils::createDirectory(Handler* handler, const wchar_t* path) {
    const bool created = retryStep(handler, path, Handler::OpCreateDirectory, [&] {
        if (FileIO::createDirectory(path))
            return true;
        if (errorCode() != ERROR_ALREADY_EXISTS)
            return false;
        // An existing directory will do; a file of that name will not.
        {
            ErrorKeeper keep;
            if (!FileIO::isDirectory(path))
                return false;
        }
        FileErrorObject::setError(0);
        return true;
    });
    if (created)
        stepDone(handler, path, Handler::OpCreateDirectory);
    return created;
}

bool FileUtils::removeDirectory(const wchar_t* path, Handler* handler, bool noConfirmation) {
    return removeItem(handler, path, true, noConfirmation);
}

bool FileUtils::deleteFile(Handler* handler, const wchar_t* path, bool noConfirmation) {
    return removeItem(handler, path, false, noConfirmation);
}

bool FileUtils::makeWritable(Handler* handler, const wchar_t* path) {
    FileAttributeChange change;
    change.setFlags = FILEINFO_WRITABLE;
    return setAttributes(handler, path, change);
}

bool FileUtils::setAttributes(Handler* handler, const wchar_t* path, const FileAttributeChange& change) {
    const bool set = retryStep(handler, path, KEEP_OPERATION, [&] { return FileIO::setFileAttributes(path, change); });
    if (set)
        stepDone(handler, path, Handler::OpSetAttributes);
    return set;
}

namespace {

// Repeats a read or write until count bytes moved; a failure (with a fault code when the file
// set none, so no question says "Success.") goes to the handler, which may ask for a retry.
template <class Step>
uint32_t moveFully(Handler* handler, File* file, uint32_t count, DWORD faultCode, decltype(Handler::OpRead) operation,
                   Step step) {
    PEL_CHECK_PTR(file);
    uint32_t done = 0;
    while (done < count) {
        const int32_t n = step(done, count - done);
        if (n > 0 && static_cast<uint32_t>(n) > count - done) {
            softAssertion(L"0", PEL_FILE, __LINE__);
            break;
        }
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            continue;
        }
        if (errorCode() == 0)
            FileErrorObject::setError(faultCode).addParam(file->path());
        if (handler)
            handler->currentPath = file->path();
        if (askHandler(handler, false, operation) != Handler::UI_Retry)
            break;
    }
    return done;
}

} // namespace

uint32_t FileUtils::readFully(Handler* handler, File* file, void* buffer, uint32_t count) {
    char* bytes = static_cast<char*>(buffer);
    return moveFully(handler, file, count, ERROR_HANDLE_EOF, Handler::OpRead,
                     [&](uint32_t done, uint32_t left) { return file->read(bytes + done, left); });
}

uint32_t FileUtils::writeFully(Handler* handler, File* file, const void* buffer, uint32_t count) {
    const char* bytes = static_cast<const char*>(buffer);
    return moveFully(handler, file, count, ERROR_WRITE_FAULT, Handler::OpWrite,
                     [&](uint32_t done, uint32_t left) { return file->write(bytes + done, left); });
}

bool FileUtils::moveReplacing(const wchar_t* source, const wchar_t* destination, Handler* handler) {
    using namespace FileErrorCode;
    if (!source || !destination) {
        softAssertion(L"source_path && destination_path", PEL_FILE, __LINE__);
        FileErrorObject::setError(INVALID_CALL);
        return false;
    }
    if (handler) {
        handler->sourcePath = source;
        handler->destinationPath = destination;
    }
    const auto move = [&] { return FileIO::move(source, destination); };
    if (retryStep(handler, source, Handler::OpMove, move,
                  [] { return isExistsError(errorCode()) ? Recovery::Stop : Recovery::Ask; }))
        return true;
    if (!isExistsError(errorCode()))
        return false;
    FileInfo from;
    FileInfo to;
    if (!getFileInfo(handler, source, &from) || !getFileInfo(handler, destination, &to))
        return false;
    const bool fromDirectory = (from.flags & FILEINFO_DIRECTORY) != 0;
    const bool toDirectory = (to.flags & FILEINFO_DIRECTORY) != 0;
    if (fromDirectory || toDirectory) {
        const uint32_t code = fromDirectory != toDirectory
                                  ? (fromDirectory ? MOVE_DIRECTORY_TO_FILE : MOVE_FILE_TO_DIRECTORY)
                                  : MOVE_DIRECTORY_TO_EXISTING;
        FileErrorObject::setError(code).addParam(destination);
        askHandler(handler, false, Handler::OpMove);
        return false;
    }
    // The target goes only with the move that replaces it: a failed move leaves it in place.
    return replaceTarget(handler, destination, source, Handler::OpMove,
                         [&] { return FileIO::move(source, destination, FILE_MOVE_REPLACE); });
}

bool FileUtils::moveFile(Handler* handler, const wchar_t* source, const wchar_t* destination) {
    using namespace FileErrorCode;
    if (!source || !destination) {
        softAssertion(L"source_path && destination_path", PEL_FILE, __LINE__);
        FileErrorObject::setError(INVALID_CALL);
        return false;
    }
    if (handler)
        handler->operation = Handler::OpMove;
    if (FileIO::isSamePath(source, destination)) {
        const bool directory = FileIO::isDirectory(source);
        FileErrorObject::setError(directory ? MOVE_DIRECTORY_TO_ITSELF : MOVE_FILE_TO_ITSELF).addParam(source);
        askHandler(handler, true);
        return false;
    }
    if (const uint32_t devices = FileIFC::getInstance()->compareDevices(source, destination)) {
        FileErrorObject::setError(devices).addParam(destination);
        askHandler(handler, true);
        return false;
    }
    return moveReplacing(source, destination, handler);
}

bool FileUtils::renameFile(Handler* handler, const wchar_t* path, const wchar_t* newName) {
    if (!path || !newName) {
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        return false;
    }
    WorkString<> target(path);
    target.replaceFileName(newName);
    return moveFile(handler, path, target.c_str());
}

bool FileUtils::createDirectories(const wchar_t* path, Handler* handler) {
    if (!path) {
        softAssertion(L"path", PEL_FILE, __LINE__);
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        return false;
    }
    const size_t length = std::wcslen(path);
    const wchar_t* colon = std::wcschr(path, L':');
    size_t pos = length; // without a device part the path is one component
    if (colon && colon - path == 1 && isSeparator(colon[1]))
        pos = 3; // after a drive root
    else if (colon)
        pos = static_cast<size_t>(colon - path) + 1;
    const bool skipWasForbidden = handler && handler->skipForbidden;
    if (handler)
        handler->skipForbidden = true;
    bool created = true;
    for (;;) {
        while (pos < length && !isSeparator(path[pos]))
            ++pos;
        const std::wstring prefix(path, pos);
        if (!prefix.empty() && !FileIO::isDirectory(prefix.c_str()) && !createDirectory(handler, prefix.c_str())) {
            created = false;
            break;
        }
        if (pos >= length)
            break;
        ++pos;
    }
    if (handler)
        handler->skipForbidden = skipWasForbidden;
    if (created)
        FileErrorObject::setError(0);
    return created;
}

} // namespace pel

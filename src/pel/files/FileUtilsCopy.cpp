// Copying one file's data, and the throwing wrappers.

#include "pel/files/FileUtils.h"
#include "pel/files/FileUtilsSupport.h"

#include "pel/base/Assert.h"
#include "pel/base/Timestamp.h"

#include <memory>
#include <string>
#include <utility>

namespace pel {

using namespace fileutils_detail;
using Handler = FileUtilsHandler;

namespace {

constexpr uint32_t CHUNK = 32768;

// Whether a read that delivered nothing stands at the end of the file, not at a failure.
bool atEnd(File* file) {
    ErrorKeeper keep;
    const int64_t size = file->getSize();
    const int64_t position = file->tell();
    return size >= 0 && position >= size;
}

// Up to count bytes; 0 only at the end of the file, -1 when reading failed for good.
int32_t readChunk(Handler* handler, File* file, char* buffer, uint32_t count) {
    for (;;) {
        FileErrorObject::setError(0);
        const int32_t n = file->read(buffer, count);
        if (n > 0 && static_cast<uint32_t>(n) > count) {
            softAssertion(L"0", PEL_FILE, __LINE__);
            FileErrorObject::setError(FileErrorCode::INTERNAL_ERROR).addParam(PEL_FILE).addNumber(__LINE__);
            return -1;
        }
        if (n > 0 || (n == 0 && atEnd(file)))
            return n;
        if (errorCode() == 0)
            FileErrorObject::setError(ERROR_READ_FAULT).addParam(file->path());
        if (handler)
            handler->currentPath = file->path();
        if (askHandler(handler, false, Handler::OpRead) != Handler::UI_Retry)
            return -1;
    }
}

// Copies until the end of the source; the 64-bit count is what was written.
bool copyAll(Handler* handler, File* in, File* out, char* buffer) {
    uint64_t done = 0;
    for (;;) {
        if (handler && handler->pollCancelled()) {
            FileErrorObject::setError(FileErrorCode::CANCELLED);
            return false;
        }
        const int32_t n = readChunk(handler, in, buffer, CHUNK);
        if (n <= 0)
            return n == 0;
        if (FileUtils::writeFully(handler, out, buffer, static_cast<uint32_t>(n)) != static_cast<uint32_t>(n))
            return false;
        done += static_cast<uint32_t>(n);
        if (handler)
            handler->updateProgress(done, false);
    }
}

bool flush(Handler* handler, File* out) {
    return retryStep(handler, out->path(), Handler::OpWrite, [&] {
        if (out->flush())
            return true;
        if (errorCode() == 0)
            FileErrorObject::setError(ERROR_WRITE_FAULT).addParam(out->path());
        return false;
    });
}

// Closes a file opened by a copy; false, with the error set, when its data did not arrive.
bool close(File* file, bool keepError) {
    if (!file)
        return false;
    if (keepError) {
        ErrorKeeper keep;
        FileIO::closeFile(file);
        return false;
    }
    const std::wstring path = file->path();
    if (FileIO::closeFile(file))
        return true;
    if (errorCode() == 0)
        FileErrorObject::setError(ERROR_WRITE_FAULT).addParam(path);
    return false;
}

// Gives the copy the source's attributes; a device that keeps none has nothing to lose.
bool copyAttributes(Handler* handler, const wchar_t* destination, const FileListInfo& info) {
    const FileAttributeChange change = FileIO::makeAttributeChange(info.flags);
    bool unsupported = false;
    const bool set = retryStep(
        handler, destination, KEEP_OPERATION, [&] { return FileIO::setFileAttributes(destination, change); },
        [&] {
            unsupported = errorCode() == FileErrorCode::UNSUPPORTED_OPERATION;
            return unsupported ? Recovery::Stop : Recovery::Ask;
        });
    if (set)
        stepDone(handler, destination, Handler::OpSetAttributes);
    else if (unsupported)
        FileErrorObject::setError(0);
    return set || unsupported;
}

} // namespace

bool FileUtils::copyFileData(Handler* handler, const wchar_t* source, const wchar_t* destination, bool deleteSource,
                             const FileListInfo* sourceInfo) {
    if (!source || !destination) {
        softAssertion(!source ? L"source_path" : L"destination_path", PEL_FILE, __LINE__);
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        return false;
    }
    if (handler) {
        handler->destinationPath = destination;
        handler->sourcePath = source;
        handler->fileStart = currentTimeMillis();
    }
    // Writing over the source itself would empty it before it is read.
    if (FileIO::isSamePath(source, destination)) {
        FileErrorObject::setError(FileErrorCode::COPY_FILE_TO_ITSELF).addParam(source);
        askHandler(handler, true, Handler::OpCopyFile);
        return false;
    }
    // Closed however the copy ends, a callback that throws included.
    struct Guard {
        File* file;
        ~Guard() { close(file, true); }
        File* release() { return std::exchange(file, nullptr); }
    };
    Guard in{openFileForRead(handler, source)};
    if (!in.file)
        return false;
    Guard out{openFileForWrite(destination, source, handler)};
    if (!out.file)
        return false;

    std::unique_ptr<char[]> own;
    char* buffer;
    if (handler) {
        if (handler->buffer.size() < CHUNK)
            handler->buffer.resize(CHUNK);
        buffer = handler->buffer.data();
        const int64_t size = in.file->getSize();
        handler->currentFileSize = size > 0 ? static_cast<uint64_t>(size) : 0;
        handler->currentFileDone = 0;
    } else {
        own.reset(new char[CHUNK]);
        buffer = own.get();
    }
    bool copied = copyAll(handler, in.file, out.file, buffer) && flush(handler, out.file);
    close(in.release(), true);
    copied = close(out.release(), !copied) && copied;
    if (!copied) {
        ErrorKeeper keep;
        FileIO::deleteFile(destination); // a partial copy is no copy
        return false;
    }
    if (handler)
        handler->currentPath = destination;
    stepDone(handler, destination, Handler::OpCreateFile);
    if (sourceInfo && !copyAttributes(handler, destination, *sourceInfo))
        return false;
    return !deleteSource || deleteFile(handler, source, true);
}

void FileUtils::copyFile(const std::wstring& from, const std::wstring& to) {
    Handler handler;
    handler.acceptAllQuestions();
    if (!copyFileData(&handler, from.c_str(), to.c_str(), false, nullptr))
        FileIO::throwLastError();
}

void FileUtils::move(const std::wstring& source, const std::wstring& destination) {
    Handler handler;
    handler.acceptAllQuestions();
    if (!moveFile(&handler, source.c_str(), destination.c_str()))
        FileIO::throwLastError();
}

void FileUtils::remove(const std::wstring& path) {
    Handler handler;
    handler.acceptAllQuestions();
    if (!removePath(path.c_str(), &handler))
        FileIO::throwLastError();
}

void FileUtils::createPath(const std::wstring& path) {
    Handler handler;
    handler.acceptAllQuestions();
    if (!createDirectories(path.c_str(), &handler))
        FileIO::throwLastError();
}

} // namespace pel

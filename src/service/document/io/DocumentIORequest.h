#pragma once
// One load or save handed to the loader thread: a slot of the request pool, filled by
// DocumentIO::doRequest and released by DocumentIO::wait once its semaphore was set.

#include "pel/files/file_io/FileError.h"
#include "pel/thread/Semaphore.h"
#include "service/document/io/FileStamp.h"

#include <cstdint>
#include <memory>

namespace tessel {

class Document;

enum DocumentIOKind : uint32_t {
    DOCUMENT_IO_LOAD = 0,
    DOCUMENT_IO_SAVE = 1,
};

struct DocumentIORequest {
    uint32_t kind = DOCUMENT_IO_LOAD;
    wchar_t* path = nullptr; // an owned copy (new[]), freed by the wait
    std::unique_ptr<pel::FileErrorObject> error; // the file error of a failed request
    Document* document = nullptr;
    // A save replaces the file only as `expected` has it, with `expecting`.
    bool expecting = false;
    FileStamp expected;
    // The file as a save's write left it, taken by the write itself (unknown when it cannot be
    // read): what differs from it later was written by someone else.
    FileStamp written;
    // An event of the waiting caller (not owned), set by the loader just before `done`; null
    // when the caller only waits on `done`.
    HANDLE ready = nullptr;
    pel::LightSemaphore done{0, 1}; // set by the loader when the request has run
};

} // namespace tessel

#pragma once
// One load, save or read handed to the loader thread: a slot of the request pool, filled by
// DocumentIO::doRequest (or DocumentIO::readFile) and released by DocumentIO::wait once its
// semaphore was set.

#include "pel/files/SafeSave.h"
#include "pel/files/file_io/FileError.h"
#include "pel/thread/Semaphore.h"
#include "service/document/io/FileStamp.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tessel {

class Document;

enum DocumentIOKind : uint32_t {
    DOCUMENT_IO_LOAD = 0,
    DOCUMENT_IO_SAVE = 1,
    // The file's stamp and the digest of its bytes, for no document.
    DOCUMENT_IO_READ = 2,
};

// What a request left besides its error: the file as a load or read read it, or as a save wrote
// it (the stamp taken before the bytes went by, and their digest; a save's stamp is the one its
// own write left, unknown when it cannot be read: what differs from it later was written by
// someone else) or, when the save found it changed (TARGET_CHANGED), as it found it; and the file
// a save replaced and kept beside the target since it was not the one expected (empty when none
// was).
struct DocumentIOResult {
    FileVersion version;
    std::wstring kept;
};

struct DocumentIORequest {
    uint32_t kind = DOCUMENT_IO_LOAD;
    wchar_t* path = nullptr; // an owned copy (new[]), freed by the wait
    std::unique_ptr<pel::FileErrorObject> error; // the file error of a failed request
    Document* document = nullptr;
    // A save replaces the file only as `expected` has it, with `expecting` (pel::SafeSave::expect).
    bool expecting = false;
    FileVersion expected;
    pel::SafeSave::Other other = pel::SafeSave::Other::REFUSE;
    DocumentIOResult result;
    // An event of the waiting caller (not owned), set by the loader just before `done`; null
    // when the caller only waits on `done`.
    HANDLE ready = nullptr;
    // Called on the loader's thread once the request has run (after `done`), for a caller that
    // does not wait: it is to call the wait later.
    std::function<void()> finished;
    pel::LightSemaphore done{0, 1}; // set by the loader when the request has run
};

} // namespace tessel

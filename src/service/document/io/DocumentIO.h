#pragma once
// The "DocLoader" thread, which performs every read and write of a document file on behalf of the
// main thread: a request names a document, a path and a kind (load or save); the caller queues it
// with doRequest and blocks in wait until the thread has run it. A read of a file's bytes for no
// document (readFile) is queued the same way and taken up once it tells it has run. Requests run
// one at a time, in queue order. The thread runs only while there is a request: the first one
// queued starts it, and it ends when it finds the queue empty. The main thread must not hold the
// document's lock while it waits, because the loader takes the lock's mutex for the whole load or
// save (unless the waiting caller holds it for a save, see Document::holdMutexForLoader).
//
// Whatever goes wrong inside a request (a file error, a file too large, memory, an exception)
// becomes that request's error; the thread goes on with the next one.

#include "service/document/io/DocumentIORequest.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace tessel {

class Document;
class DocumentIOOwner;
class DocumentIOWait;

class DocumentIO {
public:
    // The owner (may be null: no format detection) outlives this object.
    explicit DocumentIO(DocumentIOOwner* owner);
    // Closes the queue and joins the thread.
    ~DocumentIO();
    DocumentIO(const DocumentIO&) = delete;
    DocumentIO& operator=(const DocumentIO&) = delete;

    // Takes a free request slot (waiting while none is free), fills it, queues it and starts the
    // thread unless it runs (a thread that cannot start fails the request with a memory error).
    // Null when the queue is closed (logged). `ready`, when given, is an event the loader sets just before
    // the request is done; it must live until the request's wait returns.
    // A save replaces the file only as *expected has it, when given, and does `other` with
    // another one (DocumentWriter::save).
    DocumentIORequest* doRequest(Document* document, const wchar_t* path, uint32_t kind, HANDLE ready = nullptr,
                                 const FileVersion* expected = nullptr,
                                 pel::SafeSave::Other other = pel::SafeSave::Other::REFUSE);
    // Queues a read of the file's stamp and bytes (DOCUMENT_IO_READ) that nobody waits for:
    // `finished` is called on the loader's thread once it has run, and the caller then takes the
    // result with wait, which returns at once. Null when the queue is closed.
    DocumentIORequest* readFile(const wchar_t* path, std::function<void()> finished);
    // Waits for the request (through `waiter` when given and the request has a ready event),
    // marks the undo log of a document saved as saved, then frees the request's path and
    // returns its slot to the pool; returns the request's error, null when it succeeded (an
    // invalid-call error for a request that is not one of this loader's), and what it left in
    // *o_result when given. A waiter that throws is logged, and the request waited for all the
    // same: the loader may still be writing into the request, its event and its document.
    std::unique_ptr<pel::FileErrorObject> wait(DocumentIORequest* request, DocumentIOWait* waiter = nullptr,
                                               DocumentIOResult* o_result = nullptr);

    // A test setting: files are read in blocks of this many bytes and saved in pieces of this many
    // units (0 restores the defaults), so that tests reach block boundaries with small files.
    void setBlockSize(uint32_t size);
    // Tests: whether the thread runs now; what it does once it has found the queue empty, before
    // it decides to end (on its own thread; set while it does not run).
    bool loaderRuns() const;
    // Tests: the request slots taken, from doRequest until their wait has returned.
    int requestsTaken() const;
    void setIdleEndHook(std::function<void()> hook);

private:
    class Loader;
    DocumentIORequest* queue(Document* document, const wchar_t* path, uint32_t kind, HANDLE ready,
                             const FileVersion* expected, pel::SafeSave::Other other, std::function<void()> finished);
    // Frees the slot's path and error and gives the slot back to the pool.
    void release(int tid);

    std::unique_ptr<Loader> m_loader;
};

} // namespace tessel

#include "service/document/io/DocumentIO.h"

#include "pel/base/Assert.h"
#include "pel/base/Exception.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"
#include "pel/thread/LegacyThread.h"
#include "service/base/TaskFailure.h"
#include "service/document/Document.h"
#include "service/document/io/DocumentIOErrors.h"
#include "service/document/io/DocumentIOQueue.h"
#include "service/document/io/DocumentIOWait.h"
#include "service/document/io/DocumentReader.h"
#include "service/document/io/DocumentWriter.h"
#include "service/document/undo/UndoContext.h"

#include <atomic>
#include <exception>
#include <functional>
#include <new>
#include <string>

namespace tessel {

// The thread runs while there are requests: a request queued when none runs starts it, and it
// ends once it finds the queue empty. Loads and saves are rare, each far dearer than starting a
// thread, and an idle thread costs memory (about a megabyte under Wine) beside the large text
// just loaded.
class DocumentIO::Loader : public pel::LegacyThread {
public:
    explicit Loader(DocumentIOOwner* owner) : pel::LegacyThread(L"DocLoader"), m_owner(owner) {}
    ~Loader() override {
        requestStop();
        join();
    }

    bool requestStop() override {
        m_queue.close();
        return pel::LegacyThread::requestStop();
    }

    DocumentIORequestPool pool;
    std::atomic<uint32_t> blockSize{0};
    std::function<void()> idleEndHook;

    bool queue(int tid) {
        if (m_queue.push(tid) < 0)
            return false;
        serve();
        return true;
    }

protected:
    int run(void*) override {
        for (;;) {
            int tid = m_queue.pop(0);
            if (tid == DocumentIOQueue::TIMED_OUT) {
                if (idleEndHook)
                    idleEndHook();
                if (leave())
                    return 0;
                tid = m_queue.pop(-1); // queued meanwhile: its release is on its way
            }
            if (tid < 0)
                return 0;
            DocumentIORequest& request = pool.slot(tid);
            perform(request);
            complete(request);
        }
    }

private:
    // A thread for the queue unless one serves it. The one that served last has left (or is
    // leaving: it takes nothing more) and is joined first.
    void serve() {
        pel::ScopedLock<pel::Mutex_Impl> lock(m_serveLock);
        if (m_serving)
            return;
        try {
            join();
            start();
            m_serving = true;
        } catch (...) {
            // Without a thread nothing would ever run what is queued: each request fails.
            pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"DocumentIO: The loader thread cannot start.\n");
            for (int tid; (tid = m_queue.pop(0)) >= 0;) {
                DocumentIORequest& request = pool.slot(tid);
                pel::FileErrorObject::setError(ERROR_NOT_ENOUGH_MEMORY).addParam(request.path);
                keepError(request);
                complete(request);
            }
        }
    }

    // The thread stops serving, unless a request was queued before it could: a queue that is
    // still empty now gets a new thread from the next request.
    bool leave() {
        pel::ScopedLock<pel::Mutex_Impl> lock(m_serveLock);
        if (!m_queue.empty())
            return false;
        m_serving = false;
        return true;
    }

    static void complete(DocumentIORequest& request) {
        // Taken first: once done is set the caller may let go of the request and its event.
        const std::function<void()> finished = std::move(request.finished);
        if (request.ready)
            ::SetEvent(request.ready);
        request.done.set();
        if (finished)
            finished();
    }

    // Runs the request; anything that goes wrong ends up in its error.
    void perform(DocumentIORequest& request) {
        const wchar_t* path = request.path;
        bool done = false;
        try {
            const uint32_t block = blockSize.load();
            if (request.kind == DOCUMENT_IO_READ) {
                request.result.version = pel::readFileVersion(path ? path : L"");
                done = true;
            } else if (!request.document) {
                pel::FileErrorObject::setError(pel::FileErrorCode::INVALID_CALL);
            } else if (request.kind == DOCUMENT_IO_LOAD) {
                done = DocumentReader(block ? block : DocumentReader::MAX_BLOCK)
                           .load(*request.document, path, m_owner, &request.result.version);
            } else if (request.kind == DOCUMENT_IO_SAVE) {
                done = DocumentWriter(block ? static_cast<int32_t>(block) : DocumentWriter::PIECE_UNITS)
                           .save(*request.document, path, request.expecting ? &request.expected : nullptr,
                                 request.other, &request.result);
            } else {
                done = true;
            }
        } catch (const pel::OutOfMemoryException&) {
            pel::FileErrorObject::setError(ERROR_NOT_ENOUGH_MEMORY).addParam(path);
        } catch (const std::bad_alloc&) {
            pel::FileErrorObject::setError(ERROR_NOT_ENOUGH_MEMORY).addParam(path);
        } catch (const pel::Exception& e) {
            set_document_io_error(DocumentIOError::REQUEST_FAILED, path, e.displayText().c_str());
        } catch (const std::exception& e) {
            std::wstring what;
            for (const char* c = e.what(); *c; ++c)
                what += static_cast<wchar_t>(static_cast<unsigned char>(*c));
            set_document_io_error(DocumentIOError::REQUEST_FAILED, path, what.c_str());
        } catch (...) {
            set_document_io_error(DocumentIOError::REQUEST_FAILED, path, L"unknown exception");
        }
        if (done)
            return;
        if (pel::FileErrorObject::getErrorCode() == 0)
            pel::FileErrorObject::setError(pel::FileErrorCode::INTERNAL_ERROR).addParam(path);
        keepError(request);
    }

    // The calling thread's file error becomes the request's.
    static void keepError(DocumentIORequest& request) {
        try {
            request.error.reset(new pel::FileErrorObject(pel::FileErrorObject::ensureRecord()));
        } catch (...) {
            // No memory even for the record: the caller still learns that the request failed.
            pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"DocumentIO: No memory for the error of '%s'\n",
                            request.path ? request.path : L"");
        }
    }

    DocumentIOOwner* m_owner;
    DocumentIOQueue m_queue;
    pel::Mutex_Impl m_serveLock;
    bool m_serving = false;
};

DocumentIO::DocumentIO(DocumentIOOwner* owner) : m_loader(new Loader(owner)) { register_document_io_messages(); }

DocumentIO::~DocumentIO() = default;

DocumentIORequest* DocumentIO::doRequest(Document* document, const wchar_t* path, uint32_t kind, HANDLE ready,
                                         const FileVersion* expected, pel::SafeSave::Other other) {
    return queue(document, path, kind, ready, expected, other, nullptr);
}

DocumentIORequest* DocumentIO::readFile(const wchar_t* path, std::function<void()> finished) {
    return queue(nullptr, path, DOCUMENT_IO_READ, nullptr, nullptr, pel::SafeSave::Other::REFUSE, std::move(finished));
}

DocumentIORequest* DocumentIO::queue(Document* document, const wchar_t* path, uint32_t kind, HANDLE ready,
                                     const FileVersion* expected, pel::SafeSave::Other other,
                                     std::function<void()> finished) {
    // Copied before a slot is taken: a copy that fails leaves no slot taken for good.
    std::unique_ptr<wchar_t[]> copied(pel::wcsdup(path));
    const int tid = m_loader->pool.allocate();
    DocumentIORequest& request = m_loader->pool.slot(tid);
    request.kind = kind;
    request.path = copied.release();
    request.error.reset();
    request.document = document;
    request.result = DocumentIOResult();
    request.expecting = expected != nullptr;
    request.expected = expected ? *expected : FileVersion();
    request.other = other;
    request.ready = ready;
    request.finished = std::move(finished);
    if (m_loader->queue(tid))
        return &request;
    pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"DocumentIO::doRequest: '%s' queue error\n",
                    path ? path : L"");
    release(tid);
    return nullptr;
}

std::unique_ptr<pel::FileErrorObject> DocumentIO::wait(DocumentIORequest* request, DocumentIOWait* waiter,
                                                       DocumentIOResult* o_result) {
    const int tid = m_loader->pool.indexOf(request);
    if (!PEL_SOFT_ASSERT(tid >= 0)) // not a request of this loader: nothing ran
        return std::unique_ptr<pel::FileErrorObject>(
            new pel::FileErrorObject(pel::FileErrorObject::setError(pel::FileErrorCode::INVALID_CALL)));
    bool done = false;
    if (waiter && request->ready) {
        try {
            waiter->waitFor(request->kind, request->path, request->ready, [&] {
                return done || (done = request->done.wait(0) == pel::Semaphore_Impl::Signalled);
            });
        } catch (...) {
            // The loader goes on writing into the request, the caller's ready event and the
            // document, and what it did is what the caller needs to hear: a waiter that could not
            // keep the window alive meanwhile is only logged.
            logCaughtException(L"DocumentIO: Waiting for the loader");
        }
    }
    if (!done)
        request->done.wait(-1);
    std::unique_ptr<pel::FileErrorObject> error = std::move(request->error);
    if (o_result)
        *o_result = std::move(request->result);
    // The saved state is marked on the waiting thread rather than by the loader: while a save
    // runs, the window reads (and may change) the undo log's state under its lock, which counts
    // without the mutex then, so the loader could not write it safely.
    if (!error && request->kind == DOCUMENT_IO_SAVE && request->document)
        request->document->getUndoContext().markSaved();
    release(tid);
    return error;
}

void DocumentIO::release(int tid) {
    DocumentIORequest& request = m_loader->pool.slot(tid);
    request.error.reset();
    delete[] request.path;
    request.path = nullptr;
    request.document = nullptr;
    request.ready = nullptr;
    request.finished = nullptr;
    request.result = DocumentIOResult();
    m_loader->pool.release(tid);
}

void DocumentIO::setBlockSize(uint32_t size) { m_loader->blockSize = size; }

bool DocumentIO::loaderRuns() const { return m_loader->isRunning(); }

int DocumentIO::requestsTaken() const { return m_loader->pool.takenCount(); }

void DocumentIO::setIdleEndHook(std::function<void()> hook) { m_loader->idleEndHook = std::move(hook); }

} // namespace tessel

// The DocumentManager's file operations: load, save, reload and rename, each run on the loader
// thread while the main thread waits.

#include "service/document/DocumentManager.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileErrorCodes.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"
#include "pel/thread/Event.h"
#include "service/document/Document.h"
#include "service/document/DocumentListener.h"
#include "service/document/io/DocumentIO.h"
#include "service/document/io/DocumentIOErrors.h"

#include <algorithm>

namespace tessel {

namespace {

// The full path of a device path; false, with the path as given, when it cannot be resolved.
bool fullPathOf(const wchar_t* path, pel::WorkString<>* o_full) {
    if (path && pel::FileIO::getFullPath(path, o_full))
        return true;
    o_full->assign(path ? path : L"");
    return false;
}

// What the loader does with a document for the holder's scope. For a save the holder takes the
// document's lock mutex first (a running parse slice ends) and keeps it for the loader until the
// save is over: no parse worker writes line records meanwhile, while the main thread reads them
// under its lock, which counts without the mutex then.
class LoaderAccessHold {
public:
    LoaderAccessHold(Document& document, Document::LoaderAccess access)
        : m_document(document), m_previous(document.getLoaderAccess()), m_holdsMutex(access == Document::LOADER_READS) {
        if (m_holdsMutex)
            m_document.holdMutexForLoader();
        m_document.setLoaderAccess(access);
    }
    ~LoaderAccessHold() {
        m_document.setLoaderAccess(m_previous);
        if (m_holdsMutex)
            m_document.releaseMutexForLoader();
    }
    LoaderAccessHold(const LoaderAccessHold&) = delete;
    LoaderAccessHold& operator=(const LoaderAccessHold&) = delete;

private:
    Document& m_document;
    const Document::LoaderAccess m_previous;
    const bool m_holdsMutex;
};

// Whether the loader has finished the request: its caller has only to take it up.
bool hasRun(HANDLE ready) { return ready && ::WaitForSingleObject(ready, 0) == WAIT_OBJECT_0; }

// What the loader found in the file, from the document it filled aside.
void takeDetection(const DocumentFormat& loaded, DocumentFormat& io_format) {
    io_format.replacedBytes = loaded.replacedBytes;
    io_format.encodingConfidence = loaded.encodingConfidence;
    io_format.detectedEncoding = loaded.detectedEncoding;
    io_format.softTabsConfidence = loaded.softTabsConfidence;
    io_format.detectedSoftTabs = loaded.detectedSoftTabs;
    io_format.tabWidthConfidence = loaded.tabWidthConfidence;
    io_format.detectedTabWidth = loaded.detectedTabWidth;
    io_format.lineEndingConfidence = loaded.lineEndingConfidence;
    io_format.detectedLineEnding = loaded.detectedLineEnding;
}

} // namespace

void DocumentManager::lookAtFile(Document& document) {
    if (!isInRequest(document))
        noteFileNow(document);
}

void DocumentManager::noteFileNow(Document& document) {
    if (document.getFormat().path.empty())
        return;
    m_contentCheck->look(document, FileStamp::of(document.getFormat().path.c_str()));
}

void DocumentManager::tookFile(Document& document, const FileVersion& took, const FileStamp& now) {
    // Another stamp of the same length may hold the bytes just read or written: the listeners
    // hear the file as taken, and its bytes tell the rest once they are read.
    const bool bytes = pel::mayHoldTheSameBytes(took, now);
    document.tookFile(took, bytes ? took.stamp : now);
    if (bytes)
        m_contentCheck->look(document, now);
}

bool DocumentManager::refuseWhileLocked(const Document& document, uint32_t kind, const wchar_t* path,
                                        FileError* o_error) const {
    // A request for the document whose caller is not back from it yet, running or finished
    // (asked again from a message the window handles while it waits): what that caller does
    // next takes the document as its request left it. A reload now would put other text under
    // it: a finished save would then mark that text saved under the new name, a finished
    // reload take its older text over it. Only a save goes through, and only inside the wait of
    // a request that failed, whose caller leaves the text alone: the question that ends the
    // session saves a document whose own save failed that way.
    const Waiting* waiting = findWaiting(document);
    const bool busy = waiting && !(kind == DOCUMENT_IO_SAVE && hasRun(waiting->ready) && waiting->request->error);
    if (!busy && PEL_SOFT_ASSERT(document.getLockCount() == 0))
        return false;
    set_document_io_error(DocumentIOError::DOCUMENT_BUSY, path);
    o_error->reset(new pel::FileErrorObject(pel::FileErrorObject::ensureRecord()));
    return true;
}

DocumentManager::FileError DocumentManager::runRequest(Document* document, const wchar_t* path, uint32_t kind,
                                                       const Document* shown, DocumentIOResult* o_result,
                                                       const FileVersion* expected, pel::SafeSave::Other other) {
    // The window reads a document being saved beside the loader (holding its mutex for it), and
    // leaves one being filled.
    const LoaderAccessHold access(*document,
                                  kind == DOCUMENT_IO_SAVE ? Document::LOADER_READS : Document::LOADER_WRITES);
    // The waiter wakes on this as on its messages; it stays set once the request is done.
    std::unique_ptr<pel::Event> ready(m_ioWait ? new pel::Event(false) : nullptr);
    // Listed before it is queued: once the loader has the request, nothing may fail before the
    // wait, which alone lets go of the request, its event and the document.
    m_waiting.push_back({shown ? shown : document, nullptr, ready ? ready->handle() : nullptr});
    const size_t listed = m_waiting.size() - 1;
    struct Taken {
        std::vector<Waiting>& waiting;
        ~Taken() { waiting.pop_back(); }
    } taken{m_waiting};
    DocumentIORequest* request =
        m_io->doRequest(document, path, kind, ready ? ready->handle() : nullptr, expected, other);
    if (!request) {
        pel::FileErrorObject::setError(pel::FileErrorCode::INTERNAL_ERROR).addParam(path);
        return FileError(new pel::FileErrorObject(pel::FileErrorObject::ensureRecord()));
    }
    m_waiting[listed].request = request;
    return m_io->wait(request, m_ioWait, o_result);
}

const DocumentManager::Waiting* DocumentManager::findWaiting(const Document& document) const {
    for (auto it = m_waiting.rbegin(); it != m_waiting.rend(); ++it)
        if (it->document == &document)
            return &*it;
    return nullptr;
}

bool DocumentManager::leavesInSync(const Document& document) const {
    const Waiting* waiting = findWaiting(document);
    // The loader keeps the request's error before it sets the event.
    return waiting && hasRun(waiting->ready) && !waiting->request->error;
}

bool DocumentManager::isInRequest(const Document& document) const { return findWaiting(document) != nullptr; }

// The detected fields where the file told something, else the defaults; a detected tab width
// counts only with detected soft tabs.
void DocumentManager::applyLoadedFormat(DocumentFormat& format, const wchar_t* fullPath) const {
    format.modified = false;
    format.isNew = false;
    format.path.assign(fullPath);
    format.encoding = format.encodingConfidence == 0.0f ? m_defaultEncoding : format.detectedEncoding;
    if (format.softTabsConfidence == 0.0f) {
        format.indentation = m_defaultIndentation;
    } else {
        const bool useWidth =
            format.detectedSoftTabs && format.detectedTabWidth != 0 && format.tabWidthConfidence != 0.0f;
        format.indentation = m_defaultIndentation;
        format.indentation.set(useWidth ? format.detectedTabWidth : m_defaultIndentation.size,
                               format.detectedSoftTabs ? 1 : 0);
    }
    format.lineEnding = format.lineEndingConfidence == 0.0f ? m_defaultLineEnding : format.detectedLineEnding;
}

Document* DocumentManager::loadDocument(const wchar_t* path, FileError* o_error) {
    PEL_CHECK_PTR(o_error);
    o_error->reset();
    pel::WorkString<> full;
    if (!fullPathOf(path, &full))
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentManager::loadDocument: Cannot determine full path to file `%s`\n", full.c_str());
    pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"DocumentManager::loadDocument: Loading `%s`\n",
                    full.c_str());
    Document* document = newDocument();
    // The file as read: its stamp taken before the read (a write while it reads is told by the
    // watch as news), and the digest of the bytes read.
    DocumentIOResult read;
    *o_error = runRequest(document, full.c_str(), DOCUMENT_IO_LOAD, nullptr, &read);
    if (*o_error) {
        releaseDocument(document);
        return nullptr;
    }
    document->getFileRecord().took(read.version);
    {
        DocumentLockHold lock(*document);
        document->changeFormat([&](DocumentFormat& format) { applyLoadedFormat(format, full.c_str()); });
        for (DocumentListener* listener : m_listeners)
            listener->onLoaded(*document);
    }
    m_watch->watch(*document);
    // A write while it read came before the watch: the file is looked at once the watch runs.
    lookAtFile(*document);
    m_loaded.notify(*document);
    return document;
}

bool DocumentManager::saveDocument(const wchar_t* path, Document* document, FileError* o_error, bool overOthers,
                                   std::wstring* o_kept) {
    PEL_CHECK_PTR(o_error);
    PEL_CHECK_PTR(document);
    o_error->reset();
    if (o_kept)
        o_kept->clear();
    if (refuseWhileLocked(*document, DOCUMENT_IO_SAVE, path, o_error))
        return false;
    const DocumentFormat format = document->getFormat();
    pel::WorkString<> full;
    fullPathOf(path, &full);
    const bool samePath = !format.isNew && path && pel::FileIO::isSamePath(path, format.path.c_str());
    // The document's own write is no news to it: its file's watch is paused for the request, and
    // what came meanwhile is checked against the file as the write left it. The write replaces
    // the file only as the record last found it (as read or written, or the change or deletion
    // the user answered): anything since fails the save, and is news; saved over others, it is
    // replaced all the same. Either way what the save replaced in its last moment, when it is
    // not that file, is kept beside it. A new path is watched once it holds the file.
    FileVersion expected;
    if (samePath) {
        expected = document->getFileRecord().seen();
        m_watch->pause(*document);
    }
    DocumentIOResult written;
    *o_error = runRequest(document, path, DOCUMENT_IO_SAVE, nullptr, &written, samePath ? &expected : nullptr,
                          overOthers ? pel::SafeSave::Other::KEEP_BESIDE : pel::SafeSave::Other::REFUSE);
    if (o_kept)
        *o_kept = written.kept;
    if (*o_error) {
        // Why, in the log too: the user's own record of what was refused.
        std::wstring why;
        pel::FileErrorObject::getMessage(&(*o_error)->record(), &why);
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentManager::saveDocument: `%s` was not saved: %s\n", full.c_str(), why.c_str());
        if (samePath) {
            m_watch->watch(*document);
            // A file the save found changed is news as it was found, its bytes read already.
            if ((*o_error)->getCode() == pel::FileErrorCode::TARGET_CHANGED)
                document->noteRead(written.version);
            noteFileNow(*document);
        }
        return false;
    }
    if (!samePath)
        m_watch->forget(*document);
    {
        DocumentLockHold lock(*document);
        document->changeFormat([&](DocumentFormat& changed) {
            changed.path.assign(full.c_str());
            changed.modified = false;
            changed.isNew = false;
        });
    }
    m_watch->watch(*document);
    m_saved.notify(*document, !samePath);
    // Told last, when the save is done: how the file stands now, as the write left it or changed
    // since (also inside the wait, while a question was open there). An answer to a change may
    // reload the document.
    tookFile(*document, written.version, FileStamp::of(full.c_str()));
    return true;
}

bool DocumentManager::reloadDocument(Document* document, FileError* o_error) {
    PEL_CHECK_PTR(o_error);
    PEL_CHECK_PTR(document);
    o_error->reset();
    const DocumentFormat format = document->getFormat();
    if (refuseWhileLocked(*document, DOCUMENT_IO_LOAD, format.path.c_str(), o_error))
        return false;
    // The watch is not paused: what it tells while the loader reads is news against the file as
    // last read. The record takes the file as it was read (its stamp before the read, the digest
    // of the bytes read) only when it is so after it, by its stamp or its bytes: else the text
    // read may be the older one, and the file stays changed.
    // The file is read into a document aside: meanwhile the window reads and paints this one as
    // it was (the loader holds only the other's lock), and an edit of it is refused.
    Document loaded;
    DocumentIOResult read;
    {
        const LoaderAccessHold reloading(*document, Document::LOADER_RELOADS);
        *o_error = runRequest(&loaded, format.path.c_str(), DOCUMENT_IO_LOAD, document, &read);
    }
    const std::wstring grammar = document->getGrammarName();
    {
        DocumentLockHold lock(*document);
        setGrammar(*document, std::wstring());
    }
    document->notifyBeforeReload();
    if (!*o_error) {
        // What the file holds now, as a load gives it: a UTF-16 or ANSI file keeps its encoding.
        const DocumentFormat detected = loaded.getFormat();
        DocumentLockHold lock(*document);
        document->takeLoadedText(loaded);
        document->changeFormat([&](DocumentFormat& changed) {
            takeDetection(detected, changed);
            applyLoadedFormat(changed, format.path.c_str());
        });
    }
    document->notifyAfterReload();
    {
        DocumentLockHold lock(*document);
        setGrammar(*document, grammar);
    }
    const FileStamp after = FileStamp::of(format.path.c_str());
    if (*o_error) {
        // A failed read learnt only that: a file gone, or one there that could not be read (the
        // change it was to take stays news, asked about before the next save or close).
        document->noteFile(after.there ? FILE_CHANGE_UNREADABLE : FILE_CHANGE_DELETED, after, false);
        return false;
    }
    m_watch->watch(*document);
    if (read.version.stamp.there)
        tookFile(*document, read.version, after);
    else
        document->noteFile(document->getFileRecord().judge(after), after, true);
    return true;
}

void DocumentManager::renameDocument(Document* document, const wchar_t* path) {
    if (!document)
        pel::nullPointerViolation(L"doc", L".\\service\\document\\DocumentManager", __LINE__);
    const DocumentFormat format = document->getFormat();
    if (path && pel::FileIO::isSamePath(path, format.path.c_str())) {
        document->changeFormat([](DocumentFormat&) {}); // tells what changed since the last notice
        return;
    }
    m_watch->forget(*document);
    pel::WorkString<> full;
    fullPathOf(path, &full);
    document->changeFormat([&](DocumentFormat& changed) { changed.path.assign(full.c_str()); });
    // Pointed at the file as it is: what changes it from now on is news.
    const FileStamp now = FileStamp::of(full.c_str());
    document->tookFile(FileVersion{now, FileDigest()}, now);
    m_watch->watch(*document);
}

} // namespace tessel

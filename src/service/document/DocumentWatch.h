#pragma once
// Watches the files of a DocumentManager's documents for changes made outside the editor, on
// the "DocumentWatcher" thread: each document with a file has one entry, paused while the
// document's own save runs (what came meanwhile comes as one record once it resumes). The watcher
// calls back on the main thread and never for a closed entry. Each record is checked against the
// file on disk as it is then, through the document's FileRecord (its write time, size and
// identity against the file as last read or written), and what that bears out reaches the record
// and the document's listeners (Document::noteFile) in the controller's kinds: a file written,
// made anew or renamed onto the document's name is modified, one removed, renamed away or whose
// folder went (the watch failed) is deleted. So the echo of the editor's own save is no news,
// whenever it arrives, and a write right after it is, and a file that is back by the time the
// record arrives counts as modified rather than deleted.

#include "service/document/DocumentChange.h"
#include "service/document/io/FileStamp.h"

#include "pel/files/FileWatcher.h"

#include <cstdint>
#include <string>

namespace tessel {

class Document;

class DocumentWatch {
public:
    static constexpr uint32_t ENTRY_OPTIONS = 0;

    using FileStamp = tessel::FileStamp;
    static FileStamp stampOf(const std::wstring& path) { return FileStamp::of(path); }

    // Starts the watcher's thread.
    DocumentWatch();
    DocumentWatch(const DocumentWatch&) = delete;
    DocumentWatch& operator=(const DocumentWatch&) = delete;

    // Resumes the document's entry, or opens one for its format path; nothing for a document
    // without a path or whose folder cannot be watched.
    void watch(Document& document);
    // Nothing is reported for what happens to the file until watch resumes the entry; then it is.
    void pause(Document& document);
    // Closes the document's entry.
    void forget(Document& document);

    // The controller's kind for a watcher record about the entry's file (its cookie is its
    // document), as the file on disk bears it out against the document's file record;
    // FILE_CHANGE_IN_SYNC when the record is no news (also a record of a change to a file not
    // there, whose removal is told, and a watch re-opened over a file that is there, whose own
    // record follows).
    static DocumentFileChangeKind kindOf(const pel::WatchedObject& entry, const pel::WatchNotification& record);

    pel::FileWatcher& watcher() { return m_watcher; }

private:
    // The watcher's client callback.
    void onWatchedFileChanged(pel::WatchedObject* entry, pel::WatchNotification* record);

    pel::FileWatcher m_watcher;
};

} // namespace tessel

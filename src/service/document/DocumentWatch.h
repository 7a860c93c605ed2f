#pragma once
// Watches the files of a DocumentManager's documents for changes made outside the editor, on
// the "DocumentWatcher" thread: each document with a file has one entry (compared by write
// time), paused while the document's own save runs and then knowing the file as that save left
// it (watchFrom), so that what another program did meanwhile is found. The watcher calls back
// on the main thread and never for a closed entry; what it reports reaches the document's
// listeners (onFileChanged) in the controller's kinds: a file written, made anew or renamed
// onto the document's name is modified, one removed or renamed away is deleted. Each record is
// checked against the file on disk first, so that the echo of the editor's own save (a record
// that arrives after the pause ended, about the file as it was saved) is no news, and a file
// that is back by the time the record arrives counts as modified rather than deleted.

#include "service/document/DocumentChange.h"
#include "service/document/io/FileStamp.h"

#include "pel/files/FileWatcher.h"

#include <cstdint>
#include <string>

namespace tessel {

class Document;

class DocumentWatch {
public:
    static constexpr uint32_t ENTRY_OPTIONS = pel::WATCH_OPTION_COMPARE_TIME;

    using FileStamp = tessel::FileStamp;
    static FileStamp stampOf(const std::wstring& path) { return FileStamp::of(path); }

    // Starts the watcher's thread.
    DocumentWatch();
    DocumentWatch(const DocumentWatch&) = delete;
    DocumentWatch& operator=(const DocumentWatch&) = delete;

    // Resumes the document's entry, or opens one for its format path; nothing for a document
    // without a path or whose folder cannot be watched.
    void watch(Document& document);
    // As watch, but the entry knows the file as `left` (the stamp a save left it with) in place of
    // the file as it is now; how the file stands against that: in sync, or modified or deleted
    // since (what the paused entry dropped). An unknown stamp is the file as it is now.
    DocumentFileChangeKind watchFrom(Document& document, const FileStamp& left);
    // Nothing is reported for what happens to the file until watch resumes the entry.
    void pause(Document& document);
    // The document's file is gone: its entry forgets the file's write time, so that whatever
    // comes back under its name is news, also a copy or a move back that keeps the old time.
    void fileGone(Document& document);
    // Closes the document's entry.
    void forget(Document& document);

    // The controller's kind for a watcher record about the entry's file; FILE_CHANGE_IN_SYNC
    // when the record is no news.
    static DocumentFileChangeKind kindOf(const pel::WatchedObject& entry, const pel::WatchNotification& record);

    pel::FileWatcher& watcher() { return m_watcher; }

private:
    // The watcher's client callback; the entry's cookie is its document.
    void onWatchedFileChanged(pel::WatchedObject* entry, pel::WatchNotification* record);

    pel::FileWatcher m_watcher;
};

} // namespace tessel

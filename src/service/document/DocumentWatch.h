#pragma once
// Watches the files of a DocumentManager's documents for changes made outside the editor, on
// the "DocumentWatcher" thread: each document with a file has an entry for its name, and, when
// the name is a link, one for the file it leads to (in that file's folder, so that a change there
// is told at once; it follows the link when the link is pointed elsewhere). Both are paused while
// the document's own save runs (what came meanwhile comes as one record once they resume). The
// watcher calls back on the main thread and never for a closed entry. Each record is checked
// against the file on disk as it is then, through the document's FileRecord (its stamp against
// the file as last read or written, and where only they can tell, its bytes: FileContentCheck),
// and what that bears out reaches the record and the document's listeners (Document::noteFile) in
// the controller's kinds: a file written, made anew or renamed onto the document's name is
// modified, one removed, renamed away or whose folder went (the watch failed) is deleted. So the
// echo of the editor's own save is no news, whenever it arrives, and a write right after it is,
// and a file that is back by the time the record arrives counts as modified rather than deleted.

#include "service/document/DocumentChange.h"
#include "service/document/io/FileStamp.h"

#include "pel/files/FileWatcher.h"

#include <cstdint>
#include <string>

namespace tessel {

class Document;
class FileContentCheck;

class DocumentWatch {
public:
    static constexpr uint32_t ENTRY_OPTIONS = 0;

    using FileStamp = tessel::FileStamp;
    static FileStamp stampOf(const std::wstring& path) { return FileStamp::of(path); }

    // Starts the watcher's thread; looks go through `check`, which outlives this object.
    explicit DocumentWatch(FileContentCheck& check);
    DocumentWatch(const DocumentWatch&) = delete;
    DocumentWatch& operator=(const DocumentWatch&) = delete;

    // Resumes the document's entries, or opens them for its format path (and the file it leads
    // to); nothing for a document without a path or whose folder cannot be watched.
    void watch(Document& document);
    // Nothing is reported for what happens to the file until watch resumes the entries; then it is.
    void pause(Document& document);
    // Closes the document's entries.
    void forget(Document& document);

    // The controller's kind for a watcher record about the entry's file (its cookie is its
    // document), as the file on disk bears it out against the document's file record by its
    // stamp; FILE_CHANGE_IN_SYNC when the record is no news (also a record of a change to a file
    // not there, whose removal is told, and a watch re-opened over a file that is there, whose
    // own record follows).
    static DocumentFileChangeKind kindOf(const pel::WatchedObject& entry, const pel::WatchNotification& record);

    pel::FileWatcher& watcher() { return m_watcher; }

private:
    // The watcher's client callback.
    void onWatchedFileChanged(pel::WatchedObject* entry, pel::WatchNotification* record);
    // The entry of the file the document's name leads to follows the link: opened, moved or
    // closed as the name now leads.
    void followLink(Document& document);

    pel::FileWatcher m_watcher;
    FileContentCheck& m_check;
};

} // namespace tessel

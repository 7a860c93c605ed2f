#include "service/document/DocumentWatch.h"

#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/WatchNotification.h"
#include "pel/log/Log.h"
#include "service/document/Document.h"

namespace tessel {

DocumentWatch::DocumentWatch() : m_watcher(L"DocumentWatcher") {
    m_watcher.addClientCallback(this, &DocumentWatch::onWatchedFileChanged);
}

void DocumentWatch::watch(Document& document) {
    if (pel::WatchedObject* entry = document.getWatchEntry()) {
        m_watcher.suspendObject(entry, false);
        return;
    }
    const DocumentFormat format = document.getFormat();
    if (format.path.empty())
        return;
    document.setWatchEntry(
        m_watcher.openObject(format.path.c_str(), ENTRY_OPTIONS, reinterpret_cast<uintptr_t>(&document)));
}

DocumentFileChangeKind DocumentWatch::watchFrom(Document& document, const FileStamp& left) {
    if (!document.getWatchEntry() || !left.known())
        watch(document);
    if (!left.known())
        return FILE_CHANGE_IN_SYNC;
    // Records of what happened while the entry was paused are gone: the file itself tells it.
    // It is looked at once the entry takes records again, so that no write falls between.
    m_watcher.resumeObject(document.getWatchEntry(), left.writeTime);
    const FileStamp now = stampOf(document.getFormat().path.c_str());
    if (now == left)
        return FILE_CHANGE_IN_SYNC;
    return now.known() ? FILE_CHANGE_MODIFIED : FILE_CHANGE_DELETED;
}

void DocumentWatch::pause(Document& document) { m_watcher.suspendObject(document.getWatchEntry(), true); }

void DocumentWatch::fileGone(Document& document) {
    pel::WatchedObject* entry = document.getWatchEntry();
    // A paused entry learns the file from its save as it resumes.
    if (entry && !entry->getFlags().f_suspended)
        m_watcher.resumeObject(entry, 0);
}

void DocumentWatch::forget(Document& document) {
    if (pel::WatchedObject* entry = document.getWatchEntry()) {
        document.setWatchEntry(nullptr);
        m_watcher.closeObject(entry);
    }
}

DocumentFileChangeKind DocumentWatch::kindOf(const pel::WatchedObject& entry, const pel::WatchNotification& record) {
    DocumentFileChangeKind kind = FILE_CHANGE_MODIFIED;
    switch (record.kind) {
    case pel::WATCH_FAILED:
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentManager: Watching '%s' failed; it is watched again once its folder is back\n",
                        entry.path().c_str());
        return FILE_CHANGE_IN_SYNC;
    case pel::WATCH_REMOVED:
        kind = FILE_CHANGE_DELETED;
        break;
    case pel::WATCH_RENAMED: {
        const uint32_t own = pel::WatchNotification::hashName(pel::FileIO::getFileName(entry.path().c_str()));
        if (record.secondNameHash != own)
            kind = FILE_CHANGE_DELETED; // renamed away; else another file took the name
        break;
    }
    case pel::WATCH_REOPENED:
        // A file that is there again comes with a record of its own, which the write time filters.
        kind = FILE_CHANGE_DELETED;
        break;
    default: // added, modified
        break;
    }
    const FileStamp stamp = stampOf(entry.path());
    if (!stamp.known())
        return kind == FILE_CHANGE_DELETED ? FILE_CHANGE_DELETED : FILE_CHANGE_IN_SYNC;
    if (record.kind == pel::WATCH_REOPENED)
        return FILE_CHANGE_IN_SYNC;
    // A record with file details passed the watcher's own comparison of write times.
    if (record.info)
        return FILE_CHANGE_MODIFIED;
    return stamp.writeTime != entry.knownWriteTime() ? FILE_CHANGE_MODIFIED : FILE_CHANGE_IN_SYNC;
}

void DocumentWatch::onWatchedFileChanged(pel::WatchedObject* entry, pel::WatchNotification* record) {
    Document* document = reinterpret_cast<Document*>(entry->cookie());
    if (!document || document->getWatchEntry() != entry)
        return;
    DocumentFileChange change;
    change.kind = kindOf(*entry, *record);
    change.record = record;
    if (change.kind == FILE_CHANGE_DELETED)
        fileGone(*document);
    if (change.kind != FILE_CHANGE_IN_SYNC)
        document->notifyFileChanged(change);
}

} // namespace tessel

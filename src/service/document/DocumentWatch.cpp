#include "service/document/DocumentWatch.h"

#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/WatchNotification.h"
#include "pel/log/Log.h"
#include "service/document/Document.h"

namespace tessel {

namespace {

// Whether the record says the file went from its name (a failed watch: its folder went).
bool saysGone(const pel::WatchedObject& entry, const pel::WatchNotification& record) {
    switch (record.kind) {
    case pel::WATCH_FAILED:
    case pel::WATCH_REMOVED:
    case pel::WATCH_REOPENED:
        return true;
    case pel::WATCH_RENAMED:
        // Renamed away; else another file took the name.
        return record.secondNameHash !=
               pel::WatchNotification::hashName(pel::FileIO::getFileName(entry.path().c_str()));
    default: // added, modified
        return false;
    }
}

} // namespace

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

void DocumentWatch::pause(Document& document) { m_watcher.suspendObject(document.getWatchEntry(), true); }

void DocumentWatch::forget(Document& document) {
    if (pel::WatchedObject* entry = document.getWatchEntry()) {
        document.setWatchEntry(nullptr);
        m_watcher.closeObject(entry);
    }
}

DocumentFileChangeKind DocumentWatch::kindOf(const pel::WatchedObject& entry, const pel::WatchNotification& record) {
    if (record.kind == pel::WATCH_FAILED)
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentManager: Watching '%s' failed; it is watched again once its folder is back\n",
                        entry.path().c_str());
    const FileStamp now = stampOf(entry.path());
    if (!now.there)
        return saysGone(entry, record) ? FILE_CHANGE_DELETED : FILE_CHANGE_IN_SYNC;
    if (record.kind == pel::WATCH_REOPENED || record.kind == pel::WATCH_FAILED)
        return FILE_CHANGE_IN_SYNC;
    const Document* document = reinterpret_cast<const Document*>(entry.cookie());
    return document ? document->getFileRecord().judge(now) : FILE_CHANGE_IN_SYNC;
}

void DocumentWatch::onWatchedFileChanged(pel::WatchedObject* entry, pel::WatchNotification* record) {
    Document* document = reinterpret_cast<Document*>(entry->cookie());
    if (!document || document->getWatchEntry() != entry)
        return;
    const DocumentFileChangeKind kind = kindOf(*entry, *record);
    const FileStamp now = stampOf(entry->path());
    // "In sync" is taken only where the file bears it out: else the record was no news.
    if (kind == FILE_CHANGE_IN_SYNC && document->getFileRecord().judge(now) != FILE_CHANGE_IN_SYNC)
        return;
    document->noteFile(kind, now, false, record);
}

} // namespace tessel

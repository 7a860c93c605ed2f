#include "service/document/DocumentWatch.h"

#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/WatchNotification.h"
#include "pel/log/Log.h"
#include "service/document/Document.h"
#include "service/document/FileContentCheck.h"

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

DocumentWatch::DocumentWatch(FileContentCheck& check) : m_watcher(L"DocumentWatcher"), m_check(check) {
    m_watcher.addClientCallback(this, &DocumentWatch::onWatchedFileChanged);
}

void DocumentWatch::watch(Document& document) {
    if (pel::WatchedObject* entry = document.getWatchEntry()) {
        m_watcher.suspendObject(entry, false);
        if (pel::WatchedObject* target = document.getTargetWatchEntry())
            m_watcher.suspendObject(target, false);
        followLink(document);
        return;
    }
    const DocumentFormat format = document.getFormat();
    if (format.path.empty())
        return;
    document.setWatchEntry(
        m_watcher.openObject(format.path.c_str(), ENTRY_OPTIONS, reinterpret_cast<uintptr_t>(&document)));
    followLink(document);
}

void DocumentWatch::followLink(Document& document) {
    const std::wstring path = document.getFormat().path.c_str();
    const std::wstring target = path.empty() ? path : pel::linkTarget(path);
    pel::WatchedObject* entry = document.getTargetWatchEntry();
    const bool link = !target.empty() && target != path;
    if (entry && link && pel::FileIO::isSamePath(entry->path().c_str(), target.c_str()))
        return;
    if (entry) {
        document.setTargetWatchEntry(nullptr);
        m_watcher.closeObject(entry);
    }
    if (link)
        document.setTargetWatchEntry(
            m_watcher.openObject(target.c_str(), ENTRY_OPTIONS, reinterpret_cast<uintptr_t>(&document)));
}

void DocumentWatch::pause(Document& document) {
    m_watcher.suspendObject(document.getWatchEntry(), true);
    if (pel::WatchedObject* target = document.getTargetWatchEntry())
        m_watcher.suspendObject(target, true);
}

void DocumentWatch::forget(Document& document) {
    if (pel::WatchedObject* entry = document.getWatchEntry()) {
        document.setWatchEntry(nullptr);
        m_watcher.closeObject(entry);
    }
    if (pel::WatchedObject* target = document.getTargetWatchEntry()) {
        document.setTargetWatchEntry(nullptr);
        m_watcher.closeObject(target);
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
    if (!document || (document->getWatchEntry() != entry && document->getTargetWatchEntry() != entry))
        return;
    // A link pointed elsewhere: its new file is watched from now on.
    if (entry == document->getWatchEntry())
        followLink(*document);
    const DocumentFileChangeKind kind = kindOf(*entry, *record);
    const FileStamp now = stampOf(entry->path());
    // "In sync" is taken only where the file bears it out: else the record was no news.
    if (kind == FILE_CHANGE_IN_SYNC && document->getFileRecord().judge(now) != FILE_CHANGE_IN_SYNC)
        return;
    // A change may be no news: its bytes may be the ones known.
    if (kind == FILE_CHANGE_MODIFIED)
        m_check.look(*document, now, record);
    else
        document->noteFile(kind, now, false, record);
}

} // namespace tessel

#include "service/document/FileRecord.h"

namespace tessel {

void FileRecord::took(const FileStamp& stamp) {
    m_known = stamp;
    m_seen = stamp;
    if (m_state != SAME)
        ++m_news;
    m_state = SAME;
    m_kept = false;
}

DocumentFileChangeKind FileRecord::judge(const FileStamp& now) const {
    // Not there, as last known (an entry's file not written yet): in sync.
    if (now == m_known && m_state != GONE)
        return FILE_CHANGE_IN_SYNC;
    return now.there ? FILE_CHANGE_MODIFIED : FILE_CHANGE_DELETED;
}

bool FileRecord::take(DocumentFileChangeKind kind, const FileStamp& now) {
    State state = SAME;
    switch (kind) {
    case FILE_CHANGE_IN_SYNC:
        state = SAME;
        break;
    case FILE_CHANGE_MODIFIED:
        // A failed read stays the news until the file changes again.
        state = m_state == UNREADABLE && now == m_seen ? UNREADABLE : CHANGED;
        break;
    case FILE_CHANGE_DELETED:
        state = GONE;
        break;
    case FILE_CHANGE_UNREADABLE:
        state = UNREADABLE;
        break;
    }
    const FileStamp seen = state == SAME ? m_known : now;
    // A failed read is news each time: whoever asked for it learns that it failed.
    const bool news = state != m_state || seen != m_seen || kind == FILE_CHANGE_UNREADABLE;
    m_state = state;
    m_seen = seen;
    if (state == SAME)
        m_kept = false;
    if (news)
        ++m_news;
    return news;
}

DocumentFileChangeKind FileRecord::kind() const {
    switch (m_state) {
    case CHANGED:
        return FILE_CHANGE_MODIFIED;
    case GONE:
        return FILE_CHANGE_DELETED;
    case UNREADABLE:
        return FILE_CHANGE_UNREADABLE;
    default:
        return FILE_CHANGE_IN_SYNC;
    }
}

} // namespace tessel

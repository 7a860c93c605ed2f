#include "service/document/FileRecord.h"

namespace tessel {

void FileRecord::took(const FileVersion& version) {
    m_known = version;
    m_seen = version;
    if (m_state != SAME)
        ++m_news;
    m_state = SAME;
    m_kept = false;
}

DocumentFileChangeKind FileRecord::judge(const FileStamp& now) const {
    // Not there, as last known (an entry's file not written yet): in sync.
    if (now == m_known.stamp && m_state != GONE)
        return FILE_CHANGE_IN_SYNC;
    return now.there ? FILE_CHANGE_MODIFIED : FILE_CHANGE_DELETED;
}

bool FileRecord::needsBytes(const FileStamp& now) const {
    if (!now.there || (m_state != GONE && now == m_seen.stamp))
        return false;
    // A file back after it was gone is read whatever its stamp: its bytes tell whether the text
    // is its.
    if (m_state == GONE)
        return m_known.digest.known && now.size == m_known.stamp.size;
    return pel::mayHoldTheSameBytes(m_known, now) || (m_state == CHANGED && pel::mayHoldTheSameBytes(m_seen, now));
}

bool FileRecord::take(DocumentFileChangeKind kind, const FileVersion& now) {
    State state = SAME;
    switch (kind) {
    case FILE_CHANGE_IN_SYNC:
        state = SAME;
        break;
    case FILE_CHANGE_MODIFIED:
        // A failed read stays the news until the file changes again.
        state = m_state == UNREADABLE && now.stamp == m_seen.stamp ? UNREADABLE : CHANGED;
        break;
    case FILE_CHANGE_DELETED:
        state = GONE;
        break;
    case FILE_CHANGE_UNREADABLE:
        state = UNREADABLE;
        break;
    }
    const FileVersion seen = state == SAME ? m_known : now;
    // A failed read is news each time: whoever asked for it learns that it failed.
    const bool news = state != m_state || seen.stamp != m_seen.stamp || kind == FILE_CHANGE_UNREADABLE;
    m_state = state;
    m_seen = seen;
    if (state == SAME)
        m_kept = false;
    if (news)
        ++m_news;
    return news;
}

bool FileRecord::takeRead(const FileVersion& read) {
    if (!read.stamp.there)
        return take(FILE_CHANGE_DELETED, read);
    // The file as last read or written, by its bytes or (where they were not read) its stamp.
    const bool unread = !read.digest.known;
    if (read.digest == m_known.digest || (unread && m_state != GONE && read.stamp == m_known.stamp)) {
        const bool news = m_state != SAME;
        m_known.stamp = read.stamp;
        m_seen = m_known;
        if (news) {
            ++m_news;
            m_state = SAME;
            m_kept = false;
        }
        return news;
    }
    if (m_state != SAME && m_state != GONE && (read.digest == m_seen.digest || (unread && read.stamp == m_seen.stamp))) {
        m_seen.stamp = read.stamp;
        return false;
    }
    return take(FILE_CHANGE_MODIFIED, read);
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

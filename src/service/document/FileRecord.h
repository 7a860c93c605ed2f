#pragma once
// What is known of one open file on disk, in one place: the file as the program last read or
// wrote it (its stamp, and the digest of the bytes read or written), and how the file stands
// against that now (the same, changed, gone, or there but unreadable). A file is what it holds:
// another stamp with the same bytes is the same file as far as the text goes, and other bytes
// are a change whatever the stamp says. It changes only on news from the disk: a read or write
// that succeeded (took), and a look at the file (a watcher record checked against it, a look
// before or after a write, a read that failed, a read of its bytes where its stamp alone could
// not tell). An edit, an undo or a question never changes what it knows.
//
// Every piece of news raises news(); whoever asks the user about the file records the answer
// against the news it was asked for (answer), so that anything that happens to the file while a
// question is open is news again after it. A document holds one (Document::getFileRecord); the
// bundle editor keeps one for each entry file it shows.

#include "service/document/DocumentChange.h"
#include "service/document/io/FileStamp.h"

#include <cstdint>

namespace tessel {

class FileRecord {
public:
    enum State : uint32_t {
        SAME,       // as last read or written (or there is no file to speak of)
        CHANGED,    // another file, or other bytes, than last read or written
        GONE,       // no file under the name
        UNREADABLE, // changed, and a read of it failed
    };

    // A read or write succeeded, leaving the file as `version`.
    void took(const FileVersion& version);
    // What `now` (a look at the file) means against the record by its stamp: in sync, modified
    // or deleted. A file back after it was gone is modified whatever its stamp: the text kept
    // meanwhile is not known to be its (unless its bytes say so: needsBytes).
    DocumentFileChangeKind judge(const FileStamp& now) const;
    // Whether what judge says of `now` waits for the file's bytes: another stamp that may hold
    // the bytes last read or written, or those the last news found (judgeRead then tells).
    bool needsBytes(const FileStamp& now) const;
    // Takes a piece of news: the kind, with the file as it was found (FILE_CHANGE_UNREADABLE: a
    // read failed) and its bytes' digest where they were read. Whether the record changed (its
    // state, or the file a change is about).
    bool take(DocumentFileChangeKind kind, const FileVersion& now);
    bool take(DocumentFileChangeKind kind, const FileStamp& now) { return take(kind, FileVersion{now, FileDigest()}); }
    // Takes a read of the file, its bytes deciding (its stamp where they were not read): those
    // last read or written are in sync (the record knows the file by the read's stamp from now
    // on, and that is news only when the file differed before), those the last news found are no
    // news (its stamp moves), others are a change. Whether the record changed as take tells.
    bool takeRead(const FileVersion& read);
    // The user answered what the record said at news `at` (kept the text over it, or was told
    // of it): a later news asks again.
    void answer(uint32_t at) {
        m_answered = at;
        m_kept = m_kept || differs();
    }

    State state() const { return m_state; }
    // The file as last read or written; unknown before the first.
    const FileVersion& known() const { return m_known; }
    // The file as the last news found it (the known one while the same).
    const FileVersion& seen() const { return m_seen; }
    uint32_t news() const { return m_news; }
    // The file is not as last read or written.
    bool differs() const { return m_state != SAME; }
    // A question about it waits: it differs, and no answer was given for this news.
    bool asks() const { return differs() && m_answered != m_news; }
    // The text was kept over news of the file since the file was last as read or written.
    bool kept() const { return m_kept; }
    // The text last read or written (or kept) is held nowhere else the user let it go to: the
    // file is gone or could not be read, or another program changed it and the text was kept
    // over a change once. A change no one answered yet leaves an unedited text the file's last
    // read one: the change question comes first wherever it can be asked.
    bool textOnlyHere() const {
        return m_state == GONE || m_state == UNREADABLE || (m_state == CHANGED && m_kept);
    }
    // The kind a listener hears for the present state.
    DocumentFileChangeKind kind() const;

private:
    FileVersion m_known;
    FileVersion m_seen;
    State m_state = SAME;
    uint32_t m_news = 0;
    uint32_t m_answered = 0;
    bool m_kept = false;
};

} // namespace tessel

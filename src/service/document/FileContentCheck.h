#pragma once
// Looks at the files of a DocumentManager's documents as their file records need: news a file's
// stamp tells reaches its document at once (Document::noteFile); a stamp that may still hold the
// bytes last read or written, or those the last news found (FileRecord::needsBytes), has the file
// read on the loader's thread, never on the main thread, and the document takes what its bytes
// say once they are read (Document::noteRead), back on the main thread through the message
// registry. A read is taken only while the file is still as it was read (its stamp, the change
// time included); else the file is looked at again. One read runs per document at a time, and a
// few at most in all (the others wait their turn), so that the loader's request slots never all
// wait for the main thread. Main thread.

#include "service/document/io/FileStamp.h"

#include "pel/legacy/MessageListener.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pel {
struct WatchNotification;
}

namespace tessel {

class Document;
class DocumentIO;
struct DocumentIORequest;

class FileContentCheck : private pel::MessageListener {
public:
    // Reads that run on the loader at once; more wait their turn.
    static constexpr size_t MOST_READS = 4;

    // `find`: the document of an id, null once it has gone or while a load, save or reload of it
    // runs (whose end looks at the file). Both outlive this object.
    FileContentCheck(DocumentIO& io, std::function<Document*(uint32_t id)> find);
    // Takes up the reads under way (the loader finishes each first).
    ~FileContentCheck();
    FileContentCheck(const FileContentCheck&) = delete;
    FileContentCheck& operator=(const FileContentCheck&) = delete;

    // A look at the document's file found it as `now` (`record`: the watcher's record it came
    // from, while its callback runs): its news now, or once its bytes are read.
    void look(Document& document, const FileStamp& now, const pel::WatchNotification* record = nullptr);
    // Whether a read of the document's file runs or waits.
    bool isReading(const Document& document) const;
    // Reads that run or wait, of every document.
    size_t reads() const { return m_reads.size(); }

private:
    struct Read {
        uint32_t serial;
        uint32_t document;
        std::wstring path;
        DocumentIORequest* request; // null while it waits its turn
    };

    void msgOnMessage(pel::MessageData* data) override;
    // Queues the reads that wait while fewer than MOST_READS run.
    void startWaiting();

    DocumentIO& m_io;
    std::function<Document*(uint32_t)> m_find;
    std::vector<Read> m_reads; // in the order asked
    uint32_t m_lastSerial = 0;
};

} // namespace tessel

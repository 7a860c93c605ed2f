#include "service/document/FileContentCheck.h"

#include "service/document/Document.h"
#include "service/document/io/DocumentIO.h"

#include <algorithm>

namespace tessel {

FileContentCheck::FileContentCheck(DocumentIO& io, std::function<Document*(uint32_t)> find)
    : m_io(io), m_find(std::move(find)) {}

FileContentCheck::~FileContentCheck() {
    for (const Read& read : m_reads)
        if (read.request)
            m_io.wait(read.request);
}

void FileContentCheck::look(Document& document, const FileStamp& now, const pel::WatchNotification* record) {
    const FileRecord& fileRecord = document.getFileRecord();
    if (!fileRecord.needsBytes(now)) {
        const DocumentFileChangeKind kind = fileRecord.judge(now);
        if (kind != FILE_CHANGE_IN_SYNC)
            document.noteFile(kind, now, false, record);
        return;
    }
    // A read under way looks again once it is over, whatever it finds.
    if (isReading(document))
        return;
    m_reads.push_back({++m_lastSerial, document.getId(), document.getFormat().path.c_str(), nullptr});
    startWaiting();
}

bool FileContentCheck::isReading(const Document& document) const {
    return std::any_of(m_reads.begin(), m_reads.end(),
                       [&](const Read& read) { return read.document == document.getId(); });
}

void FileContentCheck::startWaiting() {
    size_t running = 0;
    for (Read& read : m_reads) {
        if (running == MOST_READS)
            return;
        if (!read.request) {
            const uint32_t serial = read.serial;
            read.request = m_io.readFile(read.path.c_str(), [this, serial] {
                pel::MessageData data;
                data.param1 = serial;
                msgPostData(&data);
            });
            // The queue is closed (the manager goes): nothing will read it.
            if (!read.request)
                return;
        }
        ++running;
    }
}

void FileContentCheck::msgOnMessage(pel::MessageData* data) {
    const auto found = std::find_if(m_reads.begin(), m_reads.end(),
                                    [&](const Read& read) { return data && read.serial == data->param1; });
    if (found == m_reads.end() || !found->request)
        return;
    DocumentIOResult result;
    m_io.wait(found->request, nullptr, &result);
    const Read read = *found;
    m_reads.erase(found);
    startWaiting();
    Document* document = m_find(read.document);
    if (!document)
        return;
    const std::wstring path = document->getFormat().path.c_str();
    if (path.empty())
        return;
    // Taken only while the file is as it was read (and still the document's): else what it
    // holds now is looked at anew.
    const FileStamp now = FileStamp::of(path);
    if (path == read.path && now == result.version.stamp)
        document->noteRead(result.version);
    else
        look(*document, now);
}

} // namespace tessel

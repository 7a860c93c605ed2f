#include "service/parser/DocumentParserJob.h"

#include "service/base/BgScheduler.h"
#include "service/document/Document.h"
#include "service/parser/DocumentParserClient.h"

#include <algorithm>
#include <cstdlib>

namespace tessel {

DocumentParserJob::DocumentParserJob(DocumentParserClient& client, Document& i_document)
    : ParserJob(&client), document(&i_document), name(L"ParserJob#" + std::to_wstring(i_document.getId())) {}

DocumentParserJob::~DocumentParserJob() = default;

void DocumentParserJob::stopPass() {
    cursor = parseAtLeastTo = -1;
    firstDirty = lastDirty = -1;
    nextPostTime = 0;
    postInterval = FIRST_POST_INTERVAL_MS;
    started = false;
    deferred = false;
}

void DocumentParserJob::clearResults(int32_t firstLine, int32_t lastLine) {
    if (BgScheduler* pool = scheduler) {
        pool->dequeueJob(this);
        pool->discardRecords(this);
        pel::ScopedLock<pel::Mutex_Impl> lock(pool->getLock());
        stopPass();
    } else {
        stopPass();
    }
    document->clearParsedLines(firstLine, lastLine);
}

void DocumentParserJob::resetState() {
    if (BgScheduler* pool = scheduler) {
        pel::ScopedLock<pel::Mutex_Impl> lock(pool->getLock());
        stopPass();
    } else {
        stopPass();
    }
    endPatterns.clear();
}

bool DocumentParserJob::isBusy() const {
    BgScheduler* pool = scheduler;
    if (!pool)
        return false;
    pel::ScopedLock<pel::Mutex_Impl> lock(pool->getLock());
    return state == QUEUED || worker != nullptr;
}

} // namespace tessel

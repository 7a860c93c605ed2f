#pragma once
// Runs the parse job of every Document of a DocumentManager on its "parser" pool. A request for a
// line range travels as a record from a locked pool to the job, where it is merged into the pass
// under way (or starts one); each run of the job, on a worker, takes the Document lock (or
// leaves the job pending after LOCK_WAIT_MS), parses lines for up to RUN_BUDGET_MS and posts the
// lines re-parsed so far: after 20 ms, then at intervals doubling up to a second, and at the end
// of the pass. On the main thread the client hands each posted range to Document::notifyParsed.
//
// A job that is given up (released through the pool) is closing: its run ends at once, and the
// ranges still on their way to the main thread are freed without touching its document.

#include "service/base/BgClient.h"
#include "service/parser/LineMatcher.h"
#include "service/parser/base/ParserClient.h"

#include "pel/base/TAllocator.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace tessel {

class BgScheduler;
class DocumentParserJob;

class DocumentParserClient : public ParserClient, public BgClient {
public:
    static constexpr long LOCK_WAIT_MS = 5;
    static constexpr uint32_t RUN_BUDGET_MS = 2;
    static constexpr int32_t SHOWN_PRIORITY = 2;
    static constexpr int32_t HIDDEN_PRIORITY = 3;

    // A request, and a result on its way to the main thread.
    struct ParseRange {
        int32_t firstLine;
        int32_t lastLine;
    };

    explicit DocumentParserClient(BgScheduler& pool);
    ~DocumentParserClient() override;

    // The job, attached to the pool idle.
    ParserJob* createJob(Document* document) override;
    void requestParse(Document* document, int32_t firstLine, int32_t lastLine) override;
    // A shown document's job runs at priority 2, a hidden one's at 3; unless inactive documents
    // are parsed, a hidden one's work waits until it is shown again.
    void setDocumentShown(Document& document, bool shown);

    void* createWorkerContext(BgWorker* worker) override;
    void destroyWorkerContext(BgWorker* worker, void* context) override;
    // Without a worker the client's own matcher serves (tests run steps on threads of their own).
    void runJob(BgWorker* worker, BgJob* job) override;
    void onQueued(BgWorker* worker, BgJob* job) override;
    void onJobMessage(BgScheduler* scheduler, BgJob* job, UINT_PTR data) override;
    void onDeadJobMessage(BgScheduler* scheduler, BgJob* job, UINT_PTR data) override;
    void takeRecord(BgScheduler* scheduler, BgJob* job, void* record) override;
    void discardRecord(BgScheduler* scheduler, BgJob* job, void* record) override;

    // A request merged into the job: a pass under way only widens.
    void merge(DocumentParserJob& job, int32_t firstLine, int32_t lastLine) const;
    // One line of the pass; true when the pass is over.
    bool step(DocumentParserJob& job, LineMatcher& matcher) const;

    // Milliseconds of a monotonic clock (the performance counter by default); set before the
    // workers start.
    void setClock(ParserClock clock);
    uint32_t now() const { return m_clock(); }
    // Ranges taken from the pool and not yet given back.
    int32_t rangesInUse() const { return m_rangesInUse.load(std::memory_order_acquire); }
    BgScheduler& getPool() const { return m_pool; }

protected:
    // Hands the range to the main thread (the job's client message); false when it could not.
    virtual bool postResult(BgWorker* worker, DocumentParserJob& job, ParseRange* range);

private:
    DocumentParserJob* jobOf(Document* document) const;
    ParseRange* takeRange(int32_t firstLine, int32_t lastLine);
    void freeRange(ParseRange* range);
    void noteStep(DocumentParserJob& job) const;
    void postIfDue(BgWorker* worker, DocumentParserJob& job, bool done);
    void endPassWithoutGrammar(BgWorker* worker, DocumentParserJob& job);

    BgScheduler& m_pool;
    ParserClock m_clock;
    LineMatcher m_matcher;
    pel::TLockedAllocator<ParseRange, 32> m_ranges;
    std::atomic<int32_t> m_rangesInUse{0};
};

} // namespace tessel

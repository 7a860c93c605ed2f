#include "service/parser/DocumentParserClient.h"

#include "service/base/BgScheduler.h"
#include "service/document/Document.h"
#include "service/parser/DocumentParserJob.h"
#include "service/parser/GrammarRuleSet.h"
#include "service/parser/ParserRule.h"
#include "service/parser/base/DocumentScope.h"

#include "pel/base/Assert.h"
#include "pel/thread/MainThread.h"

#include <algorithm>

namespace tessel {

namespace {

uint32_t counterMilliseconds() {
    static const LONGLONG perMillisecond = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return std::max<LONGLONG>(frequency.QuadPart / 1000, 1);
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<uint32_t>(now.QuadPart / perMillisecond);
}

// Tick counts compared by their signed difference, so the wrap changes nothing.
bool reached(uint32_t now, uint32_t time) { return static_cast<int32_t>(now - time) >= 0; }

int32_t clampLine(int32_t line, int32_t count) { return std::max(0, std::min(line, count - 1)); }

} // namespace

DocumentParserClient::DocumentParserClient(BgScheduler& pool) : m_pool(pool), m_clock(counterMilliseconds) {}

DocumentParserClient::~DocumentParserClient() = default;

void DocumentParserClient::setClock(ParserClock clock) {
    m_clock = clock ? std::move(clock) : ParserClock(counterMilliseconds);
    m_matcher.setClock(m_clock);
}

// ---- the main thread's side

ParserJob* DocumentParserClient::createJob(Document* document) {
    PEL_CHECK_PTR(document);
    auto* job = new DocumentParserJob(*this, *document);
    m_pool.attachJob(job);
    return job;
}

DocumentParserJob* DocumentParserClient::jobOf(Document* document) const {
    ParserJob* job = document ? document->getParserJob() : nullptr;
    return job && job->client == static_cast<const BgClient*>(this) ? static_cast<DocumentParserJob*>(job) : nullptr;
}

void DocumentParserClient::requestParse(Document* document, int32_t firstLine, int32_t lastLine) {
    DocumentParserJob* job = jobOf(document);
    if (!job || job->isClosing())
        return;
    ParseRange* range = takeRange(firstLine, lastLine);
    if (!m_pool.submitRecord(job, range)) {
        freeRange(range);
        return;
    }
    if (!job->shown && !parseInactiveDocuments() && m_pool.dequeueJob(job))
        job->deferred = true;
}

void DocumentParserClient::setDocumentShown(Document& document, bool shown) {
    DocumentParserJob* job = jobOf(&document);
    if (!job || job->shown == shown)
        return;
    job->shown = shown;
    m_pool.setJobPriority(job, shown ? SHOWN_PRIORITY : HIDDEN_PRIORITY);
    if (shown && job->deferred) {
        job->deferred = false;
        m_pool.enqueueJob(job, true);
    } else if (!shown && !parseInactiveDocuments() && m_pool.dequeueJob(job)) {
        job->deferred = true;
    }
}

void DocumentParserClient::onJobMessage(BgScheduler*, BgJob* bgJob, UINT_PTR data) {
    pel::check_main_thread();
    auto* range = reinterpret_cast<ParseRange*>(data);
    struct Free {
        DocumentParserClient& client;
        ParseRange* range;
        ~Free() { client.freeRange(range); }
    } release{*this, range};
    Document& document = *static_cast<DocumentParserJob*>(bgJob)->document;
    DocumentLockHold lock(document);
    const int32_t count = document.getLineCount();
    const int32_t first = clampLine(range->firstLine, count);
    document.notifyParsed(first, std::max(first, clampLine(range->lastLine, count)));
}

void DocumentParserClient::onDeadJobMessage(BgScheduler*, BgJob* bgJob, UINT_PTR data) {
    static_cast<DocumentParserJob*>(bgJob)->closing = true;
    freeRange(reinterpret_cast<ParseRange*>(data));
}

// ---- records

DocumentParserClient::ParseRange* DocumentParserClient::takeRange(int32_t firstLine, int32_t lastLine) {
    ParseRange* range = m_ranges.allocate();
    m_rangesInUse.fetch_add(1, std::memory_order_acq_rel);
    range->firstLine = firstLine;
    range->lastLine = lastLine;
    return range;
}

void DocumentParserClient::freeRange(ParseRange* range) {
    if (!range)
        return;
    m_ranges.deallocate(range);
    m_rangesInUse.fetch_sub(1, std::memory_order_acq_rel);
}

void DocumentParserClient::takeRecord(BgScheduler*, BgJob* job, void* record) {
    auto* range = static_cast<ParseRange*>(record);
    merge(*static_cast<DocumentParserJob*>(job), range->firstLine, range->lastLine);
    freeRange(range);
}

void DocumentParserClient::discardRecord(BgScheduler*, BgJob*, void* record) {
    freeRange(static_cast<ParseRange*>(record));
}

// The lines re-parsed but not yet posted stay: dropping them would leave their views with stale
// colours.
void DocumentParserClient::merge(DocumentParserJob& job, int32_t firstLine, int32_t lastLine) const {
    if (job.cursor >= 0 && job.parseAtLeastTo >= 0) {
        job.cursor = std::min(job.cursor, firstLine);
        job.parseAtLeastTo = std::max(job.parseAtLeastTo, lastLine);
    } else {
        job.cursor = firstLine;
        job.parseAtLeastTo = lastLine;
    }
    job.postInterval = DocumentParserJob::FIRST_POST_INTERVAL_MS;
    job.nextPostTime = 0;
    job.started = false;
}

// ---- the worker's side

void* DocumentParserClient::createWorkerContext(BgWorker*) {
    auto* matcher = new LineMatcher();
    matcher->setClock(m_clock);
    return matcher;
}

void DocumentParserClient::destroyWorkerContext(BgWorker*, void* context) { delete static_cast<LineMatcher*>(context); }

void DocumentParserClient::onQueued(BgWorker*, BgJob* job) { static_cast<DocumentParserJob*>(job)->started = true; }

void DocumentParserClient::runJob(BgWorker* worker, BgJob* bgJob) {
    auto& job = *static_cast<DocumentParserJob*>(bgJob);
    if (job.isClosing()) {
        job.closing = true;
        job.markDone();
        return;
    }
    PEL_ASSERT(!pel::is_main_thread());
    Document& document = *job.document;
    if (!job.locked) {
        if (document.getLockMutex().wait(LOCK_WAIT_MS) != pel::Semaphore_Impl::Signalled)
            return; // the job stays pending and runs again
        job.locked = true;
    }
    struct Unlock {
        DocumentParserJob& job;
        ~Unlock() {
            job.locked = false;
            job.document->getLockMutex().release();
        }
    } unlock{job};

    const auto* grammar = dynamic_cast<const ParserRule*>(document.getGrammar());
    const DocumentScope* root = document.getScopeRegistry().root();
    if (!grammar || !grammar->ruleSet() || !root) {
        endPassWithoutGrammar(worker, job);
        job.markDone();
        return;
    }
    LineMatcher& matcher = worker && worker->getContext() ? *static_cast<LineMatcher*>(worker->getContext()) : m_matcher;
    matcher.bind(document, grammar->ruleSet(), root->index(), job.endPatterns);
    struct Unbind {
        LineMatcher& matcher;
        ~Unbind() { matcher.unbind(); }
    } unbind{matcher};

    // Several lines under one hold of the lock: taking and leaving it costs more than a
    // typical line.
    const uint32_t runStart = now();
    bool done = false;
    do {
        const int32_t count = document.getLineCount();
        if (job.started && !(job.cursor >= 0 && job.cursor < count && job.parseAtLeastTo >= 0)) {
            done = true;
            postIfDue(worker, job, true);
            break;
        }
        noteStep(job);
        done = step(job, matcher);
        job.started = true;
        postIfDue(worker, job, done);
    } while (!done && now() - runStart < RUN_BUDGET_MS);
    if (done)
        job.markDone();
}

// The step's line joins the range to post; a new range posts after the first interval.
void DocumentParserClient::noteStep(DocumentParserJob& job) const {
    if (job.firstDirty < 0) {
        job.firstDirty = job.lastDirty = job.cursor;
        job.nextPostTime = now() + DocumentParserJob::FIRST_POST_INTERVAL_MS;
        job.postInterval = DocumentParserJob::FIRST_POST_INTERVAL_MS;
    } else {
        job.firstDirty = std::min(job.firstDirty, job.cursor);
        job.lastDirty = std::max(job.lastDirty, job.cursor);
    }
}

bool DocumentParserClient::step(DocumentParserJob& job, LineMatcher& matcher) const {
    const int32_t count = job.document->getLineCount();
    int32_t line = job.cursor;
    if (line < 0 || line >= count)
        return true;
    if (!matcher.stateMatches(line))
        matcher.parseLine(line);
    job.cursor = ++line;
    if (line >= count) {
        job.cursor = count;
        job.parseAtLeastTo = 0;
        return true;
    }
    if (job.parseAtLeastTo <= line && matcher.stateMatches(line)) {
        job.parseAtLeastTo = 0;
        job.cursor = count;
        return true;
    }
    job.parseAtLeastTo = std::max(job.parseAtLeastTo, line);
    return false;
}

void DocumentParserClient::postIfDue(BgWorker* worker, DocumentParserJob& job, bool done) {
    const uint32_t time = now();
    if (!done && job.nextPostTime != 0 && !reached(time, job.nextPostTime))
        return;
    if (job.firstDirty >= 0) {
        job.nextPostTime = time + job.postInterval;
        job.postInterval = std::min(job.postInterval * 2, DocumentParserJob::LONGEST_POST_INTERVAL_MS);
        ParseRange* range = takeRange(job.firstDirty, job.lastDirty);
        if (!postResult(worker, job, range))
            freeRange(range);
    }
    // A pass that ended has posted all it parsed; within a pass the last line posted stays.
    job.firstDirty = done ? -1 : job.lastDirty;
    if (done)
        job.lastDirty = -1;
}

// Without a grammar there is nothing to parse; the lines asked for are posted, so their views
// drop colours they may still show.
void DocumentParserClient::endPassWithoutGrammar(BgWorker* worker, DocumentParserJob& job) {
    const int32_t count = job.document->getLineCount();
    if (job.cursor >= 0 && job.cursor < count) {
        const int32_t last = clampLine(std::max(job.cursor, job.parseAtLeastTo), count);
        job.firstDirty = job.firstDirty < 0 ? job.cursor : std::min(job.firstDirty, job.cursor);
        job.lastDirty = std::max(job.lastDirty, last);
    }
    job.cursor = count;
    job.parseAtLeastTo = 0;
    job.started = true;
    postIfDue(worker, job, true);
}

bool DocumentParserClient::postResult(BgWorker* worker, DocumentParserJob&, ParseRange* range) {
    return worker && m_pool.postJobMessage(worker, BgScheduler::MSG_CLIENT, reinterpret_cast<UINT_PTR>(range));
}

} // namespace tessel

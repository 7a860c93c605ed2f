#pragma once
// What the document engine asks of the background parser. One ParserClient serves every
// document of a DocumentManager and runs one ParserJob per document on the parser pool; the
// Document asks for a re-parse of the lines each change touched, and clears its job's results
// when the grammar changes. A job runs on the DocumentManager's "parser" pool (the client's
// factory attaches it), which also gives it up: the pool's releaseJob waits for a slice that
// runs and deletes the job, or leaves that to the pool when messages about it are still on their
// way. NullParserClient stands in until the parsing subsystem is there: its jobs are never
// attached and parse nothing.

#include "service/base/BgJob.h"

#include <cstdint>

namespace tessel {

class Document;

class ParserJob : public BgJob {
public:
    // The client of the pool that runs it (none for a job that is never attached).
    explicit ParserJob(BgClient* client = nullptr) : BgJob(client) {}
    // Forgets the queued work and the stored per-line results of lines firstLine..lastLine.
    virtual void clearResults(int32_t firstLine, int32_t lastLine) = 0;
    // Returns the parser to its start (the grammar changed).
    virtual void resetState() = 0;
    // Whether a pass is queued or running.
    virtual bool isBusy() const = 0;
};

class ParserClient {
public:
    virtual ~ParserClient() = default;
    // The document's job; the DocumentManager keeps it with the document and gives it up
    // through the pool (BgScheduler::releaseJob).
    virtual ParserJob* createJob(Document* document) = 0;
    // Queues a re-parse of lines firstLine..lastLine of the document's job.
    virtual void requestParse(Document* document, int32_t firstLine, int32_t lastLine) = 0;

    // Whether documents that no view shows are parsed too.
    bool parseInactiveDocuments() const { return m_parseInactive; }
    void setParseInactiveDocuments(bool parse) { m_parseInactive = parse; }

private:
    bool m_parseInactive = false;
};

class NullParserJob : public ParserJob {
public:
    void clearResults(int32_t, int32_t) override {}
    void resetState() override {}
    bool isBusy() const override { return false; }
};

class NullParserClient : public ParserClient {
public:
    ParserJob* createJob(Document*) override { return new NullParserJob(); }
    void requestParse(Document*, int32_t, int32_t) override {}
};

} // namespace tessel

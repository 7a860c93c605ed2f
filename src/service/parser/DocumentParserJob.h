#pragma once
// The parse job of one Document: re-parses lines from the first changed one, one line per step,
// until the state at the start of the next line is the one stored there (and the pass has gone
// at least as far as asked), and posts the re-parsed line ranges to the main thread. Its fields
// belong to the step running on a worker (under the Document lock) and to the merge of a
// request (under the scheduler's lock, between steps); the main thread clears and resets them
// holding both.

#include "service/parser/DynamicEndStore.h"
#include "service/parser/base/ParserClient.h"

#include <cstdint>
#include <string>

namespace tessel {

class DocumentParserClient;

class DocumentParserJob : public ParserJob {
public:
    static constexpr uint32_t FIRST_POST_INTERVAL_MS = 20;
    static constexpr uint32_t LONGEST_POST_INTERVAL_MS = 1000;

    DocumentParserJob(DocumentParserClient& client, Document& document);
    ~DocumentParserJob() override;

    // The caller holds the Document lock. Drops the pass and the requests not yet taken (the
    // job is idle afterwards), and the records of the lines in the range.
    void clearResults(int32_t firstLine, int32_t lastLine) override;
    // The caller holds the Document lock: the pass and the end patterns built from the old rules go.
    void resetState() override;
    bool isBusy() const override;
    // Given up: no request is taken and a run ends at once, without the document.
    bool isClosing() const { return closing || (flags.load(std::memory_order_acquire) & FLAG_CANCELLED) != 0; }

    int32_t cursor = -1;         // the next line to look at
    int32_t parseAtLeastTo = -1; // the pass does not end before this line
    int32_t firstDirty = -1;     // lines re-parsed and not yet posted, -1 when none
    int32_t lastDirty = -1;
    uint32_t nextPostTime = 0; // 0: the next step posts
    uint32_t postInterval = FIRST_POST_INTERVAL_MS;
    Document* const document;
    bool locked = false;  // the running step holds the Document lock
    bool started = false; // a step ran since the last request was merged
    DynamicEndStore endPatterns;
    bool closing = false;
    std::wstring name;
    // Main thread: whether a view shows the document, and whether its work waits until one does.
    bool shown = true;
    bool deferred = false;

private:
    // With the scheduler's lock held when attached.
    void stopPass();
};

} // namespace tessel

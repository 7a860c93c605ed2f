#include "service/parser/DocumentParserClient.h"
#include "service/parser/DocumentParserJob.h"

#include "pel/legacy/MessageRegistry.h"
#include "service/base/BgScheduler.h"
#include "support/Runnables.h"
#include "ParsedDocument.h"
#include "ParserTestSupport.h"
#include "TestGrammars.h"

#include <gtest/gtest.h>

using namespace tessel;
using namespace tessel_test;

namespace {

// Keeps what it would post: the clock's time and the range.
struct PostingClient : DocumentParserClient {
    using DocumentParserClient::DocumentParserClient;
    bool postResult(BgWorker*, DocumentParserJob&, ParseRange* range) override {
        posts.push_back({now(), static_cast<uint32_t>(range->firstLine), static_cast<uint32_t>(range->lastLine)});
        return false;
    }
    std::vector<std::array<uint32_t, 3>> posts;
};

// A job of the C grammar on a pool without workers: the test merges requests itself and runs the
// job's steps on a thread of its own, with a clock it sets.
class ParserJobTest : public MainThreadTest {
protected:
    ParserJobTest() {
        registry.initRegistry(::GetModuleHandleW(nullptr));
        client.setClock([this] { return time; });
        job = static_cast<DocumentParserJob*>(client.createJob(&document));
        document.setParserJob(job);
        setGrammar(document, findRule(L"source.c", *rules));
    }
    ~ParserJobTest() override {
        document.setParserJob(nullptr);
        pool.releaseJob(job);
        registry.releaseRegistry();
    }
    void fill(int lines, const std::wstring& line) {
        std::wstring text;
        for (int i = 0; i < lines; ++i)
            text += (i ? L"\n" : L"") + line;
        insertText(document, 0, text);
    }
    // Merges the request, then runs the job until it is done (or once); true when it is done.
    bool run(int32_t first, int32_t last, bool untilDone = true) {
        client.merge(*job, first, last);
        client.posts.clear();
        bool done = false;
        FunctionRunnable body([&] {
            do {
                job->flags.fetch_and(~BgJob::FLAG_DONE);
                client.runJob(nullptr, job);
                done = job->isDone();
            } while (untilDone && !done);
        });
        pel::Thread thread;
        thread.start(body);
        thread.join();
        return done;
    }
    const void* record(int32_t line) { return document.getLineHeader(line)->parsedLine; }

    pel::MessageRegistry registry;
    BgScheduler pool{"parser"};
    PostingClient client{pool};
    ParserOwner owner{&client};
    Document document{&owner};
    DocumentParserJob* job = nullptr;
    std::shared_ptr<GrammarRuleSet> rules = cGrammar();
    uint32_t time = 1000;
};

using Range = std::array<uint32_t, 2>;
Range rangeOf(const std::array<uint32_t, 3>& post) { return {post[1], post[2]}; }

TEST_F(ParserJobTest, ARequestDuringAPassWidensItKeepingTheLinesNotYetPostedAndAHiddenDocumentWaits) {
    job->cursor = 50, job->parseAtLeastTo = 80, job->firstDirty = 40, job->lastDirty = 49, job->started = true;
    client.merge(*job, 10, 12);
    EXPECT_EQ((std::array<int32_t, 4>{10, 80, 40, 49}),
              (std::array<int32_t, 4>{job->cursor, job->parseAtLeastTo, job->firstDirty, job->lastDirty}));
    EXPECT_FALSE(job->started);

    client.setDocumentShown(document, false);
    client.requestParse(&document, 0, 0);
    EXPECT_FALSE(job->isBusy());
    EXPECT_EQ(DocumentParserClient::HIDDEN_PRIORITY, job->priority);
    client.setDocumentShown(document, true);
    EXPECT_TRUE(job->isBusy());
}

TEST_F(ParserJobTest, AnEditThatChangesNoStateParsesItsLineAndPostsItOnceAndACommentRecoloursTheRest) {
    fill(100, L"int x; // a");
    ASSERT_TRUE(run(0, 99));
    insertText(document, document.getLineStart(50), L"y");
    EXPECT_TRUE(run(50, 50));
    ASSERT_EQ(1u, client.posts.size());
    EXPECT_EQ((Range{50, 50}), rangeOf(client.posts[0]));

    insertText(document, document.getLineStart(90), L"/*");
    EXPECT_TRUE(run(90, 90));
    EXPECT_EQ((Range{90, 99}), (Range{client.posts.front()[1], client.posts.back()[2]}));
}

TEST_F(ParserJobTest, AnEmptyDocumentTakesOneStepAndADocumentWithoutGrammarEndsAtOnce) {
    EXPECT_TRUE(run(0, 0, false));
    ASSERT_EQ(1u, client.posts.size());
    EXPECT_EQ((Range{0, 0}), rangeOf(client.posts[0]));
    EXPECT_NE(nullptr, record(0));

    fill(6, L"int");
    setGrammar(document, nullptr);
    EXPECT_TRUE(run(0, 5, false));
    ASSERT_EQ(1u, client.posts.size());
    EXPECT_EQ((Range{0, 5}), rangeOf(client.posts[0]));
    EXPECT_EQ(nullptr, record(0));
}

TEST_F(ParserJobTest, AJobWaitsForALockHeldElsewhereAndAClosingJobNeverTouchesItsDocument) {
    fill(3, L"int");
    document.lock();
    EXPECT_FALSE(run(0, 2, false));
    EXPECT_EQ(nullptr, record(0));
    document.unlock();
    EXPECT_TRUE(run(0, 2, false));
    EXPECT_NE(nullptr, record(2));

    job->closing = true;
    DocumentLockHold lock(document); // a job that waited for it would not be done
    EXPECT_TRUE(run(0, 2, false));
    EXPECT_EQ(0, job->cursor);
}

TEST_F(ParserJobTest, PostsComeAfter20MsThenAtDoublingIntervalsUpToASecondAndAtTheEnd) {
    fill(4000, L"int a = f(1); // x");
    client.setClock([this] { return ++time; }); // every reading of the clock takes a millisecond
    const uint32_t start = time;
    const int32_t requestsWaiting = client.rangesInUse(); // the edit's, for a worker to take
    ASSERT_TRUE(run(0, 3999));
    ASSERT_GE(client.posts.size(), 10u);
    EXPECT_GE(client.posts[0][0] - start, 20u);
    uint32_t interval = 20;
    for (size_t i = 1; i + 1 < client.posts.size(); ++i, interval = std::min(interval * 2, 1000u)) {
        const uint32_t gap = client.posts[i][0] - client.posts[i - 1][0];
        EXPECT_TRUE(gap >= interval && gap <= interval + 40) << i << ": " << gap;
        EXPECT_EQ(client.posts[i - 1][2], client.posts[i][1]) << i;
    }
    EXPECT_EQ(3999u, client.posts.back()[2]);
    EXPECT_EQ(requestsWaiting, client.rangesInUse());
}

} // namespace

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

struct Post {
    uint32_t time;
    int32_t first;
    int32_t last;
};

// Keeps what it would post, with the clock's time.
class PostingClient : public DocumentParserClient {
public:
    using DocumentParserClient::DocumentParserClient;
    std::vector<Post> posts;

protected:
    bool postResult(BgWorker*, DocumentParserJob&, ParseRange* range) override {
        posts.push_back({now(), range->firstLine, range->lastLine});
        return false;
    }
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
    void fill(int lines, const wchar_t* line) {
        std::wstring text;
        for (int i = 0; i < lines; ++i)
            text += line + std::wstring(i + 1 < lines ? L"\n" : L"");
        insertText(document, 0, text);
    }
    // Runs the job until it is done (or once), on another thread; true when it is done.
    bool run(bool untilDone = true) {
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
    void parseAll() {
        client.merge(*job, 0, document.getLineCount() - 1);
        ASSERT_TRUE(run());
        client.posts.clear();
    }

    pel::MessageRegistry registry;
    BgScheduler pool{"parser"};
    PostingClient client{pool};
    ParserOwner owner{&client};
    Document document{&owner};
    DocumentParserJob* job = nullptr;
    std::shared_ptr<GrammarRuleSet> rules = cGrammar();
    uint32_t time = 1000;
};

TEST_F(ParserJobTest, ARequestDuringAPassWidensItAndKeepsTheLinesNotYetPosted) {
    job->cursor = 50;
    job->parseAtLeastTo = 80;
    job->firstDirty = 40;
    job->lastDirty = 49;
    job->started = true;
    client.merge(*job, 10, 12);
    EXPECT_EQ(10, job->cursor);
    EXPECT_EQ(80, job->parseAtLeastTo);
    EXPECT_EQ(40, job->firstDirty);
    EXPECT_EQ(49, job->lastDirty);
    EXPECT_FALSE(job->started);

    job->cursor = job->parseAtLeastTo = -1;
    client.merge(*job, 3, 7);
    EXPECT_EQ(3, job->cursor);
    EXPECT_EQ(7, job->parseAtLeastTo);
}

TEST_F(ParserJobTest, AnEditThatChangesNoStateParsesItsLineAndPostsItOnce) {
    fill(100, L"int x; // a");
    parseAll();
    insertText(document, document.getLineStart(50), L"y");
    client.merge(*job, 50, 50);
    EXPECT_TRUE(run());
    ASSERT_EQ(1u, client.posts.size());
    EXPECT_EQ(50, client.posts[0].first);
    EXPECT_EQ(50, client.posts[0].last);
    EXPECT_EQ(100, job->cursor);

    // Opening a comment re-parses every line after it, and posts them.
    insertText(document, document.getLineStart(90), L"/*");
    client.posts.clear();
    client.merge(*job, 90, 90);
    EXPECT_TRUE(run());
    EXPECT_EQ(90, client.posts.front().first);
    EXPECT_EQ(99, client.posts.back().last);
}

TEST_F(ParserJobTest, AnEmptyDocumentTakesOneStepAndADocumentWithoutGrammarEndsAtOnce) {
    client.merge(*job, 0, 0);
    EXPECT_TRUE(run(false));
    ASSERT_EQ(1u, client.posts.size());
    EXPECT_EQ(0, client.posts[0].first);
    EXPECT_EQ(0, client.posts[0].last);
    EXPECT_NE(nullptr, document.getLineHeader(0)->parsedLine);

    fill(6, L"int");
    setGrammar(document, nullptr);
    client.posts.clear();
    client.merge(*job, 0, 5);
    EXPECT_TRUE(run(false));
    ASSERT_EQ(1u, client.posts.size());
    EXPECT_EQ(5, client.posts[0].last);
    EXPECT_EQ(nullptr, document.getLineHeader(0)->parsedLine);
}

TEST_F(ParserJobTest, AJobWaitsForALockHeldElsewhereAndAClosingJobNeverTouchesItsDocument) {
    fill(3, L"int");
    client.merge(*job, 0, 2);
    document.lock();
    EXPECT_FALSE(run(false));
    EXPECT_EQ(nullptr, document.getLineHeader(0)->parsedLine);
    document.unlock();
    EXPECT_TRUE(run(false));
    EXPECT_NE(nullptr, document.getLineHeader(2)->parsedLine);

    client.merge(*job, 0, 2);
    job->closing = true;
    DocumentLockHold lock(document); // a job that waited for it would not be done
    EXPECT_TRUE(run(false));
    EXPECT_EQ(0, job->cursor);
}

TEST_F(ParserJobTest, PostsComeAfter20MsThenAtDoublingIntervalsUpToASecondAndAtTheEnd) {
    fill(4000, L"int a = f(1); // x");
    client.setClock([this] { return ++time; }); // every reading of the clock takes a millisecond
    const uint32_t start = time;
    const int32_t requestsWaiting = client.rangesInUse(); // the edit's, for a worker to take
    client.merge(*job, 0, 3999);
    ASSERT_TRUE(run());
    ASSERT_GE(client.posts.size(), 10u);
    EXPECT_GE(client.posts[0].time - start, 20u);
    uint32_t interval = 20;
    for (size_t i = 1; i + 1 < client.posts.size(); ++i) {
        const uint32_t gap = client.posts[i].time - client.posts[i - 1].time;
        EXPECT_GE(gap, interval) << i;
        EXPECT_LE(gap, interval + 40) << i;
        EXPECT_EQ(client.posts[i - 1].last, client.posts[i].first) << i;
        interval = std::min(interval * 2, 1000u);
    }
    EXPECT_EQ(3999, client.posts.back().last);
    EXPECT_EQ(requestsWaiting, client.rangesInUse());
}

} // namespace

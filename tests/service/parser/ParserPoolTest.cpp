#include "service/parser/DocumentParserClient.h"
#include "service/parser/DocumentParserServices.h"
#include "service/parser/LineMatcher.h"

#include "pel/legacy/MessageRegistry.h"
#include "service/document/DocumentListener.h"
#include "service/document/DocumentManager.h"
#include "service/parser/base/GrammarRuleSetHolder.h"
#include "support/LogCapture.h"
#include "support/MessagePump.h"
#include "KeystrokesDuringPass.h"
#include "ParsedDocument.h"
#include "ParserTestSupport.h"
#include "TestGrammars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace tessel;
using namespace tessel_test;

namespace {

// The line ranges each document reported as parsed.
struct ParsedRanges : DocumentListener {
    void onParsed(Document& document, int32_t first, int32_t last) override { ranges[&document].push_back({first, last}); }
    bool cover(Document* document, int32_t from, int32_t to) {
        std::vector<std::pair<int32_t, int32_t>> seen = ranges[document];
        std::sort(seen.begin(), seen.end());
        int32_t reached = from;
        for (const auto& range : seen)
            if (range.first <= reached)
                reached = std::max(reached, range.second + 1);
        return reached > to;
    }
    std::map<Document*, std::vector<std::pair<int32_t, int32_t>>> ranges;
};

// The DocumentManager with the parsing services, on the real pool with two workers.
class ParserPoolTest : public MainThreadTest {
protected:
    ParserPoolTest() {
        registry.initRegistry(::GetModuleHandleW(nullptr));
        manager.reset(new DocumentManager(std::make_shared<DocumentParserServices>()));
        manager->getParserPool().setWorkerCount(2);
        manager->addListener(&parsed);
        client = static_cast<DocumentParserClient*>(manager->getParserClient());
        manager->getGrammarRuleSetHolder().replaceGrammarRuleSet(cGrammar());
    }
    ~ParserPoolTest() override {
        manager.reset();
        registry.releaseRegistry();
    }
    Document* open(int lines) {
        Document* document = manager->createDocument(L"source.c");
        std::wstring text;
        for (int i = 0; i < lines; ++i)
            text += L"int f(int a) { return a * 2; } // line\n";
        insertText(*document, 0, text);
        return document;
    }

    pel::MessageRegistry registry;
    std::unique_ptr<DocumentManager> manager;
    DocumentParserClient* client = nullptr;
    ParsedRanges parsed;
};

// 20 000 lines: "/*" typed at line 10 recolours every line below; another document closed in
// the middle of its pass and the rules swapped three times while both parse leave no rule and no
// range behind.
TEST_F(ParserPoolTest, ACommentRecoloursEveryLineBelowAndClosingOrSwappingMidPassLeavesNothingBehind) {
    Document* document = open(20000);
    ASSERT_TRUE(pumpUntil([&] { return parsed.cover(document, 0, 20000); })) << "the first pass";
    parsed.ranges.clear();
    insertText(*document, document->getLineStart(10), L"/*");
    ASSERT_TRUE(pumpUntil([&] { return parsed.cover(document, 10, 20000); })) << "the re-parse after the edit";
    EXPECT_FALSE(parsed.cover(document, 9, 9));
    EXPECT_EQ(L"0:source.c comment.block.c", dumpLine(*document, 19999).substr(0, 26));

    Document* closed = open(20000);
    ASSERT_TRUE(pumpUntil([&] { return !parsed.ranges[closed].empty(); }));
    for (int swap = 0; swap < 3; ++swap) {
        manager->getGrammarRuleSetHolder().replaceGrammarRuleSet(cGrammar());
        dispatchPending();
    }
    manager->releaseDocument(closed);
    ASSERT_TRUE(pumpUntil([&] { return !document->getParserJob()->isBusy(); }));
    EXPECT_EQ(L"0:source.c comment.block.c", dumpLine(*document, 19999).substr(0, 26));
    manager->releaseDocument(document);
    ASSERT_TRUE(pumpUntil([&] { return client->rangesInUse() == 0; })) << client->rangesInUse() << " ranges";
    manager->getGrammarRuleSetHolder().replaceGrammarRuleSet(nullptr);
    EXPECT_EQ(0, ParserRule::liveCount());
}

// Every line stops at the bound of one engine call (seconds of work each otherwise); meanwhile
// the main thread gets the document whenever it asks, within a generous bound.
TEST_F(ParserPoolTest, LinesOfARunawayPatternEndAtTheirBoundAndLeaveTheDocumentToTheMainThread) {
    manager->getGrammarRuleSetHolder().replaceGrammarRuleSet(slowGrammar());
    Document* document = manager->createDocument(L"source.slow");
    std::wstring text;
    for (int length : {3000, 30000, 3000, 30000})
        text += L"<" + std::wstring(length, L'a') + L"bc\n";
    LogCapture log;
    insertText(*document, 0, text);
    DWORD longestWait = 0;
    ASSERT_TRUE(pumpUntil([&] {
        const DWORD start = ::GetTickCount();
        document->lock();
        longestWait = std::max<DWORD>(longestWait, ::GetTickCount() - start);
        document->unlock();
        return parsed.cover(document, 0, 4);
    }));
    // A worker that kept the lock through a runaway line would hold it for the line's whole
    // budget; its runs of a few milliseconds, stretched by a loaded machine, stay far below half.
    EXPECT_LT(longestWait, LineMatcher::LINE_BUDGET_MS / 2);
    size_t stopped = 0;
    for (const LoggedLine& line : log.lines())
        stopped += line.text.find(L"stopped at column") != std::wstring::npos;
    EXPECT_EQ(4u, stopped);
    EXPECT_EQ(L" => [0:0 0:1]", dumpLine(*document, 4)); // inside the block the first line opened
    manager->releaseDocument(document);
}

// A fast typist at the top of an 800 000-line file while its first pass runs: the worker gives
// the lock back between its slices, and each keystroke takes it at the next hand-over instead of
// the worker taking it again first.
TEST_F(ParserPoolTest, KeystrokesDuringTheFirstPassTakeTheLockAtTheWorkersNextRelease) {
    const KeystrokeWaits waits = typeDuringFirstPass(*manager, 800000, 60);
    for (size_t i = 0; i < waits.lockWaits.size(); ++i)
        ASSERT_LT(waits.lockWaits[i], 500) << "keystroke " << i << " of " << waits.lockWaits.size() << " waited";
    EXPECT_TRUE(waits.passEnded) << "the first pass";
    EXPECT_GE(waits.lockWaits.size(), 10u) << "the pass ended before the typing could test it";
}

// Lines on which an engine call's steps look cheap at first and grow dearer: no call runs on
// past what is left of its line's budget, so a keystroke waits at most about one line's budget
// for the lock, not the seconds such a call would take unbounded.
TEST_F(ParserPoolTest, KeystrokesDuringAPassOverRunawayLinesWaitAtMostAboutALinesBudget) {
    LogCapture log; // each line stops, with one log line
    const std::wstring line = L"<" + std::wstring(1500, L'a') + L"bc>\n";
    const KeystrokeWaits waits = typeDuringFirstPass(*manager, 6, 12, {dearerStepsGrammar(), L"source.dearer", line});
    ASSERT_FALSE(waits.lockWaits.empty());
    const double worst = *std::max_element(waits.lockWaits.begin(), waits.lockWaits.end());
    EXPECT_LT(worst, 2 * LineMatcher::LINE_BUDGET_MS) << "of " << waits.lockWaits.size() << " keystrokes";
    EXPECT_TRUE(waits.passEnded) << "the first pass";
}

} // namespace

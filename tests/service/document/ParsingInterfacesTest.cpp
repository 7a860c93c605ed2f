// The stand-ins of the parsing subsystem that a Document uses until a grammar parses, and the
// shared line record layout.

#include "service/parser/base/DocumentScope.h"
#include "service/parser/base/LineRecord.h"
#include "service/parser/base/ParserClient.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tessel;

TEST(ParsingInterfaces, AScopeRecordsPathRunsFromItsOwnNameOutwardsSkippingNamelessAncestors) {
    DocumentScope root(7, 0, 7, nullptr, L"source.c");
    DocumentScope nameless(7, 1, 9, &root, L"");
    DocumentScope string(7, 2, 12, &nameless, L"string.quoted");
    ScopePath& path = string.scopePath();
    ASSERT_EQ(2u, path.size());
    EXPECT_EQ(L"source.c string.quoted", path.toString());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&string), path.segment(0).value);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&root), path.segment(1).value);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&root), path.matches(L"source"));
}

TEST(ParsingInterfaces, TheNullStandInsHoldTheRootAloneAndParseNothing) {
    NullScopeRegistry registry;
    EXPECT_EQ(nullptr, registry.root());
    const DocumentScope* root = registry.intern(4, SCOPE_NO_PARENT, L"none");
    EXPECT_EQ(root, registry.intern(5, 0, L"other")) << "later interns answer the root";
    EXPECT_EQ(root, registry.get(0));
    EXPECT_EQ(nullptr, registry.get(1));
    EXPECT_EQ(4, root->ruleNumber());
    registry.clear();
    EXPECT_EQ(nullptr, registry.root());

    NullParserClient client;
    std::unique_ptr<ParserJob> job(client.createJob(nullptr));
    client.requestParse(nullptr, 0, 10);
    EXPECT_FALSE(job->isBusy());
    EXPECT_FALSE(client.parseInactiveDocuments());
    client.setParseInactiveDocuments(true);
    EXPECT_TRUE(client.parseInactiveDocuments());
}

TEST(ParsingInterfaces, ALineRecordGivesItsStatesAndRunsAndAnUnsoundOneReadsEmpty) {
    // size, runs at 20, end state at 28 of 4 bytes; start state (1, 2); runs (0, 3), (5, 4); end (9, 8)
    const uint32_t words[] = {32, 20, 28, 4, 0x00020001, 0x00030000, 0x00040005, 0x00080009};
    const LineRuns runs = lineRecordRuns(words);
    ASSERT_EQ(2u, runs.count);
    EXPECT_EQ(5, runs.runs[1].column);
    EXPECT_EQ(4, runs.runs[1].scope);
    EXPECT_EQ(4u, lineRecordStartState(words).byteSize);
    EXPECT_EQ(2, lineRecordStartState(words).values[1]);
    EXPECT_EQ(9, lineRecordEndState(words).values[0]);

    const uint32_t unsound[][4] = {{32, 8, 28, 4}, {32, 20, 16, 0}, {32, 20, 28, 8}, {24, 20, 28, 0}};
    for (const auto& header : unsound) {
        EXPECT_EQ(0u, lineRecordRuns(header).count);
        EXPECT_EQ(nullptr, lineRecordEndState(header).values);
    }
    EXPECT_EQ(0u, lineRecordRuns(nullptr).count);
}

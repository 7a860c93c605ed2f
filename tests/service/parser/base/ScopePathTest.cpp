#include "pel/base/Crc.h"
#include "pel/base/Exception.h"
#include "service/parser/base/ScopePath.h"
#include "service/parser/base/ScopeSelector.h"
#include "service/parser/base/ScopeSelectorMatcher.h"
#include "ScopePaths.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace tessel;
using tessel_test::fillPath;

namespace {

uint32_t hashOf(const wchar_t* text) { return pel::crc32String(text); }

uint64_t scoreOf(const wchar_t* selectorText, ScopePath& path, bool anchored = false) {
    const ScopeSelector selector(selectorText);
    ScopeRank rank;
    return ScopeSelectorMatcher(selector, path).match(&rank, anchored) ? rank.score : 0;
}

} // namespace

TEST(ScopePath, CompileGivesBasesAndDotPrefixHashesOutermostFirst) {
    ScopePath path;
    fillPath(path, {L"string.quoted", L"source.c"});
    path.compile();
    const ScopeSegment& inner = path.segment(0);
    const ScopeSegment& outer = path.segment(1);
    EXPECT_EQ(0u, outer.base);
    EXPECT_EQ(0u, outer.firstPart);
    EXPECT_EQ(2u, outer.partCount);
    EXPECT_EQ(2u, inner.base);
    EXPECT_EQ(2u, inner.partCount);
    EXPECT_EQ(2u, inner.firstPart);
    EXPECT_EQ((std::vector<uint32_t>{0x9BAE3EA7, 0x86690DF8, 0xE76805A6, 0x677040C7}), path.parts());

    // Compiling again keeps the list; a push marks the path changed and the next compile
    // rebuilds it from empty.
    path.compile();
    EXPECT_EQ(4u, path.parts().size());
    path.pushText(L"ui.selection.normal", false, 9);
    EXPECT_FALSE(path.isCompiled());
    EXPECT_EQ(9u, path.matches(L"ui.selection"));
    EXPECT_EQ(7u, path.parts().size());
}

TEST(ScopePath, EmptyTextsAddNothingAndEmptyPathsPrintNothing) {
    ScopePath path;
    const wchar_t* text = L"x";
    path.push(0, text, true, 1);
    path.push(3, nullptr, false, 1);
    path.pushText(nullptr, true, 1);
    path.pushText(L"", false, 1);
    EXPECT_TRUE(path.empty());
    path.compile();
    EXPECT_TRUE(path.parts().empty());
    EXPECT_EQ(L"", path.toString());
    EXPECT_EQ(0u, path.matches(L"x"));
}

TEST(ScopePath, ConsecutiveDotsHashEveryPrefix) {
    ScopePath path;
    path.pushText(L"a..b", false, 1);
    path.compile();
    EXPECT_EQ(3u, path.segment(0).partCount);
    EXPECT_EQ((std::vector<uint32_t>{hashOf(L"a"), hashOf(L"a."), hashOf(L"a..b")}), path.parts());
}

TEST(ScopePath, ContainsWholeTextsAndPrintsOutermostFirst) {
    ScopePath path;
    fillPath(path, {L"meta.x", L"ui.data.project", L"source.y"});
    EXPECT_TRUE(path.contains(L"ui.data.project"));
    EXPECT_FALSE(path.contains(L"ui.data"));
    EXPECT_FALSE(path.contains(L"ui.data.project.x"));
    EXPECT_FALSE(path.contains(nullptr));
    EXPECT_EQ(L"source.y ui.data.project meta.x", path.toString());
    std::wstring text = L"> ";
    path.toString(&text); // appends
    EXPECT_EQ(L"> source.y ui.data.project meta.x", text);
}

TEST(ScopePath, CaretStylePathMatchesTheValueOfTheInnermostMatchedSegment) {
    ScopePath grammar;
    grammar.pushText(L"string.quoted", false, 11);
    grammar.pushText(L"meta.block", false, 12);
    grammar.pushText(L"source.c", false, 13);
    ScopePath caret;
    caret.append(grammar);
    caret.pushText(L"ui.selection.normal", false, 0);
    EXPECT_EQ(L"ui.selection.normal source.c meta.block string.quoted", caret.toString());
    EXPECT_EQ(11u, caret.matches(L"source.c string"));
    // The value comes from the atom that won the rank.
    EXPECT_EQ(12u, caret.matches(L"source.c | meta.block"));
    EXPECT_EQ(13u, caret.matches(L"source"));
    EXPECT_EQ(0u, caret.matches(L"comment"));
    EXPECT_EQ(0u, caret.matches(L"")); // the empty selector names no segment
    EXPECT_THROW(caret.matches(L"a &"), pel::ParserException);
}

TEST(ScopePath, AppendedCopiesOutliveTheirSource) {
    ScopePath path;
    {
        auto source = std::make_unique<ScopePath>();
        std::wstring inner = L"string.quoted", outer = L"source.c";
        source->pushText(inner.c_str(), true, 1);
        source->pushText(outer.c_str(), true, 2);
        path.append(*source);
        inner.assign(inner.size(), L'#');
        outer.assign(outer.size(), L'#');
    }
    // A new path of other copied texts may take the freed memory.
    ScopePath other;
    fillPath(other, {L"xxxxxxxxxxxxx", L"yyyyyyyy"}, true);
    EXPECT_EQ(L"source.c string.quoted", path.toString());
    EXPECT_TRUE(path.segment(0).copied);

    path.append(path); // a path appended to itself doubles
    EXPECT_EQ(L"source.c string.quoted source.c string.quoted", path.toString());
}

TEST(ScopePath, ClearingEmptiesTheTextStore) {
    ScopePath path;
    const size_t used = (13 + 1) + (8 + 1) + (19 + 1);
    for (int i = 0; i < 10000; ++i) {
        path.clear();
        fillPath(path, {L"string.quoted", L"source.c", L"ui.selection.normal"}, true);
    }
    // One block holds what one fill copied: the earlier fills' blocks are gone.
    EXPECT_EQ(pel::TDataStorage::BLOCK_CHARS - used, path.textRoomLeft());
    EXPECT_EQ(L"ui.selection.normal source.c string.quoted", path.toString());
}

TEST(ScopePath, DeeperMatchesRankHigherBeyondThirtyLevels) {
    for (const int depth : {40, 80}) {
        std::vector<std::wstring> names;
        for (int i = 0; i < depth; ++i)
            names.push_back(L"s" + std::to_wstring(i) + L".x");
        ScopePath path;
        for (const std::wstring& name : names) // s0 innermost
            path.pushText(name.c_str(), false, 0);
        uint64_t outer = 0;
        for (int i = depth; i-- > 0;) {
            const uint64_t score = scoreOf(names[i].c_str(), path);
            SCOPED_TRACE(std::to_string(depth) + " levels, segment " + std::to_string(i));
            ASSERT_GT(score, 0u);
            // Strictly higher while the 64-bit bases grow; never lower once they saturate.
            if (depth == 40 || i > 20)
                EXPECT_GT(score, outer);
            else
                EXPECT_GE(score, outer);
            outer = score;
        }
    }
}

TEST(ScopePath, ThreadsBuildPathsFromTheSharedPool) {
    std::vector<std::thread> threads;
    std::vector<int> faults(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &faults] {
            for (int i = 0; i < 2000; ++i) {
                ScopePath path;
                fillPath(path, {L"string.quoted", L"meta.block", L"source.c", L"a", L"b", L"c"}, (i + t) % 2 == 0);
                if (path.matches(L"source.c string") != 1 || path.toString() != L"c b a source.c meta.block string.quoted")
                    ++faults[t];
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), faults);
}

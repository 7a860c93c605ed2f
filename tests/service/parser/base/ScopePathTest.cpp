#include "pel/base/Crc.h"
#include "pel/base/Exception.h"
#include "service/parser/base/ScopePath.h"
#include "service/parser/base/ScopeSelector.h"
#include "service/parser/base/ScopeSelectorMatcher.h"
#include "ScopePaths.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace tessel;
using tessel_test::fillPath;

TEST(ScopePath, CompileGivesBasesAndDotPrefixHashesOutermostFirst) {
    ScopePath path;
    fillPath(path, {L"string.quoted", L"source.c"});
    path.compile();
    const ScopeSegment &inner = path.segment(0), &outer = path.segment(1);
    EXPECT_EQ((std::vector<uint64_t>{0, 0, 2, 2, 2, 2}),
              (std::vector<uint64_t>{outer.base, outer.firstPart, outer.partCount, inner.base, inner.partCount,
                                     inner.firstPart}));
    EXPECT_EQ((std::vector<uint32_t>{0x9BAE3EA7, 0x86690DF8, 0xE76805A6, 0x677040C7}), path.parts());

    // Compiling again keeps the list; a push marks the path changed and the next compile
    // rebuilds it from empty.
    path.compile();
    EXPECT_EQ(4u, path.parts().size());
    path.pushText(L"ui.selection.normal", false, 9);
    EXPECT_EQ(9u, path.matches(L"ui.selection"));
    EXPECT_EQ(7u, path.parts().size());

    ScopePath dots;
    dots.pushText(L"a..b", false, 1);
    dots.compile();
    EXPECT_EQ((std::vector<uint32_t>{pel::crc32String(L"a"), pel::crc32String(L"a."), pel::crc32String(L"a..b")}),
              dots.parts());
}

TEST(ScopePath, EmptyTextsAddNothingContainsIsExactAndPrintingGoesOutermostFirst) {
    ScopePath path;
    path.push(0, L"x", true, 1);
    path.push(3, nullptr, false, 1);
    path.pushText(nullptr, true, 1);
    path.pushText(L"", false, 1);
    path.compile();
    EXPECT_TRUE(path.empty() && path.parts().empty());
    EXPECT_EQ(L"", path.toString());
    EXPECT_EQ(0u, path.matches(L"x"));

    fillPath(path, {L"meta.x", L"ui.data.project", L"source.y"});
    EXPECT_TRUE(path.contains(L"ui.data.project"));
    EXPECT_FALSE(path.contains(L"ui.data") || path.contains(L"ui.data.project.x") || path.contains(nullptr));
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
    EXPECT_EQ(12u, caret.matches(L"source.c | meta.block")); // from the atom that won the rank
    EXPECT_EQ(13u, caret.matches(L"source"));
    EXPECT_EQ(0u, caret.matches(L"comment"));
    EXPECT_EQ(0u, caret.matches(L"")); // the empty selector names no segment
    EXPECT_THROW(caret.matches(L"a &"), pel::ParserException);
}

TEST(ScopePath, CopiedTextsOutliveTheirSourceAndGoWithClear) {
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
    ScopePath other; // may take the freed memory
    fillPath(other, {L"xxxxxxxxxxxxx", L"yyyyyyyy"}, true);
    EXPECT_EQ(L"source.c string.quoted", path.toString());
    path.append(path);
    EXPECT_EQ(L"source.c string.quoted source.c string.quoted", path.toString());

    for (int i = 0; i < 10000; ++i) {
        path.clear();
        fillPath(path, {L"string.quoted", L"source.c", L"ui.selection.normal"}, true);
    }
    // One block holds what the last fill copied: the earlier fills' blocks are gone.
    EXPECT_EQ(pel::TDataStorage::BLOCK_CHARS - (14 + 9 + 20), path.textRoomLeft());
}

TEST(ScopePath, DeeperMatchesRankHigherBeyondThirtyLevels) {
    std::vector<std::wstring> names;
    ScopePath path;
    for (int i = 0; i < 80; ++i)
        names.push_back(L"s" + std::to_wstring(i) + L".x");
    for (const std::wstring& name : names) // s0 innermost
        path.pushText(name.c_str(), false, 0);
    uint64_t outer = 0;
    for (int i = 80; i-- > 0;) {
        ScopeRank rank;
        ASSERT_TRUE(ScopeSelectorMatcher(ScopeSelector(names[i]), path).match(&rank, false));
        // Strictly higher while the 64-bit bases grow (past 60 levels); never lower once they saturate.
        EXPECT_TRUE(i > 20 ? rank.score > outer : rank.score >= outer) << i;
        outer = rank.score;
    }
}

TEST(ScopePath, ThreadsBuildPathsFromTheSharedPool) {
    std::vector<std::thread> threads;
    std::vector<int> faults(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &faults] {
            for (int i = 0; i < 2000; ++i) {
                ScopePath path;
                fillPath(path, {L"string.quoted", L"meta.block", L"source.c", L"a", L"b"}, (i + t) % 2 == 0);
                faults[t] += path.matches(L"source.c string") != 1 ||
                             path.toString() != L"b a source.c meta.block string.quoted";
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), faults);
}

// A path that continues into shared ones reads, prints and ranks as the flat path of the same
// names; the shared segments are walked, never copied.
TEST(ScopePath, APathContinuedIntoAnotherRanksAsItsFlatCopy) {
    ScopePath root, blank, middle, inner;
    fillPath(root, {L"meta.block.c", L"source.c"});
    blank.continueInto(root); // nameless, as a record of a rule without a scope name
    fillPath(middle, {L"string.quoted.double", L"meta.string"});
    middle.continueInto(blank);
    fillPath(inner, {L"constant.character.escape"});
    inner.continueInto(middle);

    ScopePath flat;
    flat.append(inner);
    EXPECT_EQ(5u, inner.size());
    EXPECT_EQ(L"source.c meta.block.c meta.string string.quoted.double constant.character.escape", inner.toString());
    EXPECT_EQ(flat.toString(), inner.toString());
    EXPECT_TRUE(inner.contains(L"meta.block.c") && !inner.contains(L"meta.block"));
    EXPECT_EQ(&root.segment(1), &inner.segment(4)) << "shared, not copied";

    const wchar_t* const selectors[] = {L"source.c string", L"meta.block constant", L"string - meta.string",
                                        L"source.c meta.string.quoted", L"meta | constant.character", L"c",
                                        L"source.c string.quoted.double constant", L"source meta meta string constant",
                                        L"source meta meta string constant source"};
    for (const wchar_t* text : selectors) {
        const ScopeSelector selector(text);
        for (bool anchored : {false, true}) {
            ScopeRank linked, copied;
            const bool matched = ScopeSelectorMatcher(selector, inner).match(&linked, anchored);
            EXPECT_EQ(ScopeSelectorMatcher(selector, flat).match(&copied, anchored), matched);
            EXPECT_EQ(copied.score, linked.score) << std::string(text, text + std::wcslen(text)) << anchored;
        }
        EXPECT_EQ(flat.matches(text), inner.matches(text));
    }
    EXPECT_EQ(1u, inner.matches(L"meta.block")) << "the value of the shared segment";
    EXPECT_EQ(3u, inner.parts().size()) << "only its own segment's hashes";

    inner.clear();
    EXPECT_TRUE(inner.empty() && inner.innermost() == nullptr);
    EXPECT_EQ(4u, middle.size()) << "the shared path keeps its segments";
}

// A batch of edits in a long line, made from its end back as the undo of a Replace All replays
// them: the seam just behind the edits rides along with them, and a piece is read again for the
// tabs it holds (a read of a whole piece is a block of its size) only where the batch cuts or
// joins pieces, every few thousand edits, not at every edit.

#include "EditorKeyTestSupport.h"
#include "editor/LineCache.h"
#include "support/WatchedHeap.h"

#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

using LongLineEditBatchTest = EditorKeyTest;

TEST_F(LongLineEditBatchTest, EditsFromTheLinesEndBackReadPiecesAgainOnlyWhereTheyAreCut) {
    constexpr int32_t PIECE = tessel::LineCache::PIECE_LENGTH;
    std::wstring line(static_cast<size_t>(PIECE) * 4, L'a');
    for (size_t at = 7; at < line.size(); at += 61)
        line[at] = L'\t';
    attach(line + L"\n");
    std::wstring expected = line;
    int edits = 0, reads = 0;
    const auto edit = [&](const std::function<void()>& change) {
        LargestAllocation watched;
        change();
        ++edits;
        reads += watched.bytes() >= static_cast<size_t>(PIECE) * sizeof(wchar_t) / 2;
    };
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_EDIT);
        // Across the seams near two and three pieces in, each character replaced in place.
        for (int32_t at = 3 * PIECE + 100; at > 2 * PIECE - 100; --at) {
            edit([&] { controller->removeAt(1, at); });
            edit([&] { controller->insertAt(1, at, L"b"); });
            expected[static_cast<size_t>(at)] = L'b';
        }
    }
    EXPECT_LT(reads, edits / 1000) << reads << " of " << edits << " edits read a piece";
    EXPECT_TRUE(expected + L"\n" == text());
}

} // namespace

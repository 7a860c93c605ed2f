#include "SpanTestSupport.h"

#include "service/parser/spans/SpanStream.h"
#include "support/LogCapture.h"

using namespace tessel;
using tessel_test::SpanTest;

namespace {

using Lock = DocumentController::Lock;

// The little-endian bytes of 32-bit numbers.
std::vector<uint8_t> bytesOf(std::initializer_list<int32_t> numbers) {
    std::vector<uint8_t> bytes;
    for (int32_t number : numbers)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(number) >> shift));
    return bytes;
}

} // namespace

TEST_F(SpanTest, GrowingAChildGrowsItsAncestorsAndMovesEverySpanAfterIt) {
    // Offsets only: [0, 20) holds a [2, 10) with b [2, 5), c [5, 5) and d [6, 9), then e [12, 15).
    std::unique_ptr<Span> top(new Span(20)), c(new Span(0));
    Span *a = new Span(8), *b = new Span(3), *d = new Span(3), *e = new Span(3);
    top->appendChild(a, 2, false, nullptr);
    top->appendChild(e, 12, false, nullptr);
    for (const auto& child : {std::make_pair(b, 2), std::make_pair(c.get(), 5), std::make_pair(d, 6)})
        a->appendChild(child.first, child.second, false, nullptr);
    b->setLength(6);
    const std::vector<std::pair<const Span*, std::pair<int32_t, int32_t>>> expected = {
        {top.get(), {0, 23}}, {a, {2, 11}}, {b, {2, 6}}, {c.get(), {8, 0}}, {d, {9, 3}}, {e, {15, 3}}};
    for (const auto& row : expected)
        EXPECT_EQ(row.second, std::make_pair(row.first->getStart(), row.first->getLength()));
    // A removed child keeps its offsets and so do the siblings after it: its text stays.
    a->removeChild(c.get());
    EXPECT_EQ(std::make_pair(8, 9), std::make_pair(c->getStart(), d->getStart()));
    EXPECT_EQ(2, a->getChildCount());
}

TEST_F(SpanTest, ThePrimaryRewritesEachMirrorOnceAndAMirrorEditStaysThere) {
    load(L"<>");
    select(1, 1);
    SpanContext* snippet = insertSnippet(L"${1:ab} ${1} ${1}", 1);
    EXPECT_EQ(L"<ab ab ab>", text());
    const TabStop* stop = snippet->findTabStop(1, false);
    ASSERT_EQ(3u, stop->spans.size());
    {
        // Each mirror is one removal and one insertion.
        tessel_test::RecordingListener listener;
        document->addListener(&listener);
        Lock lock(*controller, DocumentController::LOCK_EDIT);
        stop->primary->replaceText(*controller, 3, L"xyz");
        document->removeListener(&listener);
        size_t inserts = 0;
        for (const std::wstring& line : listener.events)
            inserts += line.compare(0, 7, L"insert ") == 0;
        EXPECT_EQ(3u, inserts);
    }
    EXPECT_EQ(L"<xyz xyz xyz>", text());
    {
        Lock lock(*controller, DocumentController::LOCK_EDIT);
        stop->spans[1]->replaceText(*controller, 1, L"q");
    }
    EXPECT_EQ(L"<xyz q xyz>", text());
    checkTree();
}

TEST_F(SpanTest, PlaceholdersHoldingEachOthersMirrorsEnd) {
    SpanContext* snippet = insertSnippet(L"${1:a${2}} ${2:b${1}}", 0);
    checkTree();
    {
        Lock lock(*controller, DocumentController::LOCK_EDIT);
        snippet->findTabStop(1, false)->primary->replaceText(*controller, 1, L"x");
        snippet->syncAllMirrors(*controller);
    }
    EXPECT_NE(std::wstring::npos, text().find(L'x'));
    checkTree();
}

TEST_F(SpanTest, DestroyingASpanUnbindsItAndItsTabStopStopsBeingCurrent) {
    SpanContext* snippet = insertSnippet(L"${1:a} ${1} ${2:${3:c}d}", 0);
    TabStop* one = snippet->findTabStop(1, false);
    EXPECT_EQ(one, snippet->getCurrentTabStop());
    Span* mirror = one->spans[1];
    one->primary->destroy();
    EXPECT_EQ(nullptr, snippet->findTabStop(1, false));
    EXPECT_EQ(nullptr, snippet->getCurrentTabStop());
    EXPECT_EQ(-1, mirror->getTabStop());
    // A placeholder goes with the placeholders inside it.
    snippet->findTabStop(2, false)->primary->destroy();
    EXPECT_TRUE(snippet->getTabStops().empty());
    checkTree();
}

TEST_F(SpanTest, AContextRecordHasItsStopsAndCurrentStopAndReadsBackEqual) {
    // Serials: the root 0, the snippet 1, placeholder 2 with its text 3, placeholder 4 with its
    // text 5, the mirror 6.
    SpanContext* snippet = insertSnippet(L"${1:ab}${2:c}${1}", 0, L"");
    EXPECT_EQ(L"abcab", text());
    tessel_test::MemoryStream saved;
    manager().saveUndoState(saved);
    SpanWriter out;
    snippet->write(out);
    // Name, start, length, range id, direction, tab stop, flags; the stops; the current one;
    // the context flags (active, highlighted, a snippet).
    EXPECT_EQ(bytesOf({0, 0, 5, -1, 1, -1, 1, 2, 1, 2, 2, 6, 2, 1, 4, 1, 7}), out.bytes());
    SpanWriter mirror;
    snippet->findTabStop(1, false)->spans[1]->write(mirror);
    EXPECT_EQ(bytesOf({0, 3, 2, -1, 1, 1, 1}), mirror.bytes());

    // Back through the manager's record: the same tree, the same bytes.
    const std::wstring before = dump();
    manager().restoreUndoState(saved);
    EXPECT_EQ(before, dump());
    tessel_test::MemoryStream again;
    manager().saveUndoState(again);
    EXPECT_EQ(saved.bytes, again.bytes);
    checkTree();
}

TEST_F(SpanTest, ADamagedRecordLeavesTheRootAlone) {
    insertSnippet(L"f(${1:a}, ${2:b})", 0);
    tessel_test::MemoryStream saved;
    manager().saveUndoState(saved);
    // A serial out of range, a class tag no span has, a short record.
    const std::vector<std::pair<size_t, uint8_t>> damages = {{4 + 12 * 2 + 4, 40}, {4 + 12, 9}, {0, 0}};
    for (const auto& damage : damages) {
        tessel_test::MemoryStream bad;
        bad.bytes = saved.bytes;
        if (damage.first == 0)
            bad.bytes.resize(bad.bytes.size() / 2);
        else
            bad.bytes[damage.first] = damage.second;
        tessel_test::LogCapture log;
        manager().restoreUndoState(bad);
        EXPECT_TRUE(log.contains(L"damaged"));
        EXPECT_EQ(1, manager().countSpans());
        checkTree();
    }
}

TEST_F(SpanTest, APatternThatDoesNotCompileIsLoggedOnceAndCopiesPlainly) {
    tessel_test::LogCapture log;
    insertSnippet(L"${1:x} ${1/(/b/}", 0);
    select(0, 1);
    type(L"ab");
    EXPECT_EQ(L"ab ab", text());
    size_t reports = 0;
    for (const tessel_test::LoggedLine& line : log.lines())
        if (line.text.find(L"TransformElement: RegEx `(` cannot be compiled.") != std::wstring::npos) {
            ++reports;
            EXPECT_EQ(pel::LOG_INFO, line.level);
            EXPECT_EQ(pel::LOG_UNKNOWN_SOURCE, line.source);
        }
    EXPECT_EQ(1u, reports);
}

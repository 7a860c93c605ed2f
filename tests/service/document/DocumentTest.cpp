#include "pel/base/Exception.h"
#include "pel/thread/Event.h"
#include "service/document/Document.h"
#include "service/document/LineScopeIterator.h"
#include "service/parser/base/DocumentGrammar.h"
#include "service/parser/base/DocumentScope.h"
#include "support/LogCapture.h"
#include "DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

using namespace tessel;
using tessel_test::lineEnds;
using tessel_test::RecordingListener;
using tessel_test::textOf;

namespace {

using Events = std::vector<std::wstring>;

class DocumentTest : public tessel_test::MainThreadTest {
protected:
    DocumentTest() { document.addListener(&listener); }
    ~DocumentTest() override { document.removeListener(&listener); }

    Document document;
    RecordingListener listener;
};

struct TestGrammar : DocumentGrammar {
    uint16_t rootRuleNumber() const override { return 3; }
    const wchar_t* rootScopeName() const override { return L"source.test"; }
};

// A parse record with the given runs (column, scope) and empty states.
void* makeRecord(std::initializer_list<ScopeRun> runs) {
    const uint32_t size = static_cast<uint32_t>(sizeof(LineRecordHeader) + 4 + runs.size() * sizeof(ScopeRun));
    auto* header = static_cast<LineRecordHeader*>(std::malloc(size));
    header->size = size;
    header->runsOffset = sizeof(LineRecordHeader) + 4; // a start state of two values
    header->endStateOffset = size;
    header->endStateSize = 0;
    std::memcpy(reinterpret_cast<char*>(header) + header->runsOffset, runs.begin(), runs.size() * sizeof(ScopeRun));
    return header;
}

} // namespace

TEST_F(DocumentTest, InsertingALineFeedSplitsTheLineAndTellsListenersBeforeAndAfter) {
    EXPECT_EQ((std::vector<int32_t>{0}), lineEnds(document)); // a new document holds one empty line
    EXPECT_TRUE(document.getFormat().isNew && !document.getFormat().modified);
    document.insert(0, L"a\nb");
    EXPECT_EQ((std::vector<int32_t>{2, 3}), lineEnds(document));
    EXPECT_EQ(1, document.getLineLength(0));
    EXPECT_EQ(1, document.getLineLength(1));
    EXPECT_EQ(2, document.getLineLengthWithBreak(0));
    EXPECT_EQ(0, document.getLineLength(2));
    EXPECT_EQ(0, document.getLineLength(-1));
    EXPECT_EQ((Events{L"insert 0+3 'a\nb' line 0 breaks 1", L"inserted 0+3 'a\nb' line 0 breaks 1"}), listener.take());

    // Behind a line feed is the next line; the length is the last line; below 0 is line 0.
    const std::pair<int32_t, int32_t> lookups[] = {{-5, 0}, {0, 0}, {1, 0}, {2, 1}, {3, 1}, {99, 1}};
    for (const auto& lookup : lookups)
        EXPECT_EQ(lookup.second, line_table_find_line(document.getLineTable(), lookup.first)) << lookup.first;
    const std::pair<int32_t, int32_t> starts[] = {{-1, 0}, {0, 0}, {1, 2}, {2, 3}, {7, 3}};
    for (const auto& start : starts)
        EXPECT_EQ(start.second, document.getLineStart(start.first)) << start.first;
}

TEST_F(DocumentTest, EditsOutsideTheTextAndEmptyEditsDoNothingAtAll) {
    document.insert(0, L"abc");
    listener.take();
    document.beginChange(0, false);
    document.insert(-1, 1, L"x");
    document.insert(4, 1, L"x");
    document.insert(1, 0, L"x");
    document.insert(1, -3, L"x");
    document.insert(1, 2, nullptr);
    document.remove(-1, 1);
    document.remove(3, 1);
    document.remove(1, 0);
    document.remove(1, -2);
    document.endChange();
    EXPECT_EQ(L"abc", textOf(document));
    // Without an undo log the earlier edit already counts as unsaved.
    EXPECT_EQ((Events{L"begin -1..-1", L"format 01", L"changed -1..-1"}), listener.take());

    document.remove(1, 99); // cut to the text behind the offset
    EXPECT_EQ(L"a", textOf(document));
    EXPECT_EQ((Events{L"remove 1+2 'bc' line 0 breaks 0", L"removed 1+2 'bc' line 0 breaks 0"}), listener.take());
}

TEST_F(DocumentTest, RemovedTextReachesTheListenersWholeWhereverTheGapWas) {
    // A loaded text with 4 spare units: 10 units before a gap of 4.
    auto* block = static_cast<wchar_t*>(std::malloc(14 * sizeof(wchar_t)));
    std::memcpy(block, L"0123456789", 10 * sizeof(wchar_t));
    document.setBuffer(GapBuffer(block, 10, 14), nullptr, 0);
    ASSERT_EQ(4, document.getBuffer().gapEnd() - document.getBuffer().gapStart());
    document.remove(0, 10);
    EXPECT_EQ((Events{L"remove 0+10 '0123456789' line 0 breaks 0", L"removed 0+10 '0123456789' line 0 breaks 0"}),
              listener.take());
    EXPECT_EQ(L"", textOf(document));
}

TEST_F(DocumentTest, ChangeBracketsGatherTheLinesTouchedAndRequestOneParse) {
    tessel_test::TestOwner owner(false);
    const struct {
        const char* name;
        std::function<void(Document&)> edits;
        int32_t first, last;
    } cases[] = {
        {"nothing", [](Document&) {}, -1, -1},
        {"insert with breaks", [](Document& d) { d.insert(3, L"x\ny\n"); }, 1, 3},
        {"before the range", [](Document& d) { d.insert(7, L"!"); d.insert(0, L"\n"); }, 0, 3},
        {"within the range", [](Document& d) { d.insert(9, L"\n\n"); d.insert(10, L"-"); }, 3, 5},
        {"behind the range", [](Document& d) { d.insert(0, L"\n"); d.insert(10, L"\n"); }, 0, 5},
        {"remove joins lines", [](Document& d) { d.remove(2, 4); }, 0, 2},
        {"remove behind", [](Document& d) { d.insert(0, L"#"); d.remove(12, 1); }, 0, 3},
        {"remove before", [](Document& d) { d.insert(12, L"#"); d.remove(0, 6); }, 0, 2},
    };
    for (const auto& c : cases) {
        Document parsed(&owner);
        std::unique_ptr<ParserJob> job(owner.parser.createJob(&parsed));
        parsed.setParserJob(job.get());
        parsed.insert(0, L"l0\nl1\nl2\nl3\nl4");
        RecordingListener recorder;
        parsed.addListener(&recorder);
        parsed.beginChange(7, false);
        c.edits(parsed);
        parsed.endChange();
        const ChangeRange& range = parsed.getChangeRange();
        EXPECT_EQ(std::make_pair(c.first, c.last), std::make_pair(range.firstLine, range.lastLine)) << c.name;
        EXPECT_EQ(7u, range.tag);
        // An empty bracket asks no parse but still tells onChanged.
        EXPECT_EQ(c.first < 0 ? Events{} : Events{pel::formatString(L"parse %d..%d", c.first, c.last)},
                  owner.parser.calls)
            << c.name;
        EXPECT_EQ(pel::formatString(L"changed %d..%d", c.first, c.last), recorder.events.back()) << c.name;
        owner.parser.calls.clear();
        parsed.removeListener(&recorder);
    }
}

// While parse requests are held, brackets ask none; the last release asks one for every line
// edited meanwhile, followed across the brackets' own line breaks as one bracket follows them.
TEST_F(DocumentTest, HeldParseRequestsBecomeOneForTheLinesEditedMeanwhile) {
    tessel_test::TestOwner owner(false);
    Document parsed(&owner);
    std::unique_ptr<ParserJob> job(owner.parser.createJob(&parsed));
    parsed.setParserJob(job.get());
    parsed.insert(0, L"l0\nl1\nl2\nl3\nl4\nl5");
    owner.parser.calls.clear();
    const auto bracket = [&](const std::function<void()>& edits) {
        parsed.beginChange(0, false);
        edits();
        parsed.endChange();
    };
    parsed.holdParseRequests();
    parsed.holdParseRequests();
    bracket([&] { parsed.insert(7, L"x"); });                 // line 2
    bracket([&] { parsed.insert(10, L"\n\n"); });           // line 3, two lines more: 2..5
    bracket([&] { parsed.remove(0, 3); });                     // the first line goes: 1..4
    bracket([] {});
    parsed.releaseParseRequests();
    EXPECT_TRUE(owner.parser.calls.empty()) << "an outer hold still holds";
    parsed.releaseParseRequests();
    EXPECT_EQ(Events{L"parse 0..4"}, owner.parser.calls);
    owner.parser.calls.clear();
    parsed.releaseParseRequests(); // one too many: nothing
    bracket([&] { parsed.insert(0, L"y"); });
    EXPECT_EQ(Events{L"parse 0..0"}, owner.parser.calls) << "no longer held";
    owner.parser.calls.clear();
    parsed.holdParseRequests();
    parsed.releaseParseRequests();
    EXPECT_TRUE(owner.parser.calls.empty()) << "nothing edited, nothing asked";
}

TEST_F(DocumentTest, ListenersHearInTheOrderAddedAndMayLeaveWhileTold) {
    struct Leaving : RecordingListener {
        Document* document = nullptr;
        DocumentListener* alsoRemove = nullptr;
        void onBeforeInsert(Document& d, const TextChange& c) override {
            RecordingListener::onBeforeInsert(d, c);
            document->removeListener(this);
            if (alsoRemove)
                document->removeListener(alsoRemove);
        }
    };
    RecordingListener first, last, removedByOther;
    Leaving leaving;
    first.name = L"1";
    leaving.name = L"2";
    removedByOther.name = L"3";
    last.name = L"4";
    leaving.document = &document;
    leaving.alsoRemove = &removedByOther;
    document.removeListener(&listener);
    std::vector<std::wstring> heard;
    for (RecordingListener* l : {&first, static_cast<RecordingListener*>(&leaving), &removedByOther, &last}) {
        document.addListener(l);
        document.addListener(l); // once only
    }
    document.insert(0, L"x");
    for (RecordingListener* l : {&first, static_cast<RecordingListener*>(&leaving), &removedByOther, &last})
        for (const auto& event : l->take())
            heard.push_back(event);
    EXPECT_EQ((Events{L"1 insert 0+1 'x' line 0 breaks 0", L"1 inserted 0+1 'x' line 0 breaks 0",
                      L"2 insert 0+1 'x' line 0 breaks 0", L"4 insert 0+1 'x' line 0 breaks 0",
                      L"4 inserted 0+1 'x' line 0 breaks 0"}),
              heard);
    document.insert(0, L"y");
    EXPECT_EQ(2u, first.take().size());
    EXPECT_TRUE(leaving.take().empty() && removedByOther.take().empty());
    document.removeListener(&first);
    document.removeListener(&last);
}

TEST_F(DocumentTest, FormatWritesNotifyOnlyWhatTheMaskCompares) {
    const struct {
        const char* name;
        std::function<void(DocumentFormat&)> change;
        uint32_t mask;
    } cases[] = {
        {"nothing", [](DocumentFormat&) {}, 0},
        {"detection only", [](DocumentFormat& f) { f.detectedEncoding = 5; f.tabWidthConfidence = 1; }, 0},
        {"modified", [](DocumentFormat& f) { f.modified = true; }, FORMAT_CHANGED_MODIFIED},
        {"is new", [](DocumentFormat& f) { f.isNew = false; }, FORMAT_CHANGED_IS_NEW},
        {"line ending", [](DocumentFormat& f) { f.lineEnding = LINE_ENDING_UNIX; }, FORMAT_CHANGED_ENCODING},
        {"indentation", [](DocumentFormat& f) { f.indentation.set(2, 1); }, FORMAT_CHANGED_ENCODING},
        {"path", [](DocumentFormat& f) { f.path = L"c:\\a.txt"; }, FORMAT_CHANGED_PATH},
        {"path value", [](DocumentFormat& f) { f.pathValue = 0.5f; }, FORMAT_CHANGED_PATH_FLAGS},
        {"two at once", [](DocumentFormat& f) { f.modified = false; f.encoding = 1200; }, 0x11},
    };
    for (const auto& c : cases) {
        DocumentFormat* format = document.accessFormat(true);
        c.change(*format);
        EXPECT_EQ(nullptr, document.accessFormat(false));
        EXPECT_EQ(c.mask ? Events{pel::formatString(L"format %02X", c.mask)} : Events{}, listener.take()) << c.name;
    }
}

TEST_F(DocumentTest, FormatChangesOnOtherThreadsReachTheAsynchronousOperation) {
    struct Async : DocumentListener {
        int sync = 0, async = 0;
        void onFormatChanged(Document&, const DocumentFormat&, uint32_t) override { ++sync; }
        void onFormatChangedAsync(Document&, const DocumentFormat&, uint32_t) override { ++async; }
    } counter;
    document.addListener(&counter);
    std::thread([&] { document.changeFormat([](DocumentFormat& f) { f.encoding = 1200; }); }).join();
    EXPECT_EQ(0, counter.sync);
    EXPECT_EQ(1, counter.async);
    document.removeListener(&counter);
}

TEST_F(DocumentTest, MarkersAreFoundForwardsBackwardsAndRoundTheEnd) {
    document.insert(0, L"0\n1\n2\n3\n4");
    listener.take();
    EXPECT_EQ(-1, document.findMarkedLine(0, true, true)); // none yet
    EXPECT_EQ(-1, document.findMarkedLine(4, false, true));

    document.setLineMarker(1, L"bookmark", 7, 1);
    document.setLineMarker(3, nullptr, 0, 2);
    document.setLineMarker(9, L"outside", 0, 1);
    EXPECT_EQ((Events{L"markers 1 1", L"markers 3 1"}), listener.take());
    const struct {
        int32_t line;
        bool forward, wrap;
        int32_t found;
    } cases[] = {{-5, true, false, 1}, {1, true, false, 3},  {3, true, false, -1}, {3, true, true, 1},
                 {3, false, false, 1}, {1, false, false, -1}, {1, false, true, 3},  {100, false, false, 3},
                 {4, false, false, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(c.found, document.findMarkedLine(c.line, c.forward, c.wrap))
            << c.line << (c.forward ? " forward" : " backward") << (c.wrap ? " wrap" : "");

    document.removeLineMarkers(1, 2); // a kind the line lacks: nobody hears
    EXPECT_TRUE(listener.take().empty());
    document.removeAllLineMarkers(1);
    EXPECT_EQ((Events{L"markers 1 1"}), listener.take());
    EXPECT_EQ(3, document.findMarkedLine(0, true, false));
    ASSERT_NE(nullptr, document.getLineMarkers(3));
    EXPECT_EQ(2u, (*document.getLineMarkers(3))[0].kind);

    // A marker follows its line's text; when lines join, the first keeps its header.
    document.insert(document.getLineStart(3), L"new\n");
    EXPECT_EQ(4, document.findMarkedLine(0, true, false));
    document.remove(document.getLineStart(3), 4);
    EXPECT_EQ(3, document.findMarkedLine(0, true, false));
    document.remove(document.getLineStart(3) - 1, 1);
    EXPECT_EQ(-1, document.findMarkedLine(0, true, true));
}

TEST_F(DocumentTest, LineRecordsGiveRunsScopesAndCursors) {
    TestGrammar grammar;
    document.insert(0, L"abcdef\nxyz");
    document.resetGrammarState(&grammar, false);
    const DocumentScope* root = document.getScopeRegistry().root();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(L"source.test", root->name());
    EXPECT_EQ(3, root->ruleNumber());

    EXPECT_EQ(nullptr, document.getLine(0));
    EXPECT_THROW(document.getLine(2), pel::IllegalStateException);
    EXPECT_THROW(document.getLineHeader(-1), pel::InvalidArgumentException);
    std::unique_ptr<LineScopeIterator> cursor = document.createLineScopeIterator(0);
    ASSERT_NE(nullptr, cursor);
    EXPECT_EQ(nullptr, cursor->runs);
    EXPECT_EQ(0u, cursor->scope);

    document.getLineHeader(0)->parsedLine = makeRecord({{0, 0}, {2, 5}, {4, 0}});
    const std::unique_ptr<LineRuns> runs = document.getLine(0);
    ASSERT_NE(nullptr, runs);
    EXPECT_EQ(3u, runs->count);
    cursor = document.createLineScopeIterator(0);
    std::vector<uint32_t> walked{cursor->position, cursor->scope, cursor->runEnd(6)};
    while (cursor->next())
        walked.insert(walked.end(), {cursor->position, cursor->scope, cursor->runEnd(6)});
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 2, 2, 5, 4, 4, 0, 6}), walked);
    // Index 5 is no record of the null registry: the root answers.
    EXPECT_EQ(root, document.getScopeAt(3));
    EXPECT_EQ(root, document.getScopeAt(8));

    // An edit drops nothing but marks the lines; a grammar change frees every record.
    document.insert(1, L"\n");
    EXPECT_NE(0, document.getLineHeader(0)->flags & LINE_NEEDS_PARSING);
    EXPECT_NE(nullptr, document.getLine(0));
    document.resetGrammarState(nullptr, false);
    EXPECT_EQ(nullptr, document.getLine(0));
    EXPECT_EQ(L"none", document.getScopeRegistry().root()->name());
}

TEST_F(DocumentTest, GrammarChangesClearTheJobAndTellListenersOfNewNamesOnly) {
    tessel_test::TestOwner owner(false);
    Document parsed(&owner);
    std::unique_ptr<ParserJob> job(owner.parser.createJob(&parsed));
    parsed.setParserJob(job.get());
    RecordingListener recorder;
    parsed.addListener(&recorder);
    parsed.setGrammarName(L"C");
    parsed.setGrammarName(L"C");
    EXPECT_EQ((Events{L"grammar C"}), recorder.take());

    TestGrammar grammar;
    parsed.insert(0, L"a\nb");
    parsed.resetGrammarState(nullptr, false); // nothing before, nothing after
    parsed.resetGrammarState(&grammar, false);
    parsed.resetGrammarState(nullptr, false);
    parsed.resetGrammarState(nullptr, true);
    EXPECT_EQ((Events{L"clear 0..1", L"clear 0..1", L"reset", L"clear 0..1"}), owner.parser.calls);
    parsed.removeListener(&recorder);
}

TEST_F(DocumentTest, VisualColumnsExpandTabsAndCountPastTheLineEnd) {
    document.insert(0, L"\tab\tc\nx");
    document.changeFormat([](DocumentFormat& f) { f.indentation.set(4, 0); });
    const std::pair<int32_t, int32_t> columns[] = {{0, 0}, {-2, 0}, {1, 4}, {3, 6}, {4, 8}, {5, 9}, {7, 11}};
    for (const auto& column : columns)
        EXPECT_EQ(column.second, document.getVisualColumn(0, column.first)) << column.first;
    EXPECT_EQ(3, document.getVisualColumn(5, 3)) << "a line past the end counts every character 1";
}

TEST_F(DocumentTest, VisualColumnsOfALongLineAreThoseOfAWalkUnitByUnit) {
    // Tabs at uneven distances, some side by side, and the gap moved into the line by an edit
    // there, so that a column is counted on both sides of it.
    std::wstring line;
    for (int i = 0; line.size() < 300000; ++i)
        line += std::wstring(static_cast<size_t>(i * 7 % 13), L'x') + (i % 5 ? L"\t" : L"\t\t");
    document.insert(0, L"first\n" + line + L"\nlast");
    const int32_t middle = static_cast<int32_t>(line.size() / 2) + 1;
    document.insert(6 + middle, L"y");
    line.insert(static_cast<size_t>(middle), L"y");
    document.changeFormat([](DocumentFormat& f) { f.indentation.set(3, 0); });
    std::vector<int32_t> walked(1, 0);
    for (wchar_t unit : line)
        walked.push_back(unit == L'\t' ? (walked.back() / 3 + 1) * 3 : walked.back() + 1);
    const int32_t length = static_cast<int32_t>(line.size());
    std::vector<int32_t> offsets = {1, 2, 63, 64, 65, 127, 128, 129, middle - 1, middle, middle + 1, length - 1};
    for (int32_t at = 0; at < length; at += 997)
        offsets.push_back(at);
    for (int32_t at : offsets)
        ASSERT_EQ(walked[static_cast<size_t>(at)], document.getVisualColumn(1, at)) << at;
    EXPECT_EQ(walked.back() + 5, document.getVisualColumn(1, length + 5));
}

TEST_F(DocumentTest, ScanLinesGivesEachLineUntilTheDetectorStops) {
    document.insert(0, L"one\ntwo\nthree");
    std::vector<std::wstring> seen;
    const int32_t stopped = document.scanLines([&](int32_t line, int32_t start, const wchar_t* text, int32_t length) {
        seen.push_back(pel::formatString(L"%d@%d ", line, start) + std::wstring(text ? text : L"", static_cast<size_t>(length)));
        return true;
    });
    EXPECT_EQ(4, stopped);
    EXPECT_EQ((Events{L"0@0 one", L"1@4 two", L"2@8 three", L"3@13 "}), seen);
    EXPECT_EQ(1, document.scanLines([](int32_t line, int32_t, const wchar_t*, int32_t) { return line < 1; }));
}

TEST_F(DocumentTest, ALoadedBufferBringsItsLinesAndResetEmptiesTheDocument) {
    const std::wstring text = L"ab\ncd\n\nef";
    auto* block = static_cast<wchar_t*>(std::malloc(32 * sizeof(wchar_t)));
    std::memcpy(block, text.data(), text.size() * sizeof(wchar_t));
    const int32_t feeds[] = {3, 6, 7};
    document.setBuffer(GapBuffer(block, static_cast<int32_t>(text.size()), 32), feeds, 3);
    EXPECT_EQ(text, textOf(document));
    EXPECT_EQ((std::vector<int32_t>{3, 6, 7, 9}), lineEnds(document));
    for (int32_t line = 0; line < 4; ++line)
        EXPECT_EQ(LINE_IN_USE, document.getLineHeader(line)->flags) << line;

    const int32_t wrong[][2] = {{1, 2}, {3, 3}, {2, 0}, {2, 2}};
    for (const auto& feedsOf : wrong) {
        auto* other = static_cast<wchar_t*>(std::malloc(4 * sizeof(wchar_t)));
        std::memcpy(other, L"a\nb", 3 * sizeof(wchar_t));
        EXPECT_THROW(document.setBuffer(GapBuffer(other, 3, 4), feedsOf, 2), pel::InvalidArgumentException);
    }
    EXPECT_EQ(text, textOf(document)) << "a refused buffer changes nothing";

    document.changeFormat([](DocumentFormat& f) { f.encoding = 1200; });
    document.reset();
    EXPECT_EQ(L"", textOf(document));
    EXPECT_EQ(1, document.getLineCount());
    EXPECT_EQ(DEFAULT_ENCODING, document.getFormat().encoding);
    EXPECT_EQ(1024, document.getBuffer().capacity());
}

TEST_F(DocumentTest, TextThatCannotBeMadeRoomForIsRefusedBeforeAnyoneHears) {
    document.insert(0, L"abc");
    document.beginChange(0, false);
    listener.take();
    EXPECT_THROW(document.insert(1, 0x40000000, L"x"), pel::OutOfMemoryException);
    EXPECT_TRUE(listener.take().empty());
    EXPECT_EQ(L"abc", textOf(document));
    EXPECT_EQ(-1, document.getChangeRange().firstLine);
    document.endChange();
}

TEST_F(DocumentTest, TextReadFromTheDocumentItselfCanBeInsertedAgain) {
    document.insert(0, L"abc");
    const wchar_t* own = document.getBuffer().firstHalf();
    document.insert(3, 3, own);
    document.insert(0, 6, document.getBuffer().firstHalf());
    EXPECT_EQ(L"abcabcabcabc", textOf(document));

    document.insert(2, L"-"); // ranges across the gap, cut to the text
    std::wstring out = L">";
    static_cast<const ITextRangeSource&>(document).appendTextRange(-4, 5, &out);
    document.appendTextRange(11, 99, &out);
    document.appendTextRange(5, 2, &out);
    EXPECT_EQ(L">ab-cabc", out);
}

// Line breaks in the text are single line feeds whoever inserts: a CR that reaches the document
// is logged as a fault of its caller and goes in as a line feed, CR LF as one.
TEST_F(DocumentTest, CarriageReturnsGoInAsLineFeedsWithASoftAssertion) {
    {
        tessel_test::LogCapture log;
        document.insert(0, L"ab");
        EXPECT_FALSE(log.contains(L"Assertion failed"));
    }
    const struct {
        std::wstring inserted;
        std::wstring text;
    } cases[] = {
        {L"one\r\ntwo", L"aone\ntwob"},
        {L"\r", L"a\nb"},
        {L"x\r\r\ny\n\rz", L"ax\n\ny\n\nzb"},
        {L"\r\n", L"a\nb"},
    };
    for (const auto& c : cases) {
        document.remove(1, document.getLength() - 2);
        tessel_test::LogCapture log;
        document.insert(1, c.inserted);
        EXPECT_TRUE(log.contains(L"Assertion failed")) << textOf(document).size();
        EXPECT_EQ(c.text, textOf(document));
        int32_t feeds = 0;
        for (wchar_t unit : c.text)
            feeds += unit == L'\n';
        EXPECT_EQ(feeds + 1, document.getLineCount());
    }
}

TEST_F(DocumentTest, TheLockNestsOnTheMainThreadOnly) {
    document.lock();
    document.lock();
    EXPECT_EQ(2, document.getLockCount());
    std::thread([&] {
        EXPECT_EQ(pel::Semaphore::TimedOut, document.getLockMutex().wait(0));
        EXPECT_THROW(document.lock(), pel::IllegalStateException);
    }).join();
    document.unlock();
    document.unlock();
    std::thread([&] {
        ASSERT_EQ(pel::Semaphore::Signalled, document.getLockMutex().wait(0));
        document.getLockMutex().release();
    }).join();
}

// While the loader saves, the main thread holds the mutex for it: no parse worker takes it, and
// the main thread's own lock and further holds (a save asked inside the wait of a failed one), in
// whatever order they come, never wait for the mutex this thread holds already.
TEST_F(DocumentTest, WhileTheLoaderSavesTheMainThreadReadsBesideItAndEditsAreRefused) {
    document.insert(0, L"kept");
    auto workerGetsTheMutex = [&] {
        int got = pel::Semaphore::TimedOut;
        std::thread([&] {
            if ((got = document.getLockMutex().wait(0)) == pel::Semaphore::Signalled)
                document.getLockMutex().release();
        }).join();
        return got == pel::Semaphore::Signalled;
    };
    document.holdMutexForLoader();
    document.setLoaderAccess(Document::LOADER_READS);
    EXPECT_TRUE(document.isMutexHeldForLoader());
    EXPECT_FALSE(workerGetsTheMutex());
    document.lock();
    document.holdMutexForLoader();
    document.lock();
    EXPECT_EQ(L"kept", textOf(document));
    EXPECT_THROW(document.insert(0, L"x"), pel::IllegalStateException);
    EXPECT_THROW(document.remove(0, 1, false), pel::IllegalStateException);
    document.unlock();
    document.releaseMutexForLoader();
    document.unlock();
    EXPECT_FALSE(workerGetsTheMutex()) << "given back while the first save still holds it";
    document.setLoaderAccess(Document::LOADER_NONE);
    document.releaseMutexForLoader();
    EXPECT_FALSE(document.isMutexHeldForLoader());
    EXPECT_TRUE(workerGetsTheMutex());
    // A hold while the lock holds the mutex: the mutex stays until the last of them goes.
    document.lock();
    document.holdMutexForLoader();
    document.unlock();
    EXPECT_FALSE(workerGetsTheMutex());
    document.releaseMutexForLoader();
    EXPECT_TRUE(workerGetsTheMutex());
    document.lock();
    document.insert(4, L"!");
    document.unlock();
    EXPECT_EQ(L"kept!", textOf(document));
}

TEST_F(DocumentTest, PositionHoldersShiftBeforeTheTextChanges) {
    struct Holder : PositionHolder {
        std::vector<int32_t> shifts;
        Document* document;
        void onTextShifted(int32_t offset, int32_t delta) override {
            shifts.insert(shifts.end(), {offset, delta, document->getLength()});
        }
    } holder;
    holder.document = &document;
    document.getPositions().add(&holder);
    document.insert(0, L"abc");
    document.remove(1, 2);
    document.getPositions().remove(&holder);
    document.insert(0, L"z");
    EXPECT_EQ((std::vector<int32_t>{0, 3, 0, 1, -2, 3}), holder.shifts);
}

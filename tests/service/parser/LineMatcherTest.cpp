#include "service/parser/DynamicEndStore.h"
#include "service/parser/LineMatcher.h"

#include "support/LogCapture.h"
#include "ParsedDocument.h"
#include "ParserTestSupport.h"
#include "TestGrammars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <random>

#include <windows.h>

using namespace tessel;
using namespace tessel_test;

namespace {

// The time this thread has run, in milliseconds: what a line cost the parser, whatever else the
// machine ran meanwhile (the budget itself is read from the wall clock, so a loaded machine only
// ends a line sooner).
uint64_t threadRunMs() {
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return (ticks(kernel) + ticks(user)) / 10000;
}

// The anchored walk, as a reference: every pattern matched at every position.
class AnchoredMatcher : public LineMatcher {
protected:
    int nextStart(Probe& probe, int pos) override { return matchAt(probe, pos); }
};

// Assignments, delimiters completed from the begin match, \G after a begin, a match over pairs.
std::shared_ptr<GrammarRuleSet> beyondAsciiGrammar() {
    GrammarBuilder g(L"source.u");
    auto* assign = g.match(L"(\\w+)(=)", L"meta.assign", {{1, L"variable"}, {2, L"keyword.operator"}});
    auto* quote = g.beginEnd(L"q(\\S)", L"\\1", L"string.quoted", nullptr, {{1, L"punctuation.delimiter"}});
    auto* guillemets = g.beginEnd(L"\u00AB", L"\u00BB", L"meta.guillemets");
    auto* head = g.match(L"\\G\\w+", L"entity.name");
    auto* word = g.match(L"\\w+", L"meta.word");
    auto* emoji = g.match(L"<\\x{1F600}+>", L"constant.emoji");
    auto* cjk = g.match(L"[\\x{4E00}-\\x{9FFF}]+", L"text.cjk");
    g.patterns(g.root(), {assign, quote, guillemets, emoji, cjk});
    g.patterns(guillemets, {head, word});
    return g.finish();
}

// Parentheses whose words, searched in the parentheses and again after them, lose to a symbol of
// three bytes in UTF-8.
std::shared_ptr<GrammarRuleSet> boundGrammar() {
    GrammarBuilder g(L"source.t");
    auto* paren = g.beginEnd(L"\\(", L"\\)", L"meta.paren");
    auto* word = g.match(L"\\w\\S*", L"meta.word");
    auto* symbol = g.match(L"\\x{2A80}", L"meta.symbol");
    g.patterns(g.root(), {paren, word});
    g.patterns(paren, {word, symbol});
    return g.finish();
}

// A document of one grammar with a matcher bound to it.
struct Parsed {
    Parsed(std::shared_ptr<GrammarRuleSet> rules, const std::wstring& text, bool anchored = false)
        : set(std::move(rules)), matcher(anchored ? new AnchoredMatcher() : new LineMatcher()) {
        insertText(document, 0, text);
        setGrammar(document, findRule(set->rule(1)->scope, *set));
        matcher->bind(document, set.get(), 0, store);
    }
    ~Parsed() { matcher->unbind(); }
    void parseAll() {
        for (int32_t line = 0; line < document.getLineCount(); ++line)
            EXPECT_TRUE(matcher->parseLine(line)) << line;
    }
    const void* record(int32_t line) { return document.getLineHeader(line)->parsedLine; }
    uint32_t endPairs(int32_t line) { return lineRecordEndState(record(line)).byteSize / 4; }

    std::shared_ptr<GrammarRuleSet> set;
    ParserOwner owner;
    Document document{&owner};
    DynamicEndStore store;
    std::unique_ptr<LineMatcher> matcher;
};

class LineMatcherTest : public MainThreadTest {};

size_t countLogged(const LogCapture& log, const std::wstring& part) {
    const std::vector<LoggedLine> lines = log.lines();
    return std::count_if(lines.begin(), lines.end(), [&](const LoggedLine& line) { return line.text.find(part) != std::wstring::npos; });
}

TEST_F(LineMatcherTest, EachGrammarColoursItsFixtureAsTheGoldenDumpSays) {
    const struct {
        std::shared_ptr<GrammarRuleSet> (*grammar)();
        const wchar_t* text;
        const wchar_t* golden;
    } rows[] = {
        {jsonGrammar, L"{\"a\": [1, -2.5e3, true, null],\n \"b\\n\\q\": {\"c\": \"x\"}, ?\n \"d\": \"open\n}\n",
#include "golden/json.txt"
        },
        {cGrammar, L"#include <stdio.h>\nint main(void) { /* a\n still */ if (x) {\n  return f(\"s\\\"\", 2); // c\n}}\n\"open\n",
#include "golden/c.txt"
        },
        {heredocGrammar, L"x = 1 y=z <<EOT\nbody ${ who are } @mark\nEOT\n@tag ${\n  inner}\n",
#include "golden/heredoc.txt"
        },
        {switchGrammar, L"static void f(int j)\n{\n  switch( j ){\n    case 1: {\n      j = 2;\n    }\n  }\n}\n"
                        L"  switch (j) { case 2: j = 3; }\n  x = 1; switch(j){} ;\n",
#include "golden/switch.txt"
        },
    };
    for (const auto& row : rows) {
        Parsed parsed(row.grammar(), row.text);
        parsed.parseAll();
        const std::wstring dump = dumpDocument(parsed.document);
        EXPECT_EQ(row.golden + 1, dump) << "got:\n" << std::string(dump.begin(), dump.end());
    }
}

struct RandomTexts {
    std::shared_ptr<GrammarRuleSet> (*grammar)();
    std::vector<const wchar_t*> tokens;
};

// Random lines of the tokens (empty ones, short ones and long ones): the searching matcher, its
// patterns' costs taken as given (or, mixed, each pattern's drawn at random each round), writes
// the anchored walk's records byte for byte.
void expectSearchingWritesTheAnchoredRecords(const RandomTexts& row, std::mt19937& random,
                                             LineMatcher::PatternCosts costs = LineMatcher::PatternCosts::TIMED) {
    for (int round = 0; round < 6; ++round) {
        std::wstring text;
        for (int line = 0; line < 40; ++line) {
            const int shape = static_cast<int>(random() % 10);
            const int tokens = shape == 0 ? 0 : shape == 1 ? 600 : static_cast<int>(random() % 12);
            for (int i = 0; i < tokens; ++i)
                text += row.tokens[random() % row.tokens.size()];
            text += L'\n';
        }
        Parsed searching(row.grammar(), text), anchored(row.grammar(), text, true);
        if (costs == LineMatcher::PatternCosts::CHOSEN) {
            auto drawn = std::make_shared<std::map<const pel::RegEx*, bool>>();
            const uint32_t seed = random();
            searching.matcher->setPatternCosts(costs, [drawn, seed](const pel::RegEx& pattern) {
                const auto known = drawn->find(&pattern);
                if (known != drawn->end())
                    return known->second;
                return (*drawn)[&pattern] = ((seed >> (drawn->size() % 32)) & 1) != 0;
            });
        } else {
            searching.matcher->setPatternCosts(costs);
        }
        searching.parseAll();
        anchored.parseAll();
        for (int32_t line = 0; line < searching.document.getLineCount(); ++line) {
            const auto* a = static_cast<const LineRecordHeader*>(anchored.record(line));
            ASSERT_EQ(0, std::memcmp(a, searching.record(line), a->size)) << "round " << round << " line " << line;
        }
    }
}

// Each grammar's tokens with surrogate pairs.
TEST_F(LineMatcherTest, SearchingWritesTheAnchoredWalksRecordsOnRandomTexts) {
    const RandomTexts rows[] = {
        {jsonGrammar, {L"{", L"}", L"[", L"]", L"\"", L"\\", L"n", L"u12aF", L":", L",", L"12", L"-3.5e2", L"true",
                       L" ", L"x", L"\xD83D\xDE00"}},
        {cGrammar, {L"/*", L"*/", L"//", L"\"", L"\\", L"{", L"}", L"if", L"int", L"f(", L")", L" ", L"42", L"#include <a>",
                    L"\n#", L"\xD834\xDD1E", L"z"}},
        {heredocGrammar, {L"<<A", L"<<a.b", L"\nA\n", L"\na.b\n", L"${", L"}", L"@", L"w", L"x=1", L"y = z", L" ",
                          L"\xD83D\xDE00", L"q"}},
    };
    std::mt19937 random(20261207);
    for (const auto& row : rows)
        expectSearchingWritesTheAnchoredRecords(row, random);
}

// Each way of searching a short line's patterns: each pattern's own search to the line's end;
// and each pattern matched place by place only as far as it could still win (look-behinds, \G
// after a begin, captures, ends completed from the begin).
TEST_F(LineMatcherTest, EachWayOfSearchingShortLinesWritesTheAnchoredWalksRecords) {
    using Costs = LineMatcher::PatternCosts;
    const RandomTexts rows[] = {
        {cGrammar, {L"/*", L"*/", L"//", L"\"", L"\\", L"{", L"}", L"if", L"int", L"f(", L")", L" ", L"42", L"#include <a>",
                    L"\n#", L"\xD834\xDD1E", L"z"}},
        {heredocGrammar, {L"<<A", L"<<a.b", L"\nA\n", L"${", L"}", L"@", L"w", L"x=1", L"y = z", L" ", L"\u00E9", L"q"}},
        {beyondAsciiGrammar, {L"\u00E9", L"\u3042", L"\xD83D\xDE00", L"=", L"q", L" ", L"\u00AB", L"\u00BB", L"<", L">",
                              L"\u4E2D", L"x", L"\n\u00AB"}},
    };
    std::mt19937 random(20261209);
    for (const Costs costs : {Costs::NONE_COSTLY, Costs::ALL_COSTLY})
        for (const auto& row : rows)
            expectSearchingWritesTheAnchoredRecords(row, random, costs);
}

// Patterns costly and cheap mixed at random in each rule, on lines of characters of one to four
// bytes: wherever a costly pattern's search stops short of the line's end, a later search from
// there begins on a character.
TEST_F(LineMatcherTest, RandomMixesOfCostlyAndCheapPatternsWriteTheAnchoredWalksRecords) {
    const RandomTexts rows[] = {
        {boundGrammar, {L"(", L")", L" ", L"\u2A80", L"abc", L"\u00E9", L"\xD83D\xDE00", L"x\u3042", L"\n(", L"\u00AA"}},
        {beyondAsciiGrammar, {L"\u00E9", L"\u3042", L"\u2A80", L"\xD83D\xDE00", L"=", L"q", L" ", L"\u00AB", L"\u00BB", L"<",
                              L">", L"\u4E2D", L"\u00AA", L"x", L"\n\u00AB"}},
        {heredocGrammar, {L"<<\u00E9", L"\n\u00E9\n", L"${", L"}", L"@", L"w", L"x=1", L"y = \u3042", L" ", L"\u2A80",
                          L"\xD83D\xDE00", L"q"}},
        {cGrammar, {L"/*", L"*/", L"//", L"\"", L"\\", L"{", L"}", L"if", L"int", L"f(", L")", L" ", L"42", L"\u2A80",
                    L"#include <\u00E9>", L"\n#", L"\xD834\xDD1E", L"z\u00E9"}},
        {jsonGrammar, {L"{", L"}", L"[", L"]", L"\"", L"\\", L"u12aF", L":", L",", L"-3.5e2", L"true", L" ", L"\u2A80",
                       L"\u00E9", L"\xD83D\xDE00"}},
        {switchGrammar, {L"switch", L"case", L"(", L")", L"{", L"}", L"<%", L"%>", L" ", L"  ", L"1", L":", L"=", L";", L"/* c */",
                         L"\u00E9", L"\u2A80", L"\n"}},
    };
    std::mt19937 random(20261210);
    for (int mix = 0; mix < 3; ++mix)
        for (const auto& row : rows) {
            SCOPED_TRACE(testing::Message() << "mix " << mix << " grammar " << &row - rows);
            expectSearchingWritesTheAnchoredRecords(row, random, LineMatcher::PatternCosts::CHOSEN);
        }
}

// A costly pattern earlier in its rule than the winner is tried only as far as the winner's
// character; when that character takes several bytes, its search stops after the character,
// not inside it, and a later search from there (the same pattern in the parent rule) reads the
// next character, not the byte AA of U+2A80 (E2 AA 80) as the letter U+00AA.
TEST_F(LineMatcherTest, ACostlySearchStoppedAtACharacterOfSeveralBytesResumesAfterIt) {
    const std::wstring text = L"( )\u2A80abc\n";
    Parsed anchored(boundGrammar(), text, true);
    anchored.parseAll();
    const std::wstring expected = L"0:source.t meta.paren|3:source.t|4:source.t meta.word|7:source.t => [0:0]";
    ASSERT_EQ(expected, dumpLine(anchored.document, 0));
    for (const bool wordCostly : {false, true}) {
        Parsed parsed(boundGrammar(), text);
        parsed.matcher->setPatternCosts(LineMatcher::PatternCosts::CHOSEN, [wordCostly](const pel::RegEx& pattern) {
            return wordCostly && pattern.getPattern() == L"\\w\\S*";
        });
        parsed.parseAll();
        EXPECT_EQ(expected, dumpLine(parsed.document, 0)) << "word costly: " << wordCostly;
    }
}

// What a matcher learns of a rule set's patterns (their costs) serves later steps bound to that
// set only: bound to one set, then (that set gone) to another, perhaps made at the same place, it
// writes what a new matcher writes.
TEST_F(LineMatcherTest, WhatAMatcherLearnsOfOneRuleSetServesNoOther) {
    std::wstring text;
    for (int line = 0; line < 300; ++line)
        text += line % 3 ? L"{\"a\": [1, true], \"b\": \"s\"} /* c */ if (x) f(\"q\", 2);\n" : L"int main(void) { return 0; }\n";
    LineMatcher reused;
    for (int round = 0; round < 4; ++round) {
        std::shared_ptr<GrammarRuleSet> rules = round % 2 ? jsonGrammar() : cGrammar();
        ParserOwner owner;
        Document document{&owner};
        DynamicEndStore store;
        insertText(document, 0, text);
        setGrammar(document, findRule(rules->rule(1)->scope, *rules));
        for (int32_t first = 0; first < document.getLineCount(); first += 100) {
            // Steps of 100 lines, as the parser's slices bind and unbind.
            reused.bind(document, rules.get(), 0, store);
            for (int32_t line = first; line < std::min(first + 100, document.getLineCount()); ++line)
                ASSERT_TRUE(reused.parseLine(line));
            reused.unbind();
        }
        Parsed fresh(rules, text);
        fresh.parseAll();
        for (int32_t line = 0; line < document.getLineCount(); ++line) {
            const auto* expected = static_cast<const LineRecordHeader*>(fresh.record(line));
            ASSERT_EQ(0, std::memcmp(expected, document.getLineHeader(line)->parsedLine, expected->size))
                << "round " << round << " line " << line;
        }
    }
}

// Words, operators and delimiters of characters of two, three and four bytes in UTF-8, and lone
// surrogates: a long line's search windows end between characters wherever they fall.
TEST_F(LineMatcherTest, SearchingWritesTheAnchoredWalksRecordsOnTextsBeyondAscii) {
    const RandomTexts rows[] = {
        {beyondAsciiGrammar, {L"\u00E9", L"\u3042", L"\u2A80", L"\xD83D\xDE00", L"\xD800", L"=", L"q", L" ", L"\u00AB",
                              L"\u00BB", L"<", L">", L"\u4E2D", L"\u00AA", L"x", L"\n\u00AB"}},
        {heredocGrammar, {L"<<\u00E9", L"\n\u00E9\n", L"<<\u3042\u00E9", L"\n\u3042\u00E9\n", L"${", L"}", L"@",
                          L"\u2A80", L"\u3042", L" ", L"\xD83D\xDE00", L"\xD800"}},
    };
    RandomTexts sparse{beyondAsciiGrammar, {L"\u00AB", L"\u00E9"}};
    sparse.tokens.insert(sparse.tokens.end(), 40, L"\u2A80\u2A80\u2A80"); // words far apart
    std::mt19937 random(20261208);
    expectSearchingWritesTheAnchoredRecords(sparse, random);
    for (const auto& row : rows)
        expectSearchingWritesTheAnchoredRecords(row, random);
}

TEST_F(LineMatcherTest, AnUnterminatedBeginGoesOnUntilRemovedAndTheEmptyLastLineHasNoRuns) {
    Parsed parsed(cGrammar(), L"a /* b\nc\nd\n");
    parsed.parseAll();
    EXPECT_EQ(2u, parsed.endPairs(3));
    EXPECT_TRUE(parsed.matcher->stateMatches(1));

    editText(parsed.document, 2, 2, L"");
    int parsedLines = 0;
    for (int32_t line = 0; line < parsed.document.getLineCount(); ++line)
        if (!parsed.matcher->stateMatches(line))
            parsedLines += parsed.matcher->parseLine(line) && parsed.endPairs(line) == 1;
    EXPECT_EQ(4, parsedLines);
    const auto* last = static_cast<const LineRecordHeader*>(parsed.record(3));
    EXPECT_EQ(24u, last->size);
    EXPECT_EQ(0u, lineRecordRuns(last).count);
    EXPECT_EQ(0, std::memcmp(lineRecordStartState(last).values, lineRecordEndState(last).values, 4));
}

TEST_F(LineMatcherTest, HeredocDelimitersEndOnlyOnTheirOwnTextAndEachDocumentHasItsOwnEndPatterns) {
    Parsed dots(heredocGrammar(), L"<<a.b\naxb\na.b\n<<a|b\na\na|b\n");
    Parsed other(heredocGrammar(), L"<<q\n");
    dots.parseAll();
    other.parseAll();
    const uint32_t pairs[] = {2, 2, 1, 2, 2, 1};
    for (int32_t line = 0; line < 6; ++line)
        EXPECT_EQ(pairs[line], dots.endPairs(line)) << line;
    EXPECT_EQ(2u, dots.store.size());
    EXPECT_EQ(1u, other.store.size());
    EXPECT_EQ(1u, lineRecordEndState(other.record(0)).values[2]); // its own first index
}

TEST_F(LineMatcherTest, ALineBeyondTheColumnLimitKeepsItsRunsInOrderAndFollowsTheState) {
    std::wstring line = L"[";
    while (line.size() < 70000)
        line += L"1,";
    Parsed parsed(jsonGrammar(), line + L"]\n{\n");
    parsed.parseAll();
    const LineRuns runs = lineRecordRuns(parsed.record(0));
    ASSERT_GT(runs.count, 1000u);
    for (uint32_t i = 1; i < runs.count; ++i)
        ASSERT_LT(runs.runs[i - 1].column, runs.runs[i].column) << i;
    EXPECT_EQ(1u, parsed.endPairs(0)); // the closing bracket beyond the limit still closed the array
    EXPECT_EQ(2u, parsed.endPairs(1));
}

// A line of megabytes is read only up to MAX_LINE_READ, as a budget would stop it: the array
// opened before the cut stays open, with one log line, and the lines after parse on from there.
TEST_F(LineMatcherTest, ALineLongerThanWhatIsReadStopsAtTheCutKeepingItsState) {
    std::wstring line = L"[";
    while (line.size() < static_cast<size_t>(LineMatcher::MAX_LINE_READ) + 100)
        line += L"1,";
    Parsed parsed(jsonGrammar(), line + L"]\n{\n" + line.substr(0, 1000) + L"]\n");
    LogCapture log;
    parsed.parseAll();
    EXPECT_EQ(1u, countLogged(log, L"Parser: Line 0 of"));
    EXPECT_EQ(2u, parsed.endPairs(0)) << "the bracket past the cut is not seen";
    EXPECT_EQ(3u, parsed.endPairs(1));
    EXPECT_EQ(3u, parsed.endPairs(2)) << "a line shorter than the cut closes its own array";
}

TEST_F(LineMatcherTest, RunawayLinesStopWithOneLogLineKeepingTheirStateAndTheNextLinesParse) {
    GrammarBuilder hostile(L"source.hostile");
    auto* runaway = hostile.match(L"(x+x+)+y", L"invalid.runaway");
    auto* block = hostile.beginEnd(L"<", L">", L"meta.block");
    hostile.patterns(hostile.root(), {runaway, block});
    hostile.patterns(block, {runaway});
    Parsed parsed(hostile.finish(), L"<" + std::wstring(5000, L'x') + L"\nxxy>\n");
    {
        LogCapture log;
        EXPECT_TRUE(parsed.matcher->parseLine(0));
        EXPECT_EQ(1u, countLogged(log, L"regular-expression engine failed"));
    }
    EXPECT_EQ(2u, parsed.endPairs(0));
    EXPECT_TRUE(parsed.matcher->parseLine(1));
    EXPECT_EQ(L"0:source.hostile meta.block invalid.runaway|3:source.hostile meta.block|4:source.hostile => [0:0]",
              dumpLine(parsed.document, 1));

    // A clock that moves 300 ms between calls ends the line at its budget, at its second engine call.
    uint32_t time = 0;
    parsed.matcher->setClock([&time] { return time += 300; });
    LogCapture log;
    EXPECT_TRUE(parsed.matcher->parseLine(1));
    EXPECT_EQ(1u, countLogged(log, L"Parser: Line 1 stopped at column"));
}

// Line ends and \G as TextMate grammars expect them: an end pattern is tried after the line feed
// too, and \G holds only where the begin match of the rule on top ended, on that line.
TEST_F(LineMatcherTest, EndsAreTriedAtTheLineEndAndTheAnchorHoldsOnlyAfterTheBeginOnItsLine) {
    GrammarBuilder g(L"source.t");
    // A line comment that goes on after a backslash at the line's end (as C's does).
    auto* comment = g.beginEnd(L"//", L"(?<=\\n)(?<!\\\\\\n)", L"comment.line");
    // Closes at the first position after its begin where nothing of its own matches.
    auto* call = g.beginEnd(L"\\{", L"(?!\\G)", L"meta.call");
    auto* head = g.match(L"\\G\\w+", L"entity.name");
    auto* word = g.match(L"\\w+", L"meta.word");
    auto* list = g.beginEnd(L"\\[", L"\\]", L"meta.list");
    g.patterns(g.root(), {comment, call, list});
    g.patterns(call, {word});
    g.patterns(list, {head, word});
    Parsed parsed(g.finish(), L"a // b \\\nc\nd\n{ab cd\n[ab cd\nef]\n");
    parsed.parseAll();
    const wchar_t* lines[] = {
        L"0:source.t|2:source.t comment.line => [0:0 0:1]",
        L"0:source.t comment.line => [0:0]",
        L"0:source.t => [0:0]",
        L"0:source.t meta.call|1:source.t meta.call meta.word|3:source.t => [0:0]",
        L"0:source.t meta.list|1:source.t meta.list entity.name|3:source.t meta.list|4:source.t meta.list meta.word|6:source.t meta.list => [0:0 0:4]",
        L"0:source.t meta.list meta.word|2:source.t meta.list|3:source.t => [0:0]",
    };
    for (int32_t line = 0; line < 6; ++line)
        EXPECT_EQ(lines[line], dumpLine(parsed.document, line)) << line;
}

// One engine call would take seconds on these lines. Over a*a*c, whose every step scans the rest
// of the line, the call's own bound ends the line well inside its budget; over a*a*a*c, whose
// first steps are cheap and later ones dearer, the bound grows only as far as what is left of the
// budget allows, so the line ends near it. Each with one log line, the state it reached (inside
// the block) kept.
TEST_F(LineMatcherTest, AnEngineCallThatRunsAwayEndsItsLineInsideTheBudget) {
    const struct {
        std::shared_ptr<GrammarRuleSet> (*grammar)();
        int length;
        uint32_t withinMs;
    } rows[] = {
        {slowGrammar, 3000, LineMatcher::LINE_BUDGET_MS},
        {slowGrammar, 30000, LineMatcher::LINE_BUDGET_MS},
        {dearerStepsGrammar, 1000, 2 * LineMatcher::LINE_BUDGET_MS},
        {dearerStepsGrammar, 3000, 2 * LineMatcher::LINE_BUDGET_MS},
    };
    for (const auto& row : rows) {
        Parsed parsed(row.grammar(), L"<" + std::wstring(row.length, L'a') + L"bc\n>\n");
        const std::wstring scope = parsed.set->rule(1)->scope;
        LogCapture log;
        const uint64_t start = threadRunMs();
        EXPECT_TRUE(parsed.matcher->parseLine(0));
        EXPECT_LT(threadRunMs() - start, row.withinMs) << std::string(scope.begin(), scope.end()) << " " << row.length;
        EXPECT_EQ(1u, countLogged(log, L"Parser: Line 0 stopped at column 1")) << row.length;
        EXPECT_EQ(2u, parsed.endPairs(0)) << row.length;
        EXPECT_TRUE(parsed.matcher->parseLine(1));
        EXPECT_EQ(L"0:" + scope + L" meta.block|1:" + scope + L" => [0:0]", dumpLine(parsed.document, 1));
    }
}

TEST_F(LineMatcherTest, EmptyMatchesNeitherLoopNorGrowTheStateBeyondItsLimit) {
    GrammarBuilder look(L"source.look");
    look.patterns(look.root(), {look.beginEnd(L"(?=a)", L"(?=a)", L"meta.look")});
    Parsed still(look.finish(), L"a\n");
    EXPECT_TRUE(still.matcher->parseLine(0)); // after 1001 iterations that did not move

    GrammarBuilder loops(L"source.loops");
    auto* self = loops.beginEnd(L"^", L"(?!)", L"meta.self");
    loops.patterns(loops.root(), {self});
    loops.patterns(self, {self});
    std::wstring text;
    for (int i = 0; i <= 1000; ++i)
        text += L"b\n";
    Parsed parsed(loops.finish(), text);
    parsed.parseAll();
    for (int32_t line = 0; line < parsed.document.getLineCount(); ++line)
        ASSERT_LE(parsed.endPairs(line), LineMatcher::MAX_DEPTH) << line;
    EXPECT_EQ(LineMatcher::MAX_DEPTH, parsed.endPairs(1000));
}

TEST_F(LineMatcherTest, ALineAfterOneWithoutRecordStartsAtTheRootAndAnUnknownAlternativeKeepsTheOldRecord) {
    GrammarBuilder broken(L"source.broken");
    auto* word = broken.match(L"\\w+", L"meta.word");
    broken.patterns(broken.root(), {word});
    pushPattern(*broken.root(), RegExSource{L"!", L""}, 999);
    Parsed parsed(broken.finish(), L"a\nb\nc!\n");
    EXPECT_TRUE(parsed.matcher->parseLine(1));
    EXPECT_EQ(L"0:source.broken meta.word|1:source.broken => [0:0]", dumpLine(parsed.document, 1));
    EXPECT_TRUE(parsed.matcher->stateMatches(1)); // line 0 has no record: the root state
    LogCapture log;
    EXPECT_FALSE(parsed.matcher->parseLine(2));
    EXPECT_EQ(1u, countLogged(log, L"Line[2]: `c!`"));
    EXPECT_EQ(1u, countLogged(log, L"Parser: No rule 999 for the match [1-2]"));
    EXPECT_EQ(nullptr, parsed.record(2));
}

// Lines of characters beyond ASCII: accented letters, CJK, surrogate pairs and a lone surrogate
// take the columns (UTF-16 units) of the text, captures and all; an end completed from a captured
// character beyond ASCII closes only on it, a lone surrogate too; \G holds after a begin that
// ends in one; a match spans characters of two units.
TEST_F(LineMatcherTest, LinesBeyondAsciiKeepTheirColumnsCapturesAndCompletedEnds) {
    const std::wstring smile = L"\xD83D\xDE00", lone = L"\xD800";
    Parsed parsed(beyondAsciiGrammar(), L"\u00E9=1 q\u00E9abc\u00E9 x\n"
                              L"q" + smile + L"a" + smile + L" \u00AB\u00E9clair mot\u00BB <" + smile + smile + L">\n"
                              L"\u4E2D\u6587\u5B57=q" + lone + L"b" + lone + L"c \u4E2D\u6587\n"
                              L"\u00AB\n"
                              L"\u00E9t\u00E9\u00BB" + smile + L"\n");
    parsed.parseAll();
    const wchar_t* lines[] = {
#include "golden/beyond-ascii.txt"
    };
    for (int32_t line = 0; line < 5; ++line)
        EXPECT_EQ(lines[line], dumpLine(parsed.document, line)) << line;
    EXPECT_EQ(3u, parsed.store.size()); // one completed end a delimiter: é, the pair, the lone surrogate
}

// A byte escape in a grammar pattern stands for the code point U+00HH, as "\x{HH}" does, and a
// class of everything beyond ASCII inside another class matches only that.
TEST_F(LineMatcherTest, ByteEscapesInGrammarPatternsAreCodePoints) {
    GrammarBuilder g(L"source.x");
    auto* a = g.match(L"\\x41+", L"constant.a");
    auto* acute = g.match(L"\\xE9+", L"constant.acute");
    auto* name = g.match(L"[-a-z[^\\x00-\\x7F]]+", L"entity.name");
    auto* ascii = g.match(L"[\\x00-\\x7F]", L"meta.ascii");
    g.patterns(g.root(), {a, acute, name, ascii});
    // U+9000 begins with the byte E9 in UTF-8.
    Parsed parsed(g.finish(), L"AA\u00E9\u00E9{x-\u00FC\u3042}\u9000\n");
    parsed.parseAll();
    EXPECT_EQ(L"0:source.x constant.a|2:source.x constant.acute|4:source.x meta.ascii|5:source.x entity.name|"
              L"9:source.x meta.ascii|10:source.x entity.name|11:source.x meta.ascii => [0:0]",
              dumpLine(parsed.document, 0));
}

// A line of 100,000 characters beyond ASCII (two and three bytes, and pairs) is parsed to its end,
// each run at its character's column up to the column limit, and its state goes on.
TEST_F(LineMatcherTest, ALongLineBeyondAsciiRunsToItsEndAtTheRightColumns) {
    GrammarBuilder g(L"source.long");
    auto* emoji = g.match(L"\\x{1F600}", L"constant.emoji");
    auto* string = g.beginEnd(L"\"", L"\"", L"string.quoted");
    g.patterns(g.root(), {emoji, string});
    const std::wstring unit = L"\u00E9\xD83D\xDE00 \u3042x"; // 6 columns, 12 bytes
    std::wstring line;
    while (line.size() < 100000)
        line += unit;
    LogCapture log;
    Parsed parsed(g.finish(), line + L"\"\n\u00E9\"\n");
    parsed.parseAll();
    EXPECT_EQ(0u, countLogged(log, L"stopped"));
    const LineRuns runs = lineRecordRuns(parsed.record(0));
    ASSERT_GT(runs.count, 20000u);
    // The plain text from 0, then each unit's emoji (column 1 of 6) and the plain text after it (3).
    EXPECT_EQ(0u, runs.runs[0].column);
    for (uint32_t i = 1; i < runs.count; ++i) {
        const uint32_t column = runs.runs[i].column;
        ASSERT_LE(column, LineMatcher::MAX_COLUMN) << i;
        ASSERT_EQ(i % 2 ? 1u : 3u, column % 6) << i << " at " << column;
        ASSERT_EQ((i - 1) / 2, column / 6) << i << " at " << column;
    }
    EXPECT_EQ(2u, parsed.endPairs(0)); // the string opened after the last unit
    EXPECT_EQ(1u, parsed.endPairs(1));
    EXPECT_EQ(L"0:source.long string.quoted|2:source.long => [0:0]", dumpLine(parsed.document, 1));
}

// On a long line each pattern is tried window by window: a window that would end inside a
// character of several bytes ends after it, so no pattern is tried inside one (where \w would
// read the byte AA of U+2A80, E2 AA 80, as the letter U+00AA).
TEST_F(LineMatcherTest, APatternIsTriedOnlyWhereACharacterBegins) {
    GrammarBuilder g(L"source.w");
    g.patterns(g.root(), {g.match(L"\\w", L"meta.other")});
    Parsed parsed(g.finish(), std::wstring(400, L'\u2A80') + L"\u00E9\n" + std::wstring(400, L'\u2A80') + L"\n");
    parsed.parseAll();
    EXPECT_EQ(L"0:source.w|400:source.w meta.other|401:source.w => [0:0]", dumpLine(parsed.document, 0));
    EXPECT_EQ(L"0:source.w => [0:0]", dumpLine(parsed.document, 1));
}

// A pattern anchored at the subject's end, which the engine may answer with a match beginning
// before the search's start, colours the last line (no line feed) as an anchored walk does.
TEST_F(LineMatcherTest, AMatchTheEngineReportsBeforeTheSearchStartIsNotTaken) {
    GrammarBuilder g(L"source.t");
    auto* first = g.match(L"^B", L"meta.first");
    auto* run = g.match(L"(?:\\ ?B){2,}\\z", L"meta.run");
    g.patterns(g.root(), {first, run});
    const std::shared_ptr<GrammarRuleSet> set = g.finish();
    for (const wchar_t* text : {L"BB", L"BB\n", L"xB BB", L"B\u00E9BB"}) {
        Parsed anchored(set, text, true);
        anchored.parseAll();
        Parsed parsed(set, text);
        parsed.parseAll();
        EXPECT_EQ(dumpLine(anchored.document, 0), dumpLine(parsed.document, 0)) << ::testing::PrintToString(std::wstring(text));
    }
}

} // namespace

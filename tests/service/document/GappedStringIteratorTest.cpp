#include "pel/log/Log.h"
#include "service/document/Document.h"
#include "service/document/Finder.h"
#include "DocumentTestSupport.h"

#include "support/LogCapture.h"

#include <boost/xpressive/xpressive.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

using namespace tessel;
using tessel_test::LogCapture;

namespace {

class GappedStringIteratorTest : public tessel_test::MainThreadTest {
protected:
    GappedStringIteratorTest() {
        document.insert(0, L"abcdef");
        document.insert(3, L"XY"); // the gap sits behind "abcXY"
    }
    std::wstring assertions(const LogCapture& log) {
        std::wstring text;
        for (const auto& line : log.lines())
            if (line.source == pel::LOG_ASSERT_SOURCE && line.level == pel::LOG_ERROR)
                text += line.text.substr(0, line.text.find(L" in "));
        return text;
    }
    Document document;
};

} // namespace

TEST_F(GappedStringIteratorTest, StepsOutsideTheTextAreReportedAndClamped) {
    const DocumentIterator begin(&document, 0);
    LogCapture log;
    DocumentIterator it = begin + 9; // 8 units: clamped to length + 1
    EXPECT_EQ(9, it.position());
    EXPECT_EQ(L"Assertion failed for `(m_pos + n) >= 0 && (m_pos + n) <= m_container->getLength()`",
              assertions(log));
    LogCapture log2;
    EXPECT_EQ(L'f', *it) << "reading behind the text gives the last unit";
    EXPECT_EQ(L"Assertion failed for `m_pos >= 0 && m_pos < m_container->getLength()`", assertions(log2));
    LogCapture log3;
    it -= 20;
    EXPECT_EQ(0, it.position());
    --it;
    EXPECT_EQ(-1, it.position());
    EXPECT_EQ(L'a', it[0]);
    EXPECT_EQ(L"Assertion failed for `(m_pos - n) >= 0 && (m_pos - n) <= m_container->getLength()`"
              L"Assertion failed for `m_pos > 0`",
              assertions(log3));

    LogCapture quiet;
    const DocumentIterator end(&document, document.getLength());
    EXPECT_EQ(L"abcXYdef", std::wstring(begin, end));
    EXPECT_EQ(L'Y', (begin + 5).before());
    EXPECT_EQ(L"", assertions(quiet));
}

TEST_F(GappedStringIteratorTest, AnEmptyDocumentReadsZeroInsteadOfOutsideTheBuffer) {
    Document empty;
    LogCapture log;
    EXPECT_EQ(L'\0', *DocumentIterator(&empty, 0));
    EXPECT_EQ(L'\0', DocumentIterator(&empty, 0)[3]);
}

TEST_F(GappedStringIteratorTest, TheRegularExpressionEngineAndTheStandardAlgorithmsWalkIt) {
    namespace xp = boost::xpressive;
    using Regex = xp::basic_regex<DocumentIterator>;
    const DocumentIterator begin(&document, 0), end(&document, document.getLength());
    const Regex pattern = Regex::compile(L"c(X+)Yd");
    xp::match_results<DocumentIterator> match;
    ASSERT_TRUE(xp::regex_search(begin, end, match, pattern));
    EXPECT_EQ(2, match.position(0));
    EXPECT_EQ(L"X", match.str(1));

    using Backwards = std::reverse_iterator<DocumentIterator>;
    const std::wstring reversed{Backwards(end), Backwards(begin)};
    EXPECT_EQ(L"fedYXcba", reversed);
    EXPECT_EQ(8, std::distance(begin, end));
}

TEST_F(GappedStringIteratorTest, RunFinderHandsTheWholeDocumentAndClampedSearchPositions) {
    struct Probe : Finder {
        std::vector<int32_t> seen;
        bool find(const DocumentIterator& rangeBegin, const DocumentIterator& rangeEnd,
                  const DocumentIterator& searchStart, const DocumentIterator& searchEnd, bool backward) override {
            seen = {rangeBegin.position(), rangeEnd.position(), searchStart.position(), searchEnd.position(), backward};
            return true;
        }
        const pel::MatchResults& getResults() const override { return results; }
        pel::MatchResultsSimple results;
    } probe;
    LogCapture log;
    EXPECT_TRUE(document.runFinder(probe, 2, 99, true));
    EXPECT_EQ((std::vector<int32_t>{0, 8, 2, 8, 1}), probe.seen);
    EXPECT_TRUE(document.runFinder(probe, -4, 3, false));
    EXPECT_EQ((std::vector<int32_t>{0, 8, 0, 3, 0}), probe.seen);
    EXPECT_TRUE(log.lines().empty()) << "no step outside the text";
}

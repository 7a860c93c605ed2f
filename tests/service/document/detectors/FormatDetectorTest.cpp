#include "service/document/Document.h"
#include "service/document/detectors/FormatDetectorSet.h"
#include "pel/text/FormatString.h"
#include "../DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessel;

namespace {

// An answer as text: "yes 1 spaces 1 4" (answered, soft-tabs confidence and flag, width
// confidence and width).
std::wstring describe(bool answered, const DetectorAnswer& answer) {
    return pel::formatString(L"%s %g %s %g %d", answered ? L"yes" : L"no", answer.softTabsConfidence,
                             answer.softTabs ? L"spaces" : L"tabs", answer.tabWidthConfidence, answer.tabWidth);
}

class FormatDetectorTest : public tessel_test::MainThreadTest {
protected:
    // The detector's verdict on a document holding the text.
    std::wstring detect(FormatDetector& detector, const std::wstring& text) {
        Document document;
        document.insert(0, text);
        DetectorAnswer answer;
        const bool answered = detector.detect(document, answer);
        return describe(answered, answer);
    }
};

std::wstring lines(int count, const std::wstring& line) {
    std::wstring text;
    for (int i = 0; i < count; ++i)
        text += line + L"\n";
    return text;
}

} // namespace

TEST_F(FormatDetectorTest, ModeLinesInTheFirstOrLastLine) {
    const struct {
        std::wstring text;
        const wchar_t* answer;
    } cases[] = {
        {L"/* -*- mode: c; indent-tabs-mode: nil; tab-width: 4 -*- */\nint x;\n", L"yes 1 spaces 1 4"},
        {L"-*- indent-tabs-mode: t -*-", L"yes 1 tabs 0 0"},
        {L"# -*- tab-width : 8 ; -*-\n", L"yes 0 tabs 1 8"},
        {L"-*-  indent-tabs-mode:;-*-", L"yes 0 tabs 0 0"},
        {L"-*--*- first\nsecond\n// -*- indent-tabs-mode: T; -*-", L"yes 1 tabs 0 0"},
        {L"-*- tab-width: x -*-", L"no 0 tabs 0 0"},
        {L"-*- indent-tabs-mode t -*-", L"no 0 tabs 0 0"},
        {L"no mode line -*- here", L"no 0 tabs 0 0"},
        {L"", L"no 0 tabs 0 0"},
    };
    EmacsDetector detector;
    for (const auto& c : cases)
        EXPECT_EQ(c.answer, detect(detector, c.text)) << c.text;
}

TEST_F(FormatDetectorTest, TheIndentHistogramChoosesAWidthOrTabs) {
    const std::wstring deep = std::wstring(64, L' ') + L"x\n";
    // JSON in steps of two spaces whose objects sit at the third level: a line at 6 spaces counts
    // for both 2 and 3, and where such lines outnumber those at the other steps of 2, the larger
    // width wins.
    const auto json = [](int keys) {
        return L"{\n  \"items\": [\n" + lines(5, L"    {\n" + lines(keys, L"      \"k\": 1,") + L"    },") + L"  ]\n}\n";
    };
    const struct {
        const char* what;
        std::wstring text;
        const wchar_t* answer;
    } cases[] = {
        {"10 at 4, 5 at 8", lines(10, L"    a") + lines(5, L"        b"), L"yes 0.8 spaces 0.8 4"},
        {"10 at 8, 5 at 4", lines(10, L"        a") + lines(5, L"    b"), L"yes 0.8 spaces 0.8 8"},
        {"6 at 3, 2 at 2", lines(6, L"   a") + lines(2, L"  b"), L"yes 0.8 spaces 0.8 3"},
        {"JSON, 15 lines at 6, 12 at 2 and 4", json(3), L"yes 0.8 spaces 0.8 3"},
        {"JSON, 10 lines at 6, 12 at 2 and 4", json(2), L"yes 0.8 spaces 0.8 2"},
        {"10 tabs, 3 at 4", lines(10, L"\ta") + lines(3, L"    b"), L"yes 0.8 tabs 0 0"},
        {"spaces after column 64", lines(5, deep) + L"  x\n", L"yes 0.8 spaces 0.8 2"},
        {"blank lines only", lines(5, L"    "), L"no 0 tabs 0 0"},
        {"no indentation", lines(20, L"flat"), L"no 0 tabs 0 0"},
    };
    SoftTabsDetector detector;
    for (const auto& c : cases)
        EXPECT_EQ(c.answer, detect(detector, c.text)) << c.what;
}

namespace {

struct FixedDetector : FormatDetector {
    bool answers;
    DetectorAnswer answer;
    FixedDetector(bool a, DetectorAnswer d) : answers(a), answer(d) {}
    bool detect(const Document&, DetectorAnswer& out) override {
        if (answers)
            out = answer;
        return answers;
    }
};

} // namespace

TEST_F(FormatDetectorTest, TheListKeepsTheMostConfidentPairTheEarlierOnTies) {
    FixedDetector silent(false, {1.0f, true, 1.0f, 3});
    FixedDetector mode(true, {1.0f, true, 0.0f, 0});
    FixedDetector histogram(true, {0.8f, false, 0.8f, 2});
    FixedDetector rival(true, {1.0f, false, 0.8f, 8});
    FormatDetectorList list;
    Document document;
    const auto merged = [&] {
        DetectorAnswer result{0.5f, true, 0.5f, 9};
        const bool answered = list.run(result, document);
        return describe(answered, result);
    };
    EXPECT_EQ(L"no 0 tabs 0 0", merged());
    for (FormatDetector* detector : std::vector<FormatDetector*>{&silent, &mode, &histogram, &rival, &mode})
        list.add(detector);
    EXPECT_EQ(4u, list.detectors().size());
    EXPECT_EQ(L"yes 1 spaces 0.8 2", merged());
    EXPECT_TRUE(list.remove(&mode));
    EXPECT_FALSE(list.remove(&mode));
    EXPECT_EQ(L"yes 1 tabs 0.8 2", merged());
}

namespace {

struct RecordingHost : FormatDetectorHost {
    std::string calls;
    bool addListener(DocumentListener*) override { return calls += "+listener ", true; }
    bool removeListener(DocumentListener*) override { return calls += "-listener ", true; }
    void addDetector(FormatDetector* d) override { calls += "+" + name(d); }
    bool removeDetector(FormatDetector* d) override { return calls += "-" + name(d), true; }
    static std::string name(FormatDetector* d) { return dynamic_cast<EmacsDetector*>(d) ? "mode " : "histogram "; }
};

} // namespace

TEST_F(FormatDetectorTest, TheSetRegistersInOrderAndLeavesInReverse) {
    RecordingHost host;
    { FormatDetectorSet set(host); }
    EXPECT_EQ("+listener +mode +histogram -listener -histogram -mode ", host.calls);
}

TEST_F(FormatDetectorTest, TheGrabbedFileNameIsCutToItsBuffer) {
    EXPECT_STREQ(L"<<< Grabbed document filename will be stored here >>>", MCListener::grabbedFileName());
    const std::wstring path = L"c:\\" + std::wstring(297, L'p');
    std::vector<wchar_t> guarded(MCListener::GRABBED_NAME_UNITS + 8, L'#'); // four guards each side
    grab_file_name(&guarded[4], MCListener::GRABBED_NAME_UNITS, path.c_str());
    EXPECT_EQ(path.substr(0, MCListener::GRABBED_NAME_UNITS - 1), &guarded[4]);
    EXPECT_EQ(L"####", std::wstring(guarded.begin(), guarded.begin() + 4));
    EXPECT_EQ(L"####", std::wstring(guarded.end() - 4, guarded.end()));

    Document document;
    document.changeFormat([&](DocumentFormat& format) { format.path = path; });
    MCListener listener;
    listener.onLoaded(document);
    EXPECT_EQ(path.substr(0, MCListener::GRABBED_NAME_UNITS - 1), MCListener::grabbedFileName());
    MCListener::storeFileName(DocumentFormat());
    EXPECT_STREQ(L"", MCListener::grabbedFileName());
}

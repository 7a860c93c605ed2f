#include "service/document/Document.h"
#include "service/document/detectors/FormatDetectorSet.h"
#include "../DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace tessel;

namespace {

class FormatDetectorTest : public tessel_test::MainThreadTest {
protected:
    // The detector's verdict on a document holding the text.
    bool detect(FormatDetector& detector, const std::wstring& text, DetectorAnswer& answer) {
        Document document;
        document.insert(0, text);
        answer = DetectorAnswer();
        return detector.detect(document, answer);
    }
};

std::wstring lines(int count, const std::wstring& line) {
    std::wstring text;
    for (int i = 0; i < count; ++i)
        text += line + L"\n";
    return text;
}

struct Expected {
    bool answered;
    float softTabsConfidence;
    bool softTabs;
    float tabWidthConfidence;
    int32_t tabWidth;
};

void expectAnswer(const Expected& expected, bool answered, const DetectorAnswer& answer, const std::wstring& what) {
    EXPECT_EQ(expected.answered, answered) << what;
    EXPECT_EQ(expected.softTabsConfidence, answer.softTabsConfidence) << what;
    EXPECT_EQ(expected.softTabs, answer.softTabs) << what;
    EXPECT_EQ(expected.tabWidthConfidence, answer.tabWidthConfidence) << what;
    EXPECT_EQ(expected.tabWidth, answer.tabWidth) << what;
}

} // namespace

TEST_F(FormatDetectorTest, ModeLinesInTheFirstOrLastLine) {
    const struct {
        std::wstring text;
        Expected expected;
    } cases[] = {
        {L"/* -*- mode: c; indent-tabs-mode: nil; tab-width: 4 -*- */\nint x;\n", {true, 1.0f, true, 1.0f, 4}},
        {L"-*- indent-tabs-mode: t -*-", {true, 1.0f, false, 0.0f, 0}},
        {L"# -*- tab-width : 8 ; -*-\n", {true, 0.0f, false, 1.0f, 8}},
        {L"-*-  indent-tabs-mode:;-*-", {true, 0.0f, false, 0.0f, 0}},
        {L"-*--*- first\nsecond\n// -*- indent-tabs-mode: T; -*-", {true, 1.0f, false, 0.0f, 0}},
        {L"-*- tab-width: x -*-", {false, 0.0f, false, 0.0f, 0}},
        {L"-*- indent-tabs-mode t -*-", {false, 0.0f, false, 0.0f, 0}},
        {L"no mode line -*- here", {false, 0.0f, false, 0.0f, 0}},
        {L"", {false, 0.0f, false, 0.0f, 0}},
    };
    EmacsDetector detector;
    for (const auto& c : cases) {
        DetectorAnswer answer;
        const bool answered = detect(detector, c.text, answer);
        expectAnswer(c.expected, answered, answer, c.text);
    }
}

TEST_F(FormatDetectorTest, TheIndentHistogramChoosesAWidthOrTabs) {
    const std::wstring deep = std::wstring(64, L' ') + L"x\n";
    const struct {
        const char* what;
        std::wstring text;
        Expected expected;
    } cases[] = {
        {"10 at 4, 5 at 8", lines(10, L"    a") + lines(5, L"        b"), {true, 0.8f, true, 0.8f, 4}},
        {"10 at 8, 5 at 4", lines(10, L"        a") + lines(5, L"    b"), {true, 0.8f, true, 0.8f, 8}},
        {"6 at 3, 2 at 2", lines(6, L"   a") + lines(2, L"  b"), {true, 0.8f, true, 0.8f, 3}},
        {"10 tabs, 3 at 4", lines(10, L"\ta") + lines(3, L"    b"), {true, 0.8f, false, 0.0f, 0}},
        {"spaces after column 64", lines(5, deep) + L"  x\n", {true, 0.8f, true, 0.8f, 2}},
        {"blank lines only", lines(5, L"    "), {false, 0.0f, false, 0.0f, 0}},
        {"no indentation", lines(20, L"flat"), {false, 0.0f, false, 0.0f, 0}},
    };
    SoftTabsDetector detector;
    for (const auto& c : cases) {
        DetectorAnswer answer;
        const bool answered = detect(detector, c.text, answer);
        expectAnswer(c.expected, answered, answer, std::wstring(c.what, c.what + std::strlen(c.what)));
    }
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
    DetectorAnswer result{0.5f, true, 0.5f, 9};
    EXPECT_FALSE(list.run(result, document));
    expectAnswer({false, 0.0f, false, 0.0f, 0}, false, result, L"empty list");
    for (FormatDetector* detector : std::vector<FormatDetector*>{&silent, &mode, &histogram, &rival, &mode})
        list.add(detector);
    EXPECT_EQ(4u, list.detectors().size());
    EXPECT_TRUE(list.run(result, document));
    expectAnswer({true, 1.0f, true, 0.8f, 2}, true, result, L"merged");
    EXPECT_TRUE(list.remove(&mode));
    EXPECT_FALSE(list.remove(&mode));
    EXPECT_TRUE(list.run(result, document));
    expectAnswer({true, 1.0f, false, 0.8f, 2}, true, result, L"without the mode line");
}

namespace {

struct RecordingHost : FormatDetectorHost {
    std::vector<std::string> calls;
    bool addListener(DocumentListener*) override { return calls.push_back("add listener"), true; }
    bool removeListener(DocumentListener*) override { return calls.push_back("remove listener"), true; }
    void addDetector(FormatDetector* d) override { calls.push_back(name("add", d)); }
    bool removeDetector(FormatDetector* d) override { return calls.push_back(name("remove", d)), true; }
    static std::string name(const char* what, FormatDetector* d) {
        return std::string(what) + (dynamic_cast<EmacsDetector*>(d) ? " mode line" : " histogram");
    }
};

} // namespace

TEST_F(FormatDetectorTest, TheSetRegistersInOrderAndLeavesInReverse) {
    RecordingHost host;
    { FormatDetectorSet set(host); }
    EXPECT_EQ((std::vector<std::string>{"add listener", "add mode line", "add histogram", "remove listener",
                                        "remove histogram", "remove mode line"}),
              host.calls);
}

TEST_F(FormatDetectorTest, TheGrabbedFileNameIsCutToItsBuffer) {
    EXPECT_STREQ(L"<<< Grabbed document filename will be stored here >>>", MCListener::grabbedFileName());
    const std::wstring path = L"c:\\" + std::wstring(297, L'p');
    struct {
        wchar_t before[4];
        wchar_t buffer[MCListener::GRABBED_NAME_UNITS];
        wchar_t after[4];
    } guarded;
    std::fill(std::begin(guarded.before), std::end(guarded.before), L'#');
    std::fill(std::begin(guarded.after), std::end(guarded.after), L'#');
    grab_file_name(guarded.buffer, MCListener::GRABBED_NAME_UNITS, path.c_str());
    EXPECT_EQ(path.substr(0, MCListener::GRABBED_NAME_UNITS - 1), guarded.buffer);
    EXPECT_EQ(std::wstring(4, L'#'), std::wstring(guarded.before, 4));
    EXPECT_EQ(std::wstring(4, L'#'), std::wstring(guarded.after, 4));

    Document document;
    document.changeFormat([&](DocumentFormat& format) { format.path = path; });
    MCListener listener;
    listener.onLoaded(document);
    EXPECT_EQ(path.substr(0, MCListener::GRABBED_NAME_UNITS - 1), MCListener::grabbedFileName());
    MCListener::storeFileName(DocumentFormat());
    EXPECT_STREQ(L"", MCListener::grabbedFileName());
}

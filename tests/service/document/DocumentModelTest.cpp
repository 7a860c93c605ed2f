// Random edits against a plain string: the gap, the line table with its pending shift, the
// recycled headers and what listeners hear must agree with the model after every step.

#include "service/document/Document.h"
#include "DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace tessel;

namespace {

// What onInserted and onRemoved reported, to be compared with the edit the model made.
struct Heard : DocumentListener {
    std::wstring text;
    int32_t offset = -1, firstLine = -1, lineBreaks = -1;
    void onInserted(Document&, const TextChange& c) override { take(c); }
    void onRemoved(Document&, const TextChange& c) override { take(c); }
    void take(const TextChange& c) {
        text.assign(c.text, static_cast<size_t>(c.length));
        offset = c.offset;
        firstLine = c.firstLine;
        lineBreaks = c.lineBreaks;
    }
};

std::vector<int32_t> modelEnds(const std::wstring& model) {
    std::vector<int32_t> ends;
    for (size_t i = 0; i < model.size(); ++i)
        if (model[i] == L'\n')
            ends.push_back(static_cast<int32_t>(i + 1));
    ends.push_back(static_cast<int32_t>(model.size()));
    return ends;
}

int32_t modelLine(const std::vector<int32_t>& ends, int32_t offset) {
    const auto at = std::upper_bound(ends.begin(), ends.end() - 1, offset);
    return static_cast<int32_t>(at - ends.begin());
}

} // namespace

class DocumentModel : public tessel_test::MainThreadTest {};

TEST_F(DocumentModel, TenThousandRandomEditsAgreeWithAPlainString) {
    Document document;
    Heard heard;
    document.addListener(&heard);
    std::wstring model;
    std::mt19937 random(20240526);
    const auto pick = [&](int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(random); };
    const wchar_t alphabet[] = L"abcdefgh \t\n\n\n";

    for (int step = 0; step < 10000; ++step) {
        const std::vector<int32_t> ends = modelEnds(model);
        const int32_t length = static_cast<int32_t>(model.size());
        // Offsets at random, at line starts and at line ends (just before a line feed).
        int32_t offset = pick(0, length);
        const int32_t kind = pick(0, 2);
        if (kind == 1)
            offset = ends[static_cast<size_t>(pick(0, static_cast<int32_t>(ends.size()) - 1))];
        else if (kind == 2)
            offset = std::max(0, ends[static_cast<size_t>(pick(0, static_cast<int32_t>(ends.size()) - 1))] - 1);
        offset = std::min(offset, length);
        const bool grow = length < 400 || (length < 4000 && pick(0, 2) > 0);
        const bool bracket = pick(0, 3) == 0;
        if (bracket)
            document.beginChange(0, false);
        if (grow) {
            std::wstring text(static_cast<size_t>(pick(1, pick(0, 9) == 0 ? 300 : 6)), L' ');
            for (wchar_t& c : text)
                c = alphabet[pick(0, static_cast<int32_t>(sizeof alphabet / sizeof alphabet[0]) - 2)];
            document.insert(offset, text);
            model.insert(static_cast<size_t>(offset), text);
            ASSERT_EQ(text, heard.text) << step;
            ASSERT_EQ(modelLine(ends, offset), heard.firstLine) << step;
            ASSERT_EQ(std::count(text.begin(), text.end(), L'\n'), heard.lineBreaks) << step;
        } else if (offset < length) {
            const int32_t count = pick(1, pick(0, 9) == 0 ? 600 : 8);
            const std::wstring removed = model.substr(static_cast<size_t>(offset), static_cast<size_t>(count));
            document.remove(offset, count);
            model.erase(static_cast<size_t>(offset), static_cast<size_t>(count));
            ASSERT_EQ(removed, heard.text) << step;
            ASSERT_EQ(offset, heard.offset) << step;
            ASSERT_EQ(modelLine(ends, offset), heard.firstLine) << step;
            ASSERT_EQ(std::count(removed.begin(), removed.end(), L'\n'), heard.lineBreaks) << step;
        }
        if (bracket)
            document.endChange();

        ASSERT_EQ(model, tessel_test::textOf(document)) << step;
        const std::vector<int32_t> expected = modelEnds(model);
        ASSERT_EQ(expected, tessel_test::lineEnds(document)) << step;
        for (int32_t line = 0; line < document.getLineCount(); ++line) {
            const int32_t start = line == 0 ? 0 : expected[static_cast<size_t>(line) - 1];
            const int32_t withBreak = expected[static_cast<size_t>(line)] - start;
            ASSERT_EQ(withBreak, document.getLineLengthWithBreak(line)) << step << " line " << line;
            ASSERT_EQ(line + 1 < document.getLineCount() ? withBreak - 1 : withBreak, document.getLineLength(line))
                << step << " line " << line;
            ASSERT_NE(0, document.getLineHeader(line)->flags & LINE_IN_USE) << step << " line " << line;
        }
        const int32_t probe = pick(-2, static_cast<int32_t>(model.size()) + 2);
        ASSERT_EQ(modelLine(expected, std::max(0, probe)), document.findLine(probe)) << step;
    }
    document.removeListener(&heard);
}

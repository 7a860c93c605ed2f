// Measure and layout of 10,000 windowless views (100 rows of 100) hosted in a window, each pass
// at a new window size so every view is measured and moved, beside plain structs doing the same
// arithmetic (spec checks, sizes, frames, the merged repaint rectangle); then one leaf's
// setPadding and the pass after it. Targets: a full pass <= 5 ms and <= 5x the structs; the pass
// after setPadding <= 5% of a full one.

#include "BenchViews.h"
#include "support/Bench.h"

#include <vector>

namespace {

constexpr int kRows = 100, kColumns = 100, kRuns = 21;
// Window sizes the passes alternate between: every leaf's size changes each time.
constexpr int kSizes[2][2] = {{1000, 800}, {1200, 900}};

// The arithmetic of the view passes on plain records, without the tree's calls.
class PlainTree {
public:
    PlainTree() : m_rows(kRows), m_leaves(kRows * kColumns) {}

    void pass(int width, int height) {
        m_invalid = {0, 0, 0, 0};
        const uint32_t rowWidth = afViewMeasureSpec::exactly(width), rowHeight = afViewMeasureSpec::exactly(height / kRows);
        const uint32_t leafWidth = afViewMeasureSpec::exactly(width / kColumns);
        for (int r = 0; r < kRows; ++r)
            if (measure(m_rows[r], rowWidth, rowHeight))
                for (int c = 0; c < kColumns; ++c)
                    measure(m_leaves[r * kColumns + c], leafWidth, rowHeight);
        for (int r = 0; r < kRows; ++r) {
            Record& row = m_rows[r];
            const int top = r * row.height;
            if (place(row, {0, top, row.width, top + row.height}, 0, 0))
                for (int c = 0; c < kColumns; ++c) {
                    Record& leaf = m_leaves[r * kColumns + c];
                    place(leaf, {c * leaf.width, 0, (c + 1) * leaf.width, leaf.height}, 0, top);
                }
        }
    }
    const RECT& invalid() const { return m_invalid; }

private:
    struct Record {
        uint32_t widthSpec = afViewMeasureSpec::AT_MOST, heightSpec = afViewMeasureSpec::AT_MOST;
        int width = 0, height = 0;
        bool measured = false;
        afRect frame, laidOut;
    };

    static bool measure(Record& record, uint32_t widthSpec, uint32_t heightSpec) {
        if (widthSpec == record.widthSpec && heightSpec == record.heightSpec)
            return false;
        record.width = afViewMeasureSpec::getRawSize(widthSpec);
        record.height = afViewMeasureSpec::getRawSize(heightSpec);
        record.widthSpec = widthSpec;
        record.heightSpec = heightSpec;
        record.measured = true;
        return true;
    }
    // Stores the frame, repaints the old and new places; true when the children need placing.
    bool place(Record& record, const afRect& frame, int dx, int dy) {
        if (frame != record.frame) {
            repaint(record.frame, dx, dy);
            record.frame = frame;
        }
        const bool resized = !frame.sameSize(record.laidOut);
        const bool moved = frame != record.laidOut;
        record.laidOut = frame;
        const bool children = resized || record.measured;
        record.measured = false;
        if (moved)
            repaint(frame, dx, dy);
        return children;
    }
    void repaint(afRect rect, int dx, int dy) {
        rect.offset(dx, dy);
        ::UnionRect(&m_invalid, &m_invalid, &rect);
    }

    std::vector<Record> m_rows, m_leaves;
    RECT m_invalid = {0, 0, 0, 0};
};

} // namespace

int main() {
    bench::prepareWindows();
    afTestWindow window;
    window.build();
    window.setFrame(afRect(0, 0, 1300, 1000));
    window.setShown(true, false);
    auto* content = new bench::StackView(&window, false);
    window.setContentView(content);
    std::vector<afView*> leaves;
    for (int r = 0; r < kRows; ++r) {
        auto* row = new bench::StackView(&window, true);
        content->addView(row);
        for (int c = 0; c < kColumns; ++c) {
            leaves.push_back(new afViewVirtual(&window));
            row->addView(leaves.back());
        }
    }
    bench::drain();

    int turn = 0;
    const auto viewPass = [&] {
        const int* size = kSizes[turn++ % 2];
        window.measure(afViewMeasureSpec::exactly(size[0]), afViewMeasureSpec::exactly(size[1]));
        window.layout();
    };
    PlainTree plain;
    const auto plainPass = [&] {
        const int* size = kSizes[turn++ % 2];
        plain.pass(size[0], size[1]);
    };
    // Each timing is of one pass; odd run counts keep the sizes alternating.
    const double viewTime = bench::bestOf(kRuns, viewPass);
    bench::drain();
    const double plainTime = bench::bestOf(kRuns, plainPass);
    bench::check(content->getChildAt(kRows - 1)->getFrame().bottom > 0, "the views were laid out");
    bench::figureBeside("view_tree_pass_10000", viewTime * 1e3, "ms", "structs", plainTime * 1e3);

    int padding = 0;
    const double paddedTime = bench::bestOf(kRuns, [&] {
        leaves[kRows * kColumns / 2]->setPadding(++padding % 2 + 1);
        window.measure(afViewMeasureSpec::exactly(kSizes[0][0]), afViewMeasureSpec::exactly(kSizes[0][1]));
        window.layout();
    });
    bench::figureBeside("view_tree_pass_after_padding", paddedTime * 1e6, "us", "full_pass", viewTime * 1e6);
    return 0;
}

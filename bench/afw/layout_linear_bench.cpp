// The linear layout: measure and layout of 1,000 windowless children (10 rows x 10 weighted
// columns x 10 weighted children), each pass at a new size so every child changes, beside a
// plain loop computing the same frames from the same weights; the pass after one leaf asked for
// a layout; and the validation of a shown window holding the tree, with the system invalidations
// it makes counted. Targets under Wine: <= 100 us windowless, <= 10 us for one leaf, <= 1 ms in
// the shown window with only a few invalidations.

#include "BenchViews.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/window/afWindow.h"
#include "support/Bench.h"

#include <vector>

// The framework's invalidations go through the program's import table: counted there.
extern decltype(&::InvalidateRect) iatInvalidateRect __asm__("__imp__InvalidateRect@12");
extern decltype(&::RedrawWindow) iatRedrawWindow __asm__("__imp__RedrawWindow@16");

namespace {

constexpr int kRows = 10, kColumns = 10, kLeaves = 10, kRuns = 41;
constexpr int kSizes[2][2] = {{1000, 800}, {1210, 930}};

int s_invalidations = 0;
decltype(&::InvalidateRect) s_invalidateRect = nullptr;
decltype(&::RedrawWindow) s_redrawWindow = nullptr;

BOOL WINAPI countedInvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    ++s_invalidations;
    return s_invalidateRect(window, rect, erase);
}

BOOL WINAPI countedRedrawWindow(HWND window, const RECT* rect, HRGN region, UINT flags) {
    ++s_invalidations;
    return s_redrawWindow(window, rect, region, flags);
}

template <class Function>
void patch(Function& slot, Function replacement, Function& o_original) {
    DWORD old;
    ::VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &old);
    o_original = slot;
    slot = replacement;
    ::VirtualProtect(&slot, sizeof slot, old, &old);
}

// A weighted child of no length along the parent's axis, filling it across.
afLayoutParamsLinear* weighted(bool alongWidth) {
    return alongWidth ? new afLayoutParamsLinear(0, -1, 1.0) : new afLayoutParamsLinear(-1, 0, 1.0);
}

// The same frames from plain records: each level shares its length out by equal weights as the
// layout does, each share the room left divided by the children left.
class PlainGrid {
public:
    PlainGrid() : m_frames(kRows * kColumns * kLeaves) {}

    void pass(int width, int height) {
        int rows[kRows + 1], columns[kColumns + 1], leaves[kLeaves + 1];
        starts(height, kRows, rows);
        starts(width, kColumns, columns);
        afRect* frame = m_frames.data();
        for (int r = 0; r < kRows; ++r) {
            starts(rows[r + 1] - rows[r], kLeaves, leaves);
            for (int c = 0; c < kColumns; ++c)
                for (int l = 0; l < kLeaves; ++l)
                    *frame++ = afRect(0, leaves[l], columns[c + 1] - columns[c], leaves[l + 1]);
        }
    }
    const afRect& frame(int index) const { return m_frames[index]; }

private:
    static void starts(int length, int count, int* o_starts) {
        int left = length;
        o_starts[0] = 0;
        for (int k = 0; k < count; ++k) {
            const int share = left / (count - k);
            left -= share;
            o_starts[k + 1] = o_starts[k] + share;
        }
    }

    std::vector<afRect> m_frames;
};

} // namespace

int main() {
    bench::prepareWindows();
    afWindow window;
    auto* root = new afLayoutLinear(&window, afLayoutLinear::VERTICAL);
    std::vector<afView*> leaves;
    for (int r = 0; r < kRows; ++r) {
        auto* row = new afLayoutLinear(&window, afLayoutLinear::HORIZONTAL);
        root->addChild(row, weighted(false));
        for (int c = 0; c < kColumns; ++c) {
            auto* column = new afLayoutLinear(&window, afLayoutLinear::VERTICAL);
            row->addChild(column, weighted(true));
            for (int l = 0; l < kLeaves; ++l) {
                leaves.push_back(new afViewVirtual(&window));
                column->addChild(leaves.back(), weighted(false));
            }
        }
    }

    // Windowless: the root measured and laid out alone.
    int turn = 0;
    const auto viewPass = [&] {
        const int* size = kSizes[turn++ % 2];
        root->measure(afViewMeasureSpec::exactly(size[0]), afViewMeasureSpec::exactly(size[1]));
        root->setFrame(afRect(0, 0, size[0], size[1]));
    };
    PlainGrid plain;
    const auto plainPass = [&] {
        const int* size = kSizes[turn++ % 2];
        plain.pass(size[0], size[1]);
    };
    const double viewTime = bench::bestOf(kRuns, viewPass);
    const double plainTime = bench::bestOf(kRuns, plainPass);
    for (int size = 0; size < 2; ++size) {
        turn = size;
        viewPass();
        turn = size;
        plainPass();
        for (size_t i = 0; i < leaves.size(); ++i)
            bench::check(leaves[i]->getFrame() == plain.frame(static_cast<int>(i)), "the plain loop computes the same frames");
    }
    bench::figureBeside("layout_linear_pass_1000", viewTime * 1e6, "us", "plain_loop", plainTime * 1e6);

    // A batch of passes per timing: one pass is near the clock's resolution.
    constexpr int kBatch = 100;
    int padding = 0;
    const double leafTime = bench::bestOf(kRuns, [&] {
        for (int i = 0; i < kBatch; ++i) {
            leaves[leaves.size() / 2]->setPadding(++padding % 2 + 1);
            root->measure(afViewMeasureSpec::exactly(kSizes[0][0]), afViewMeasureSpec::exactly(kSizes[0][1]));
            root->layout();
        }
    }) / kBatch;
    bench::figure("layout_linear_pass_one_leaf", leafTime * 1e6, "us");

    // In a shown window: the validation after each resize, the resize itself not timed.
    window.setContentView(root);
    window.build();
    window.show();
    bench::drain();
    patch(iatInvalidateRect, &countedInvalidateRect, s_invalidateRect);
    patch(iatRedrawWindow, &countedRedrawWindow, s_redrawWindow);
    double shownTime = 1e30;
    int invalidations = 0;
    for (int run = 0; run < kRuns; ++run) {
        const int* size = kSizes[run % 2];
        ::SetWindowPos(window.getHandle(), nullptr, 0, 0, size[0], size[1], SWP_NOMOVE | SWP_NOZORDER);
        s_invalidations = 0;
        const double start = bench::seconds();
        window.validateLayout();
        shownTime = std::min(shownTime, bench::seconds() - start);
        invalidations = std::max(invalidations, s_invalidations);
        bench::drain();
    }
    bench::figure("layout_linear_shown_window_pass", shownTime * 1e6, "us");
    bench::figure("layout_linear_shown_window_invalidations", invalidations, "calls");
    ::DestroyWindow(window.getHandle());
    return 0;
}

// The document engine on a loaded text of 100 million UTF-16 units (a 100 MB ASCII file) in
// about 1.7 million lines, handed over through Document::setBuffer. Every edit is a change
// bracket of its own, recorded in the undo log (on "vtmp" over "mem" and a native folder).
//   - single-unit inserts and removals at random places, beside a memmove of as many units as
//     each edit makes the gap travel (target: at most 2 times the memmove);
//   - typing at one place near the start and near the end (target: start at most 2 times end);
//   - bytes of line table and headers per line (target: at most 24);
//   - undo and redo of 10 000 typed characters, each beside typing them (target: at most 2).
//   document_bench --folder DIR [--units 100000000]

#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/DocumentOwner.h"
#include "service/document/undo/UndoContext.h"
#include "service/document/undo/UndoManager.h"
#include "support/Bench.h"
#include "support/FileBench.h"
#include "support/TempDevices.h"
#include "GeneratedText.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using tessel::Document;

struct Owner : tessel::DocumentOwner {
    tessel::UndoManager undo;
    tessel::UndoManager* getUndoManager() override { return &undo; }
};

void type(Document& document, int32_t offset, wchar_t unit) {
    document.beginChange(0, false);
    document.insert(offset, 1, &unit);
    document.endChange();
}

// Single-unit inserts and removals at random places; the same gap travel by memmove.
void randomEdits(Document& document, bench::Random& random) {
    constexpr int EDITS = 200;
    std::vector<std::pair<int32_t, int32_t>> travel; // where the gap starts, where it goes
    const double start = bench::seconds();
    for (int i = 0; i < EDITS; ++i) {
        const int32_t offset = random.below(document.getLength());
        travel.emplace_back(document.getBuffer().gapStart(), offset);
        document.beginChange(0, false);
        if (i % 2)
            document.remove(offset, 1);
        else
            document.insert(offset, 1, L"x");
        document.endChange();
    }
    const double edits = bench::seconds() - start;

    // The same units moved by the same distance over the same places of a block of the same size.
    const size_t units = static_cast<size_t>(document.getBuffer().capacity());
    std::unique_ptr<wchar_t[]> scratch(new wchar_t[units]);
    std::memset(scratch.get(), 1, units * sizeof(wchar_t));
    const int32_t gap = document.getBuffer().gapEnd() - document.getBuffer().gapStart();
    const double moveStart = bench::seconds();
    for (const auto& move : travel) {
        wchar_t* data = scratch.get();
        if (move.second > move.first)
            std::memmove(data + move.first, data + move.first + gap, size_t(move.second - move.first) * sizeof(wchar_t));
        else
            std::memmove(data + move.second + gap, data + move.second, size_t(move.first - move.second) * sizeof(wchar_t));
    }
    const double moves = bench::seconds() - moveStart;
    bench::figureBeside("random_edit", edits / EDITS * 1e6, "us", "memmove", moves / EDITS * 1e6);
}

// Microseconds per unit typed at consecutive offsets from offset on, after the gap's first move.
double typing(Document& document, int32_t offset, int count) {
    type(document, offset, L'#');
    const double start = bench::seconds();
    for (int i = 1; i <= count; ++i)
        type(document, offset + i, static_cast<wchar_t>(L'a' + i % 26));
    return (bench::seconds() - start) / count * 1e6;
}

void replay(Document& document, bool redo) {
    document.beginChange(0, true);
    redo ? document.getUndoContext().redo() : document.getUndoContext().undo();
    document.endChange();
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    pel::store_main_thread_id();
    tessel_test::TempDevices devices(bench::folderOption(options));
    {
        Owner owner;
        Document document(&owner);
        bench::Random random;
        const double setBuffer = bench::loadGeneratedText(document, bench::unitsOption(options), random);
        bench::figure("document_set_buffer", setBuffer * 1e3, "ms");
        bench::figure("document_lines", document.getLineCount(), "lines");
        bench::figure("line_table_bytes_per_line",
                      static_cast<double>(document.getLineTable().memoryHeld()) / document.getLineCount(), "bytes");

        randomEdits(document, random);

        const double nearStart = typing(document, 1000, 20000);
        const double nearEnd = typing(document, document.getLength() - 1000, 20000);
        bench::figure("typing_near_end", nearEnd, "us");
        bench::figureBeside("typing_near_start", nearStart, "us", "end", nearEnd);

        constexpr int TYPED = 10000;
        const int32_t at = document.getLength() / 2;
        const double typed = typing(document, at, TYPED) * (TYPED + 1) / 1e3; // the first unit included
        const int32_t length = document.getLength();
        double start = bench::seconds();
        replay(document, false);
        const double undone = (bench::seconds() - start) * 1e3;
        const bool wasUndone = document.getLength() == length - TYPED - 1;
        start = bench::seconds();
        replay(document, true);
        const double redone = (bench::seconds() - start) * 1e3;
        if (!document.getUndoContext().hasLog() || !wasUndone || document.getText(at, 3) != L"#bc") {
            std::fprintf(stderr, "undo and redo did not take the typed text away and back\n");
            return 2;
        }
        bench::figure("typing_10000", typed, "ms");
        bench::figureBeside("undo_10000", undone, "ms", "typing", typed);
        bench::figureBeside("redo_10000", redone, "ms", "typing", typed);
    }
    return 0;
}

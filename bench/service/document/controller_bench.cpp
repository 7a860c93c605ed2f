// A keystroke through the DocumentController on a generated text of 100 million UTF-16 units
// (about 1.7 million lines): one edit transaction with typeText at one caret, its undo records
// (the text, the selection before and after, the spans) and its notices, at the start, the
// middle and the end of the text, each beside a bare Document::insert of the same character in
// a change bracket of its own in the same run (targets: at most 4 times the bare insert, and
// under 0.2 ms). Then undo and redo per step: 1000 characters typed as steps of their own
// (undone and redone one step at a time), and 1000 typed in one run (one step), each beside the
// document's own undo of the same steps.
//   controller_bench --folder DIR [--units 100000000]

#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/Selection.h"
#include "service/document/undo/UndoContext.h"
#include "support/Bench.h"
#include "support/ControllerSession.h"
#include "GeneratedText.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

using tessel::Document;
using tessel::DocumentController;

constexpr int KEYSTROKES = 2000;
constexpr int RUNS = 5;
constexpr int STEPS = 1000;

wchar_t letter(int i) { return static_cast<wchar_t>(L'a' + i % 26); }

// Microseconds per character typed at consecutive offsets from offset on.
double controllerTyping(DocumentController& controller, int32_t offset, int count) {
    controller.getSelection().setCaretOffset(offset);
    const double start = bench::seconds();
    for (int i = 0; i < count; ++i) {
        const wchar_t unit = letter(i);
        DocumentController::Lock edit(controller, DocumentController::LOCK_EDIT);
        controller.typeText(&unit, 1);
    }
    return (bench::seconds() - start) / count * 1e6;
}

double bareTyping(Document& document, int32_t offset, int count) {
    const double start = bench::seconds();
    for (int i = 0; i < count; ++i) {
        const wchar_t unit = letter(i);
        document.beginChange(0, false);
        document.insert(offset + i, 1, &unit);
        document.endChange();
    }
    return (bench::seconds() - start) / count * 1e6;
}

// Best of RUNS for both, alternating, the bare insert right after the controller's text.
void keystroke(const char* name, DocumentController& controller, int32_t offset) {
    Document& document = controller.getDocument();
    controllerTyping(controller, offset, 1); // the gap moves here first
    double best = 1e30;
    double bestBare = 1e30;
    for (int run = 0; run < RUNS; ++run) {
        const int32_t at = controller.getCaretOffset();
        best = std::min(best, controllerTyping(controller, at, KEYSTROKES));
        bestBare = std::min(bestBare, bareTyping(document, at + KEYSTROKES, KEYSTROKES));
    }
    const std::string bareName = std::string(name) + "_bare_insert";
    bench::figure(bareName.c_str(), bestBare, "us");
    bench::figureBeside(name, best, "us", "bare_insert", bestBare);
}

// Steps of their own: each character one offset apart from the last, so none join.
void typeSteps(DocumentController* controller, Document& document, int32_t offset) {
    for (int i = 0; i < STEPS; ++i) {
        const wchar_t unit = letter(i);
        if (!controller) {
            document.beginChange(0, false);
            document.insert(offset + 2 * i, 1, &unit);
            document.endChange();
            continue;
        }
        DocumentController::Lock edit(*controller, DocumentController::LOCK_EDIT);
        controller->getSelection().setCaretOffset(offset + 2 * i);
        controller->typeText(&unit, 1);
    }
}

void replay(DocumentController* controller, Document& document, bool redo) {
    if (controller) {
        redo ? controller->redo() : controller->undo();
        return;
    }
    document.beginChange(0, true);
    redo ? document.getUndoContext().redo() : document.getUndoContext().undo();
    document.endChange();
}

// Seconds to replay count steps one by one; fails the benchmark when the text did not follow.
double replaySteps(DocumentController* controller, Document& document, bool redo, int count, int32_t expectedLength) {
    const double start = bench::seconds();
    for (int i = 0; i < count; ++i)
        replay(controller, document, redo);
    const double elapsed = bench::seconds() - start;
    if (document.getLength() != expectedLength) {
        std::fprintf(stderr, "%s did not give the text back\n", redo ? "redo" : "undo");
        std::exit(2);
    }
    return elapsed;
}

void undoRedo(DocumentController& controller) {
    Document& document = controller.getDocument();
    const int32_t middle = document.getLength() / 2;
    double perStep[2][2]; // [controller, bare][undo, redo], microseconds
    double oneRun[2][2];  // milliseconds
    for (int side = 0; side < 2; ++side) {
        DocumentController* through = side == 0 ? &controller : nullptr;
        const int32_t length = document.getLength();
        typeSteps(through, document, middle);
        perStep[side][0] = replaySteps(through, document, false, STEPS, length) / STEPS * 1e6;
        perStep[side][1] = replaySteps(through, document, true, STEPS, length + STEPS) / STEPS * 1e6;
        // One run of typing is one step.
        if (through)
            controllerTyping(controller, middle, STEPS);
        else
            bareTyping(document, middle, STEPS);
        oneRun[side][0] = replaySteps(through, document, false, 1, length + STEPS) * 1e3;
        oneRun[side][1] = replaySteps(through, document, true, 1, length + 2 * STEPS) * 1e3;
    }
    bench::figure("undo_step_bare", perStep[1][0], "us");
    bench::figureBeside("undo_step", perStep[0][0], "us", "bare", perStep[1][0]);
    bench::figure("redo_step_bare", perStep[1][1], "us");
    bench::figureBeside("redo_step", perStep[0][1], "us", "bare", perStep[1][1]);
    bench::figure("undo_run_1000_bare", oneRun[1][0], "ms");
    bench::figureBeside("undo_run_1000", oneRun[0][0], "ms", "bare", oneRun[1][0]);
    bench::figure("redo_run_1000_bare", oneRun[1][1], "ms");
    bench::figureBeside("redo_run_1000", oneRun[0][1], "ms", "bare", oneRun[1][1]);
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const bench::ControllerSession session(options);
    {
        tessel::DocumentManager documents;
        tessel::DocumentControllerManager controllers(documents);
        Document* document = documents.createDocument(L"");
        bench::Random random;
        bench::loadGeneratedText(*document, bench::unitsOption(options), random);
        document->clearUndo();
        DocumentController* controller = controllers.createController(*document);
        bench::figure("controller_document_lines", document->getLineCount(), "lines");

        keystroke("keystroke_start", *controller, 0);
        keystroke("keystroke_middle", *controller, document->getLength() / 2);
        keystroke("keystroke_end", *controller, document->getLength());
        undoRedo(*controller);
    }
    return 0;
}

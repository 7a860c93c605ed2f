// A snippet tab stop with 1000 mirrors spread over a document of about a million characters:
// characters typed into its primary through the DocumentController, one edit transaction each
// (undo records and the span tree's record included), every one rewriting all mirrors; beside
// the same insertion and the same mirror removals and insertions made directly on a Document of
// the same text, one change bracket per character, in the same run. Prints:
//   span_mirror_typing <ms> ms            (target: at most 16 ms per character)
//   span_mirror_typing_vs_bare <ratio>    (target: at most 3)
//   span_mirror_bench --folder DIR

#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/Selection.h"
#include "service/parser/spans/SpanContext.h"
#include "service/parser/spans/SpanManager.h"
#include "support/Bench.h"
#include "support/ControllerSession.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

using tessel::Document;
using tessel::DocumentController;

constexpr int MIRRORS = 1000;
constexpr int32_t FILLER = 1000; // characters between two mirrors
constexpr int TYPED = 40;  // per round
constexpr int ROUNDS = 3;  // each figure is the best round

// A thousand characters of lines of 60.
std::wstring filler() {
    std::wstring text;
    for (int32_t i = 0; i < FILLER; ++i)
        text += i % 61 == 60 ? L'\n' : static_cast<wchar_t>(L'a' + i % 26);
    return text;
}

wchar_t letter(int i) { return static_cast<wchar_t>(L'A' + i % 26); }

// The snippet: the primary at the start, then a filler and a mirror, MIRRORS times.
void buildSnippet(DocumentController& controller, tessel::SpanManager& spans) {
    DocumentController::Lock lock(controller, DocumentController::LOCK_EDIT);
    auto* snippet = new tessel::SpanContext(&spans.getRoot(), L"", 0);
    snippet->setContextFlags(tessel::SpanContext::CAN_BE_ACTIVE | tessel::SpanContext::TAB_NAVIGABLE);
    auto* primary = new tessel::Span();
    snippet->appendChild(primary, -1, false, nullptr);
    snippet->bindTabStop(primary, 1);
    const std::wstring text = filler();
    for (int i = 0; i < MIRRORS; ++i) {
        snippet->appendChild(new tessel::Span(FILLER), -1, true, text.c_str());
        auto* mirror = new tessel::Span();
        snippet->appendChild(mirror, -1, false, nullptr);
        snippet->bindTabStop(mirror, 1);
    }
    spans.setCurrentSpan(snippet);
    controller.gotoTabStop(true);
}

// Seconds for TYPED characters typed at the end of the primary.
double typeIntoPrimary(DocumentController& controller) {
    const double start = bench::seconds();
    for (int i = 0; i < TYPED; ++i) {
        DocumentController::Lock lock(controller, DocumentController::LOCK_EDIT);
        const wchar_t typed = letter(i);
        controller.typeText(&typed, 1);
    }
    return bench::seconds() - start;
}

// The same edits on a bare Document: the character, then each mirror removed and put back.
// typed holds what the primary holds.
double bareEdits(Document& document, std::wstring& typed) {
    const double start = bench::seconds();
    for (int i = 0; i < TYPED; ++i) {
        const auto length = static_cast<int32_t>(typed.size());
        document.beginChange(0, false);
        typed += letter(i);
        document.insert(length, 1, &typed.back());
        for (int m = 0; m < MIRRORS; ++m) {
            // Mirrors before m are rewritten already.
            const int32_t at = length + 1 + m * (FILLER + length + 1) + FILLER;
            if (length > 0)
                document.remove(at, length, true);
            document.insert(at, length + 1, typed.c_str(), true);
        }
        document.endChange();
    }
    return bench::seconds() - start;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const bench::ControllerSession session(options);
    int status = 0;
    {
        tessel::DocumentManager documents;
        tessel::DocumentControllerManager controllers(documents);
        tessel::SpanManager* spans = nullptr;
        controllers.setSpanManagerFactory([&spans](DocumentController& owner) {
            spans = new tessel::SpanManager(owner);
            return std::unique_ptr<tessel::ISpanManager>(spans);
        });
        Document* document = documents.createDocument(L"");
        DocumentController* controller = controllers.createController(*document);
        buildSnippet(*controller, *spans);
        Document* bare = documents.createDocument(L"");
        {
            std::wstring text;
            for (int i = 0; i < MIRRORS; ++i)
                text += filler();
            bare->beginChange(0, false);
            bare->insert(0, text);
            bare->endChange();
        }
        // Rounds in turn, so that both see the machine alike.
        double spanned = 1e30, direct = 1e30;
        std::wstring typed;
        for (int round = 0; round < ROUNDS; ++round) {
            spanned = std::min(spanned, typeIntoPrimary(*controller));
            direct = std::min(direct, bareEdits(*bare, typed));
        }
        if (bare->getText(0, bare->getLength()) != document->getText(0, document->getLength())) {
            std::fprintf(stderr, "the bare edits made another text\n");
            status = 1;
        }
        bench::figure("span_mirror_document", document->getLength(), "characters");
        bench::figure("span_mirror_bare", direct / TYPED * 1e3, "ms");
        bench::figureBeside("span_mirror_typing", spanned / TYPED * 1e3, "ms", "bare", direct / TYPED * 1e3);
    }
    return status;
}

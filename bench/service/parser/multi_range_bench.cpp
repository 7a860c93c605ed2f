// Multi-range editing and replace all through the DocumentController with its span manager, on
// a generated document of 10 million characters of five-letter words (the gap in the middle):
//   - a 20-character word typed at 1 000 carets spread over the text, one edit transaction per
//     keystroke, beside the same 1 000 one-character inserts made as bare Document::insert calls
//     in one change bracket (targets: under 25 ms per keystroke, within 5 x the bare inserts);
//   - replace all of a common whole word (about 12 000 matches) through the search action inside
//     a selection of the whole text, then undo and redo, beside the finder-and-replacer loop of
//     the search layer on the same text in one change bracket (targets: under 1 s, within 10 x
//     the loop; undo and redo each no slower than the replace all).
//   multi_range_bench --folder DIR

#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/SearchAction.h"
#include "service/document/controller/SearchActionRecord.h"
#include "service/document/controller/Selection.h"
#include "service/document/search/FinderBoyerMoore.h"
#include "service/document/search/Replacer.h"
#include "service/parser/spans/SpanManager.h"
#include "service/document/ReplaceAllLoop.h"
#include "support/Bench.h"
#include "support/ControllerSession.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using tessel::Document;
using tessel::DocumentController;

constexpr int32_t UNITS = 10000000;
constexpr int CARETS = 1000;
constexpr int WORDS = 140; // the common word is one in WORDS
const wchar_t* const TYPED = L"multirangeeditingok!";
const wchar_t* const COMMON_WORD = L"aaorq"; // the first of the words
const wchar_t* const REPLACEMENT = L"other";

void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(2);
}

// Lines of ten five-letter words drawn from WORDS; the first word is the common one.
std::wstring generateText() {
    std::vector<std::wstring> words;
    for (int i = 0; i < WORDS; ++i)
        words.push_back({static_cast<wchar_t>(L'a' + i % 26), static_cast<wchar_t>(L'a' + i / 26 % 26), L'o', L'r',
                         L'q'});
    uint32_t state = 0x9E3779B9u;
    std::wstring text;
    text.reserve(UNITS);
    for (int word = 0; static_cast<int32_t>(text.size()) + 6 <= UNITS; ++word) {
        state = state * 1664525u + 1013904223u;
        text += words[(state >> 8) % WORDS];
        text += word % 10 == 9 ? L'\n' : L' ';
    }
    return text;
}

// Milliseconds per keystroke of TYPED at CARETS carets; the text then holds it at each.
double typeAtCarets(DocumentController& controller) {
    std::vector<tessel::SelectionRange> carets;
    const int32_t step = controller.getDocument().getLength() / CARETS;
    for (int i = 0; i < CARETS; ++i)
        carets.emplace_back(i * step, i * step, 0);
    {
        DocumentController::Lock lock(controller, DocumentController::LOCK_EDIT);
        controller.getSelection().applyRanges(carets);
    }
    const size_t keys = std::wcslen(TYPED);
    const double start = bench::seconds();
    for (size_t key = 0; key < keys; ++key) {
        DocumentController::Lock lock(controller, DocumentController::LOCK_EDIT);
        controller.typeText(TYPED + key, 1);
    }
    return (bench::seconds() - start) / static_cast<double>(keys) * 1e3;
}

// Milliseconds for CARETS one-character inserts in one change bracket, per keystroke.
double bareInserts(Document& document) {
    const size_t keys = std::wcslen(TYPED);
    const int32_t step = document.getLength() / CARETS;
    const double start = bench::seconds();
    for (size_t key = 0; key < keys; ++key) {
        document.beginChange(0, false);
        for (int i = CARETS - 1; i >= 0; --i)
            document.insert(i * step + (i + 1) * static_cast<int32_t>(key), 1, TYPED + key);
        document.endChange();
    }
    return (bench::seconds() - start) / static_cast<double>(keys) * 1e3;
}

template <class Body>
double timed(Body body) {
    const double start = bench::seconds();
    body();
    return bench::seconds() - start;
}

} // namespace

// The documents and controllers of the run, each document holding the generated text.
struct Editing {
    tessel::DocumentManager documents;
    tessel::DocumentControllerManager controllers{documents};
    const std::wstring text = generateText();

    Editing() { tessel::SpanManager::install(controllers); }
    Document* open() {
        Document* document = documents.createDocument(L"");
        document->beginChange(0, false);
        document->insert(0, text);
        document->endChange();
        document->clearUndo();
        return document;
    }
    std::wstring textOf(const Document* document) const { return document->getText(0, document->getLength()); }
};

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const bench::ControllerSession session(options);
    Editing editing;
    Document* typed = editing.open();
    DocumentController* controller = editing.controllers.createController(*typed);
    Document* bare = editing.open();
    const double keystroke = typeAtCarets(*controller);
    const double inserts = bareInserts(*bare);
    if (editing.textOf(typed) != editing.textOf(bare))
        fail("typing at the carets and the bare inserts made different texts");
    bench::figure("multi_range_document", typed->getLength(), "characters");
    bench::figure("multi_range_bare_inserts", inserts, "ms");
    bench::figureBeside("multi_range_keystroke", keystroke, "ms", "bare", inserts);

    Document* searched = editing.open();
    DocumentController* replacing = editing.controllers.createController(*searched);
    {
        DocumentController::Lock lock(*replacing, DocumentController::LOCK_EDIT);
        replacing->getSelection().setOffsets(0, searched->getLength(), tessel::selection_ids::NORMAL);
    }
    tessel::SearchActionRecord record;
    record.parameters.findText = COMMON_WORD;
    record.parameters.replaceText = REPLACEMENT;
    record.parameters.matchCase = true;
    record.parameters.wholeWord = true;
    record.parameters.scope = tessel::SearchActionRecord::SCOPE_SELECTION;
    record.canReplace = true;
    const double replaced =
        timed([&] { tessel::ssOnAction(*replacing, record, tessel::search_actions::REPLACE_ALL, false); });
    const std::wstring after = editing.textOf(searched);
    const double undone = timed([&] { replacing->undo(); });
    if (editing.textOf(searched) != editing.text)
        fail("undo did not give the text back");
    const double redone = timed([&] { replacing->redo(); });
    Document* looped = editing.open();
    tessel::FinderBoyerMoore finder(COMMON_WORD, false, true);
    tessel::ReplacerSimple replacer(REPLACEMENT);
    int matches = 0;
    const double loop = timed([&] { matches = bench::replaceAllLoop(*looped, finder, replacer); });
    if (editing.textOf(searched) != after || editing.textOf(looped) != after)
        fail("redo, or the search layer's loop, made another text than replace all");
    bench::figure("multi_range_replace_all_matches", matches, "matches");
    bench::figure("multi_range_replace_loop", loop, "s");
    bench::figureBeside("multi_range_replace_all", replaced, "s", "loop", loop);
    bench::figureBeside("multi_range_replace_all_undo", undone, "s", "replace_all", replaced);
    bench::figureBeside("multi_range_replace_all_redo", redone, "s", "replace_all", replaced);
    editing.controllers.deleteController(controller);
    editing.controllers.deleteController(replacing);
    return 0;
}

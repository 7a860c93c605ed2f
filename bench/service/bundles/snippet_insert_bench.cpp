// A five-line snippet with three tab stops and mirrors inserted at 1 000 carets of a 10 000-line
// document through a DocumentController with its span manager, in one edit transaction, and
// that insertion undone (target: under 50 ms each; no peer). Best of three rounds.
//   snippet_insert_bench --folder DIR

#include "service/bundles/snippets/SnippetInsertion.h"
#include "service/bundles/snippets/SnippetReader.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/Selection.h"
#include "service/parser/spans/SpanManager.h"
#include "support/Bench.h"
#include "support/ControllerSession.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using tessel::DocumentController;

constexpr int LINES = 10000;
constexpr int CARETS = 1000;
const wchar_t* const SNIPPET = L"for (${1:i} = 0; $1 < ${2:count}; ++$1) {\n"
                               L"\t${3:body($1)}\n"
                               L"}\n"
                               L"// ${2/(\\w+)/\\U$1/} done\n"
                               L"$0";

void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(2);
}

std::wstring generateText() {
    std::wstring text;
    for (int line = 0; line < LINES; ++line)
        text += L"    statement(" + std::to_wstring(line) + L", value, other);\n";
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const bench::ControllerSession session(options);
    tessel::DocumentManager documents;
    tessel::DocumentControllerManager controllers{documents};
    tessel::SpanManager::install(controllers);
    const std::wstring text = generateText();
    tessel::Document* document = documents.createDocument(L"");
    DocumentController* controller = controllers.createController(*document);
    controller->setIndentation(4, true);
    controller->setText(text);
    document->clearUndo();
    const std::unique_ptr<tessel::Snippet> snippet = tessel::SnippetReader().read(SNIPPET);

    std::vector<tessel::SelectionRange> carets;
    for (int i = 0; i < CARETS; ++i) {
        const int32_t at = document->getLineStart(i * (LINES / CARETS)) + 4;
        carets.emplace_back(at, at, i);
    }
    double inserted = 1e30;
    double undone = 1e30;
    int32_t grown = 0;
    for (int round = 0; round < 3; ++round) {
        {
            DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
            controller->getSelection().applyRanges(carets);
        }
        double start = bench::seconds();
        {
            DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
            tessel::SnippetInsertion::insertSnippet(*controller, *snippet);
        }
        inserted = std::min(inserted, bench::seconds() - start);
        grown = document->getLength() - static_cast<int32_t>(text.size());
        const std::wstring after = document->getText(0, document->getLength());
        int expanded = 0;
        for (size_t at = after.find(L"for (i = 0; i < count; ++i) {\n        body(i)\n    }\n    // COUNT done\n");
             at != std::wstring::npos; at = after.find(L"for (i = 0;", at + 1))
            ++expanded;
        if (expanded != CARETS)
            fail("the snippet is not at every caret");
        start = bench::seconds();
        if (!controller->undo())
            fail("nothing to undo");
        undone = std::min(undone, bench::seconds() - start);
        if (document->getText(0, document->getLength()) != text)
            fail("undo did not give the text back");
    }
    bench::figure("snippet_insert_carets", CARETS, "carets");
    bench::figure("snippet_insert_added", grown, "characters");
    bench::figure("snippet_insert", inserted * 1e3, "ms");
    bench::figure("snippet_insert_undo", undone * 1e3, "ms");
    controllers.deleteController(controller);
    return 0;
}

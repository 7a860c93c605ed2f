#include "service/bundles/snippets/SnippetInsertion.h"
#include "service/bundles/snippets/SnippetBundleItem.h"
#include "service/bundles/snippets/SnippetExpander.h"

#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"
#include "service/parser/spans/SpanContext.h"
#include "service/parser/spans/SpanManager.h"

#include "pel/base/Crc.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <vector>

namespace tessel {

namespace {

constexpr uint32_t LOG_BUNDLES = pel::crc32Literal("bundles");

} // namespace

const wchar_t* const SnippetInsertion::CONTEXT_NAME = L"app.document.context.snippet";
const wchar_t* const SnippetInsertion::SELECTED_TEXT = L"SELECTED_TEXT";

uint32_t SnippetInsertion::contextId() { return pel::crc32String(CONTEXT_NAME); }

bool SnippetInsertion::insertSnippet(DocumentController& controller, const Snippet& snippet) {
    // The spans write into the document: only inside an edit, which the undo log records.
    if (!controller.canEdit(L"insertSnippet"))
        return false;
    // Snippet contexts are spans of the span manager's own classes.
    auto* spans = dynamic_cast<SpanManager*>(&controller.getSpanManager());
    if (!spans) {
        pel::log_printf(pel::LOG_ERROR, LOG_BUNDLES, L"SnippetInsertion::insertSnippet(): no span tree");
        return false;
    }
    SnippetExpansionContext expansion;
    expansion.tabWidth = controller.getTabWidth();
    expansion.useSpaces = controller.getFormat().indentation.soft != 0;
    DocumentController::SelectionChange outer(controller);
    DocumentController::SelectionChange inner(controller);
    Selection& selection = controller.getSelection();
    Span* newest = selection.createSpanContext(*spans, CONTEXT_NAME);
    if (!newest)
        return false;
    auto* context = static_cast<SpanContext*>(newest->getContext());
    std::vector<Span*> ranges;
    spans->getChildren(context, ranges);
    const Document& document = controller.getDocument();
    SnippetExpander expander(*context, expansion);
    for (Span* range : ranges) {
        const int32_t start = range->getStart();
        const int32_t length = std::max(0, std::min(range->getLength(), document.getLength() - start));
        expansion.variables[SELECTED_TEXT] = length > 0 ? document.getText(start, length) : std::wstring();
        if (range->getLength() > 0)
            range->replaceText(controller, 0, L"");
        // The blanks after the insertion point (the rest of a blank line) do not indent it.
        expansion.insertionColumn = std::max(0, controller.getIndentationBefore(controller.offsetToPosition(start), true));
        expander.expandSnippet(*range, snippet);
    }
    expander.bindMirrors();
    context->syncAllMirrors(controller);
    context->setContextFlags(context->getContextFlags() | SpanContext::TAB_NAVIGABLE);
    spans->setCurrentSpan(context);
    if (!spans->gotoTabStop(true)) {
        // Without a tab stop the snippet is plain text: the caret goes after it.
        const int32_t caret = newest->getEnd();
        spans->leaveContext(context);
        selection.setCaretOffset(caret);
    }
    return true;
}

bool SnippetInsertion::insertItem(DocumentController& controller, SnippetBundleItem& item) {
    const Snippet* snippet = nullptr;
    try {
        snippet = item.getSnippet();
    } catch (const pel::Exception& e) {
        pel::log_printf(pel::LOG_ERROR, LOG_BUNDLES, L"SnippetInsertion::insertItem(): `%s`: %s",
                        item.getTitle().c_str(), e.displayText().c_str());
        return false;
    }
    if (!snippet)
        return false;
    DocumentController::Lock lock(controller, DocumentController::LOCK_EDIT);
    return insertSnippet(controller, *snippet);
}

} // namespace tessel

#pragma once
// Inserts a snippet into a document at every range of its controller's selection: one span
// context over the ranges ("app.document.context.snippet", which the caret's scope then
// holds), each range's text replaced by its own expansion of the snippet (its text the
// variable SELECTED_TEXT), then the caret on the first tab stop, or after the text when there
// is none.

#include <cstdint>

namespace tessel {

class DocumentController;
class Snippet;
class SnippetBundleItem;

class SnippetInsertion {
public:
    static const wchar_t* const CONTEXT_NAME; // "app.document.context.snippet"
    static const wchar_t* const SELECTED_TEXT; // "SELECTED_TEXT"

    SnippetInsertion() = delete;

    // The id of the snippet context: pel::crc32String(CONTEXT_NAME), 0x74162508.
    static uint32_t contextId();

    // Inserts inside the controller's open edit transaction, in one selection change. False,
    // nothing changed, outside an edit transaction (a soft assertion), in a read-only document
    // or when the controller has no span tree.
    static bool insertSnippet(DocumentController& controller, const Snippet& snippet);
    // Reads the item's snippet first, then inserts it in an edit transaction of its own. A
    // content with a syntax error is logged and, like one that gives no snippet, inserts
    // nothing (false); the document is never left inside an open transaction.
    static bool insertItem(DocumentController& controller, SnippetBundleItem& item);
};

} // namespace tessel

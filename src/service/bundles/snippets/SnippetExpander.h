#pragma once
// Expands a Snippet's nodes into spans of a document: text becomes plain spans (its lines after
// the first indented by the insertion column, their leading blanks rewritten in the document's
// indentation), masters and mirrors become spans bound to their tab stops, transformations
// become SpanTransformations, variables spans holding their values. Masters are bound as they
// are made and mirrors only at the end (bindMirrors), so that a stop's master is its primary
// span even where a mirror comes first in the text.

#include "service/bundles/snippets/Snippet.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tessel {

class Span;
class SpanContext;

struct SnippetExpansionContext {
    int32_t insertionColumn = 0; // the indentation of the line the snippet goes into
    int32_t tabWidth = 4;
    bool useSpaces = false;
    std::map<std::wstring, std::wstring> variables;
};

class SnippetExpander {
public:
    // Binds tab stops in context; expansion reads the settings of expansion as they are at
    // each call.
    SnippetExpander(SpanContext& context, const SnippetExpansionContext& expansion);

    // Appends the spans of node (and its subtree) under parent, inserting their text. True.
    bool expand(Span& parent, const SnippetNode& node);
    // As expand, for a whole snippet at once: its spans are built outside the tree, then linked
    // under parent with one insertion of their text, so that the spans after parent move once
    // and not once for every piece of text.
    void expandSnippet(Span& parent, const Snippet& snippet);
    // Binds the mirrors expanded so far to their tab stops.
    void bindMirrors();

    // The text with every line after the first (an empty one after a final line feed too)
    // indented by the insertion column plus its own leading blanks, written as the document
    // indents; CR LF and lone CRs become line feeds.
    std::wstring indentText(const std::wstring& text) const;

private:
    void expandChildren(Span& parent, const SnippetActiveNode& node);
    void appendText(Span& parent, const std::wstring& text);

    SpanContext& m_context;
    const SnippetExpansionContext& m_expansion;
    std::vector<std::pair<Span*, int32_t>> m_mirrors;
    // The text of the spans being built outside the tree, in order; null while expanding in it.
    std::wstring* m_detachedText = nullptr;
};

} // namespace tessel

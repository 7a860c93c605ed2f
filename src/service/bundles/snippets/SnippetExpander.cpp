#include "service/bundles/snippets/SnippetExpander.h"

#include "service/parser/spans/SpanContext.h"
#include "service/parser/spans/SpanTransformation.h"

#include "pel/text/Indentation.h"

namespace tessel {

SnippetExpander::SnippetExpander(SpanContext& context, const SnippetExpansionContext& expansion)
    : m_context(context), m_expansion(expansion) {}

bool SnippetExpander::expand(Span& parent, const SnippetNode& node) {
    if (node.kind == SnippetNode::KIND_TEXT) {
        appendText(parent, indentText(static_cast<const SnippetTextNode&>(node).text));
        return true;
    }
    const auto& active = static_cast<const SnippetActiveNode&>(node);
    if (active.isVariable) {
        const auto known = m_expansion.variables.find(active.name);
        if (known == m_expansion.variables.end()) {
            // ${NAME:default} shows its default.
            auto* span = new Span();
            parent.appendChild(span, -1, false, nullptr);
            expandChildren(*span, active);
        } else if (!active.isTransformation()) {
            appendText(parent, known->second);
        } else {
            std::wstring transformed;
            SpanTransformation(active.regex, active.format, active.options).transform(known->second, transformed);
            appendText(parent, transformed);
        }
        return true;
    }
    Span* span = active.kind == SnippetNode::KIND_MIRROR && active.isTransformation()
                     ? new SpanTransformation(active.regex, active.format, active.options)
                     : new Span();
    parent.appendChild(span, -1, false, nullptr);
    if (active.number >= 0) {
        if (active.kind == SnippetNode::KIND_MASTER)
            m_context.bindTabStop(span, active.number);
        else
            m_mirrors.emplace_back(span, active.number);
    }
    expandChildren(*span, active);
    return true;
}

void SnippetExpander::expandSnippet(Span& parent, const Snippet& snippet) {
    // The root is a span holding the rest: outside the tree, appending text only makes room.
    auto* root = new Span();
    std::wstring text;
    m_detachedText = &text;
    try {
        expandChildren(*root, snippet.root());
    } catch (...) {
        m_detachedText = nullptr;
        root->destroy();
        throw;
    }
    m_detachedText = nullptr;
    parent.appendChild(root, -1, true, text.c_str());
}

void SnippetExpander::bindMirrors() {
    for (const auto& mirror : m_mirrors)
        m_context.bindTabStop(mirror.first, mirror.second);
    m_mirrors.clear();
}

void SnippetExpander::expandChildren(Span& parent, const SnippetActiveNode& node) {
    for (const std::unique_ptr<SnippetNode>& child : node.children)
        expand(parent, *child);
}

void SnippetExpander::appendText(Span& parent, const std::wstring& text) {
    if (text.empty())
        return;
    parent.appendChild(new Span(static_cast<int32_t>(text.size())), -1, true, text.c_str());
    if (m_detachedText)
        m_detachedText->append(text);
}

std::wstring SnippetExpander::indentText(const std::wstring& text) const {
    pel::Indentation indentation;
    indentation.set(m_expansion.tabWidth, m_expansion.useSpaces ? 1 : 0);
    std::wstring out;
    out.reserve(text.size());
    size_t at = 0;
    bool first = true;
    while (true) {
        size_t end = text.find_first_of(L"\r\n", at);
        const size_t lineEnd = end == std::wstring::npos ? text.size() : end;
        if (first) {
            out.append(text, at, lineEnd - at);
        } else {
            size_t blanks = 0;
            const int width = pel::Indentation::measure(text.c_str() + at, lineEnd - at, indentation, &blanks);
            pel::Indentation::append(m_expansion.insertionColumn + width, &out, indentation);
            out.append(text, at + blanks, lineEnd - at - blanks);
        }
        if (end == std::wstring::npos)
            break;
        out += L'\n';
        if (text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n')
            ++end;
        at = end + 1;
        first = false;
    }
    return out;
}

} // namespace tessel

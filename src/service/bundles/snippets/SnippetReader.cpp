#include "service/bundles/snippets/SnippetReader.h"

#include "pel/text/LineMap.h"

#include <algorithm>
#include <cwchar>

namespace tessel {

namespace {

bool isDigit(wchar_t unit) { return unit >= L'0' && unit <= L'9'; }
bool isNameStart(wchar_t unit) {
    return (unit >= L'a' && unit <= L'z') || (unit >= L'A' && unit <= L'Z') || unit == L'_';
}
bool isWordUnit(wchar_t unit) { return isNameStart(unit) || isDigit(unit); }
// What a backslash escapes in text; before anything else it stays.
bool isEscapable(wchar_t unit) { return unit == L'$' || unit == L'\\' || unit == L'`' || unit == L'}'; }

} // namespace

SnippetReader::SnippetReader() = default;

SnippetReader::~SnippetReader() = default;

std::unique_ptr<Snippet> SnippetReader::read(const std::wstring& text) {
    m_text = text.c_str();
    m_length = std::wcslen(m_text);
    m_at = 0;
    m_lines = std::make_unique<pel::LineMap>(m_text, static_cast<uint32_t>(m_length));
    auto snippet = std::make_unique<Snippet>();
    m_snippet = snippet.get();
    const bool complete = readSequence(snippet->root(), 0, 0);
    m_snippet = nullptr;
    if (!complete)
        snippet.reset();
    return snippet;
}

bool SnippetReader::readSequence(SnippetActiveNode& parent, int depth, size_t openAt) {
    while (m_at < m_length) {
        const wchar_t unit = m_text[m_at];
        if (unit == L'$') {
            const wchar_t next = m_at + 1 < m_length ? m_text[m_at + 1] : L'\0';
            if (next == L'{') {
                if (!readPlaceholder(parent, depth))
                    return false;
            } else if (isWordUnit(next)) {
                ++m_at;
                auto node = std::make_unique<SnippetActiveNode>();
                node->name = readWord();
                registerAndAppend(parent, std::move(node));
            } else {
                warn(L"Not escaped `$`.", m_at++);
                appendText(parent, L"$");
            }
        } else if (unit == L'`') {
            skipBackticks();
        } else if (unit == L'}' && depth > 0) {
            ++m_at;
            return true;
        } else {
            readText(parent, depth);
        }
    }
    if (depth > 0)
        failEnd(openAt);
    return true;
}

bool SnippetReader::readPlaceholder(SnippetActiveNode& parent, int depth) {
    const size_t openAt = m_at;
    m_at += 2;
    if (depth >= MAX_DEPTH)
        throw pel::UnexpectedTokenException(positionOf(openAt), positionOf(m_at), L"${",
                                            L"at most 256 nested placeholders");
    if (m_at == m_length) {
        warn(L"Placeholder was ignored.", openAt);
        return false;
    }
    auto node = std::make_unique<SnippetActiveNode>();
    if (!isWordUnit(m_text[m_at]))
        failToken(m_at, L"variable or number");
    node->name = readWord();
    if (m_at == m_length)
        failEnd(openAt);
    switch (m_text[m_at++]) {
    case L'}':
        break;
    case L':':
        if (!readSequence(*node, depth + 1, openAt))
            return false;
        break;
    case L'/':
        node->regex = readPart(openAt);
        node->format = readPart(openAt);
        while (m_at < m_length && isWordUnit(m_text[m_at]))
            node->options += m_text[m_at++];
        if (m_at == m_length)
            failEnd(openAt);
        if (m_text[m_at] != L'}')
            failToken(m_at, L"}");
        ++m_at;
        break;
    default:
        failToken(m_at - 1, L"} : or /");
    }
    registerAndAppend(parent, std::move(node));
    return true;
}

std::wstring SnippetReader::readPart(size_t openAt) {
    std::wstring part;
    while (m_at < m_length && m_text[m_at] != L'/') {
        if (m_text[m_at] == L'\\' && m_at + 1 < m_length)
            part += m_text[m_at++];
        part += m_text[m_at++];
    }
    if (m_at == m_length)
        failEnd(openAt);
    ++m_at;
    return part;
}

std::wstring SnippetReader::readWord() {
    const size_t start = m_at;
    // A number ends at its first non-digit; a name runs on over letters, digits and "_".
    if (isDigit(m_text[m_at]))
        while (m_at < m_length && isDigit(m_text[m_at]))
            ++m_at;
    else
        while (m_at < m_length && isWordUnit(m_text[m_at]))
            ++m_at;
    return std::wstring(m_text + start, m_at - start);
}

void SnippetReader::readText(SnippetActiveNode& parent, int depth) {
    std::wstring text;
    while (m_at < m_length) {
        const wchar_t unit = m_text[m_at];
        if (unit == L'$' || unit == L'`' || (unit == L'}' && depth > 0))
            break;
        ++m_at;
        if (unit != L'\\') {
            text += unit;
            continue;
        }
        if (m_at == m_length)
            break; // a backslash at the very end is dropped
        const wchar_t escaped = m_text[m_at++];
        if (!isEscapable(escaped))
            text += L'\\';
        text += escaped;
    }
    appendText(parent, text);
}

void SnippetReader::skipBackticks() {
    ++m_at;
    while (m_at < m_length && m_text[m_at] != L'`')
        m_at += m_text[m_at] == L'\\' ? 2 : 1;
    m_at = std::min(m_at + 1, m_length);
}

void SnippetReader::appendText(SnippetActiveNode& parent, const std::wstring& text) {
    if (text.empty())
        return;
    if (!parent.children.empty() && parent.children.back()->kind == SnippetNode::KIND_TEXT) {
        static_cast<SnippetTextNode&>(*parent.children.back()).text += text;
        return;
    }
    parent.append(std::make_unique<SnippetTextNode>(text));
}

void SnippetReader::registerAndAppend(SnippetActiveNode& parent, std::unique_ptr<SnippetActiveNode> node) {
    m_snippet->registerNode(node.get());
    parent.append(std::move(node));
}

void SnippetReader::warn(const wchar_t* message, size_t at) {
    m_warnings.push_back(Warning{L"warning", message, positionOf(at)});
}

pel::TextPosition SnippetReader::positionOf(size_t at) { return m_lines->getPosition(static_cast<uint32_t>(at)); }

void SnippetReader::failToken(size_t at, const wchar_t* expected) {
    throw pel::UnexpectedTokenException(positionOf(at), positionOf(std::min(at + 1, m_length)), L"unknown", expected);
}

void SnippetReader::failEnd(size_t openAt) {
    throw pel::UnexpectedlyTerminatedException(positionOf(openAt), positionOf(m_length));
}

} // namespace tessel

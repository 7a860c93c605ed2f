#include "pel/text/StringTemplate.h"

#include "pel/text/NumberText.h"
#include "pel/text/search/RegEx.h"
#include "pel/text/search/StringScanner.h"

namespace pel {

namespace {

const RegEx& digitsPattern() {
    // Lives until the process ends: the engine may already be shut down when statics die.
    static const RegEx* const pattern = RegEx::create(L"[0-9]+").release();
    return *pattern;
}

// Splits the text into literal runs and "{N}" placeholders. There is no escape: "{{" stays two
// braces, and a "{" that does not open a well-formed placeholder is literal with every
// character consumed after it.
void parse(const std::wstring& text, std::vector<std::shared_ptr<const StringTemplateNode>>& nodes) {
    StringScanner scanner;
    scanner.setBuffer(text.c_str(), 0);
    std::wstring pending;
    auto flushPending = [&] {
        if (!pending.empty()) {
            nodes.push_back(std::make_shared<StringTemplateTextNode>(pending));
            pending.clear();
        }
    };
    while (!scanner.isAtEnd()) {
        const int brace = scanner.getPosition();
        if (!scanner.scanChar(L'{')) {
            pending += scanner.currentChar();
            scanner.setPosition(brace + 1);
            continue;
        }
        if (scanner.isAtEnd()) {
            pending += L'{';
            continue;
        }
        if (scanner.scanChar(L'{')) {
            pending += L"{{";
            continue;
        }
        flushPending();
        unsigned int number = 0;
        bool closed = false;
        if (scanner.scanRegEx(&digitsPattern()) && parseUnsigned(&number, scanner.getMatchedText()) &&
            !scanner.isAtEnd()) {
            closed = scanner.currentChar() == L'}';
            scanner.setPosition(scanner.getPosition() + 1);
        }
        if (closed)
            nodes.push_back(std::make_shared<StringTemplateParameterNode>(number));
        else
            pending.append(text, static_cast<size_t>(brace), static_cast<size_t>(scanner.getPosition() - brace));
    }
    flushPending();
}

} // namespace

void StringTemplateTextNode::appendTo(const Parameters&, std::wstring& out) const {
    out += m_text;
}

void StringTemplateParameterNode::appendTo(const Parameters& parameters, std::wstring& out) const {
    const auto found = parameters.find(m_number);
    if (found != parameters.end())
        found->second.appendTo(out);
}

StringTemplate::StringTemplate(const std::wstring& text) : m_text(text) {
    parse(m_text, m_nodes);
}

StringTemplate& StringTemplate::arg(unsigned int number, const StringTemplateValue& value) {
    const auto found = m_parameters.find(number);
    if (found != m_parameters.end())
        found->second = value;
    else
        m_parameters.emplace(number, value);
    m_result.clear();
    return *this;
}

const std::wstring& StringTemplate::render() const {
    if (m_result.empty()) {
        for (const auto& node : m_nodes)
            node->appendTo(m_parameters, m_result);
    }
    return m_result;
}

} // namespace pel

#include "pel/text/StringTemplate.h"

#include "pel/text/NumberText.h"

namespace pel {

namespace {

// Splits the text into literal runs and "{N}" placeholders in one pass. There is no escape:
// "{{" stays two braces, and a "{" that does not open a well-formed placeholder is literal with
// every character consumed after it.
void parse(const std::wstring& text, std::vector<std::shared_ptr<const StringTemplateNode>>& nodes) {
    const size_t length = text.size();
    std::wstring pending;
    size_t at = 0;
    while (at < length) {
        const size_t brace = at++;
        if (text[brace] != L'{' || at == length) {
            pending += text[brace];
            continue;
        }
        if (text[at] == L'{') {
            pending += L"{{";
            ++at;
            continue;
        }
        size_t digitsEnd = at;
        while (digitsEnd < length && text[digitsEnd] >= L'0' && text[digitsEnd] <= L'9')
            ++digitsEnd;
        unsigned int number = 0;
        bool closed = false;
        if (digitsEnd > at) {
            const bool parsed = parseUnsigned(&number, static_cast<int>(digitsEnd - at), text.data() + at);
            at = digitsEnd;
            if (parsed && at < length)
                closed = text[at++] == L'}';
        }
        if (!closed) {
            pending.append(text, brace, at - brace);
            continue;
        }
        if (!pending.empty())
            nodes.push_back(std::make_shared<StringTemplateTextNode>(pending));
        pending.clear();
        nodes.push_back(std::make_shared<StringTemplateParameterNode>(number));
    }
    if (!pending.empty())
        nodes.push_back(std::make_shared<StringTemplateTextNode>(pending));
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

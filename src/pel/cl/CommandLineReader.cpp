#include "pel/cl/ArgumentsLexer.h"
#include "pel/cl/CommandLine.h"
#include "pel/cl/CommandLineOptionValueTraits.h"

#include "pel/text/StringTemplate.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/StringValue.h"

#include <vector>

namespace pel {

namespace {

using Token = ArgumentsLexer::Token;

[[noreturn]] void fail(const std::wstring& message, int start, int end) {
    throw ParserException(message, ArgumentsLexer::position(start), ArgumentsLexer::position(end));
}

// One run of the parse: the option being filled and the words no option took yet.
class Reader {
public:
    Reader(const CommandLineOptions& options, const std::wstring& text)
        : m_options(options), m_lexer(text), m_result(new DictionaryValue()) {}

    std::unique_ptr<DictionaryValue> run();

private:
    void takeOption(const Token& token);
    void beginOption(const CommandLineOption* option);
    void endOption(int at);
    // Makes the parameter that takes the next value current; false when the option is full.
    bool hasRoom();
    void addValue(const std::wstring& text);
    void finish(int at);

    const CommandLineOptions& m_options;
    ArgumentsLexer m_lexer;
    std::unique_ptr<DictionaryValue> m_result;
    std::vector<std::wstring> m_waiting;
    const CommandLineOption* m_option = nullptr;
    AbstractDictionaryValue* m_values = nullptr;
    size_t m_used = 0;
    const CommandLineOptionParameter* m_parameter = nullptr;
};

std::unique_ptr<DictionaryValue> Reader::run() {
    Token token;
    m_lexer.next(&token); // the program
    for (m_lexer.next(&token); token.kind != ArgumentsLexer::TOKEN_END; m_lexer.next(&token)) {
        if (token.kind == ArgumentsLexer::TOKEN_SHORT_OPTION || token.kind == ArgumentsLexer::TOKEN_LONG_OPTION)
            takeOption(token);
        else if (m_option && hasRoom())
            addValue(token.text);
        else
            m_waiting.push_back(token.text);
    }
    finish(token.start);
    return std::move(m_result);
}

void Reader::takeOption(const Token& token) {
    const CommandLineOption* option = token.kind == ArgumentsLexer::TOKEN_SHORT_OPTION
                                          ? m_options.findByShortName(token.text)
                                          : m_options.findByLongName(token.text);
    if (!option)
        fail(StringTemplate(L"Unknown parameter `{0}`").arg(0, token.text).render(), token.start, token.end);
    if (!m_waiting.empty())
        fail(L"Unexpected parameter.", token.start, token.end);
    endOption(token.start);
    beginOption(option);
}

void Reader::beginOption(const CommandLineOption* option) {
    m_values = m_result->findDictionary(option->longName);
    if (!m_values) {
        m_values = DictionaryValue::create();
        m_result->setValue(option->longName, m_values);
    }
    m_option = option;
    m_used = 0;
    m_parameter = nullptr;
}

void Reader::endOption(int at) {
    if (m_option && m_used != m_option->parameters.size())
        fail(StringTemplate(L"Parameter `{1}` not specified for option `{2}`.")
                 .arg(1, m_option->parameters[m_used].name)
                 .arg(2, m_option->longName)
                 .render(),
             at, at);
}

bool Reader::hasRoom() {
    if (m_parameter && (m_parameter->flags & CommandLineOptionParameter::FLAG_MULTIPLE))
        return true;
    if (m_used >= m_option->parameters.size())
        return false;
    m_parameter = &m_option->parameters[m_used++];
    return true;
}

void Reader::addValue(const std::wstring& text) {
    std::wstring value = text;
    if (m_parameter->traits)
        m_parameter->traits->convert(&value);
    if (!(m_parameter->flags & CommandLineOptionParameter::FLAG_MULTIPLE)) {
        m_values->setValue(m_parameter->name, StringValue::create(value));
        return;
    }
    ListValue* list = m_values->findList(m_parameter->name);
    if (!list) {
        list = ListValue::create();
        m_values->setValue(m_parameter->name, list);
    }
    list->append(StringValue::create(value));
}

void Reader::finish(int at) {
    for (const CommandLineOptionPtr& option : m_options.items())
        if ((option->flags & CommandLineOption::FLAG_REQUIRED) && !m_result->hasKey(option->longName))
            fail(StringTemplate(L"Required option `{1}` not specified.").arg(1, option->longName).render(), at, at);
    const CommandLineOption* fallback = m_options.defaultOption();
    if (!m_waiting.empty() && !fallback) {
        if (m_option)
            fail(StringTemplate(L"Too many parameters for option `{1}`.").arg(1, m_option->longName).render(), at, at);
        fail(L"Invalid parameters.", at, at);
    }
    endOption(at);
    if (!fallback)
        return;
    const bool named = m_result->hasKey(fallback->longName);
    // A named default option keeps the values it has: words it has no room for are dropped
    // rather than taken as new values.
    if (m_option != fallback)
        beginOption(fallback);
    for (const std::wstring& word : m_waiting)
        if (hasRoom())
            addValue(word);
    if (m_waiting.empty() && !named)
        m_result->remove(fallback->longName, nullptr);
}

} // namespace

std::unique_ptr<DictionaryValue> CommandLine::parse(const std::wstring& text) const {
    return Reader(m_options, text).run();
}

} // namespace pel

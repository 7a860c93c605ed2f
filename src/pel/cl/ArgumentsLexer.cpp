#include "pel/cl/ArgumentsLexer.h"

#include "pel/base/Assert.h"
#include "pel/text/search/RegEx.h"

#include <memory>

namespace pel {

namespace {

struct Patterns {
    std::shared_ptr<RegEx> whiteSpace = RegEx::create(L"\\s+");
    std::shared_ptr<RegEx> shortOption = RegEx::create(L"([\\-]([^-][A-Za-z0-9_\\-]*))|(/([A-Za-z0-9_\\-]*))");
    std::shared_ptr<RegEx> longOption = RegEx::create(L"\\-\\-([A-Za-z0-9_\\-]+)");
    std::shared_ptr<RegEx> word = RegEx::create(L"[^\\s]+");
};

const Patterns& patterns() {
    // Lives until the process ends: the engine may already be shut down when statics die.
    static const Patterns* const compiled = new Patterns();
    return *compiled;
}

// Characters that make a value quoted: shell punctuation, the dash and slash that start options,
// and the double quote, which only a quoted string gives back (a word keeps its backslashes).
const wchar_t SPECIAL_CHARACTERS[] = L" -/!%'{}()[]&^~+=_;,\"";

bool needsQuoting(const std::wstring& value) {
    if (value.find_first_of(SPECIAL_CHARACTERS) != std::wstring::npos)
        return true;
    const wchar_t* text = value.c_str();
    const wchar_t* end = text + value.size();
    MatchResultsRegEx results;
    patterns().whiteSpace->search(&results, text, end, text, end);
    return results.found();
}

} // namespace

ArgumentsLexer::ArgumentsLexer(const std::wstring& text) : m_text(text.c_str()) {
    m_scanner.setBuffer(m_text.c_str(), 0);
}

TextPosition ArgumentsLexer::position(int index) {
    TextPosition at;
    at.column = at.offset = static_cast<uint32_t>(index);
    return at;
}

void ArgumentsLexer::next(Token* o_token) {
    PEL_CHECK_PTR(o_token);
    Token& token = *o_token;
    token = Token();
    const Patterns& lexer = patterns();
    if (!m_scanner.isAtEnd())
        m_scanner.scanRegEx(lexer.whiteSpace);
    token.start = token.end = m_scanner.getPosition();
    if (m_scanner.isAtEnd())
        return;

    const wchar_t c = m_scanner.currentChar();
    if (c == L'"') {
        readQuoted(o_token);
        return;
    }
    if (c == L'-' || c == L'/') {
        if (m_scanner.scanRegEx(lexer.shortOption)) {
            token.kind = TOKEN_SHORT_OPTION;
            m_scanner.getGroup(m_scanner.getMatchData().matched(1) ? 2 : 4, &token.text);
        } else if (m_scanner.scanRegEx(lexer.longOption)) {
            token.kind = TOKEN_LONG_OPTION;
            m_scanner.getGroup(1, &token.text);
        } else {
            throw ParserException(L"Invalid input.", position(token.start), position(token.start));
        }
    } else if (m_scanner.scanRegEx(lexer.word)) {
        token.kind = TOKEN_WORD;
        token.text.assign(m_text, static_cast<size_t>(token.start), static_cast<size_t>(m_scanner.getPosition() - token.start));
    } else {
        throw ParserException(L"Invalid input.", position(token.start), position(token.start));
    }
    token.end = m_scanner.getPosition();
}

void ArgumentsLexer::readQuoted(Token* o_token) {
    const wchar_t* text = m_text.c_str();
    const int length = m_scanner.getLength();
    int at = o_token->start + 1;
    std::wstring& value = o_token->text;
    for (;;) {
        if (at >= length)
            throw ParserException(L"Unexpectedly terminated string value.", position(o_token->start), position(length));
        if (text[at] == L'"') {
            ++at;
            break;
        }
        if (text[at] != L'\\') {
            value += text[at++];
            continue;
        }
        int run = at;
        while (run < length && text[run] == L'\\')
            ++run;
        const int count = run - at;
        if (run == length || text[run] != L'"') {
            value.append(static_cast<size_t>(count), L'\\');
            at = run;
            continue;
        }
        value.append(static_cast<size_t>(count / 2), L'\\');
        at = run + 1;
        if (count % 2 == 0)
            break;
        value += L'"';
    }
    o_token->kind = TOKEN_STRING;
    o_token->end = at;
    m_scanner.setPosition(at);
}

void ArgumentsLexer::appendArgument(const std::wstring& value, std::wstring& out) {
    if (!needsQuoting(value)) {
        out += value;
        return;
    }
    out += L'"';
    for (size_t i = 0; i < value.size();) {
        if (value[i] == L'"') {
            out += L"\\\"";
            ++i;
            continue;
        }
        if (value[i] != L'\\') {
            out += value[i++];
            continue;
        }
        size_t run = value.find_first_not_of(L'\\', i);
        if (run == std::wstring::npos)
            run = value.size();
        // A run the closing quote or an escaped quote follows is doubled, so that it stays text.
        const size_t count = run - i;
        out.append(run == value.size() || value[run] == L'"' ? 2 * count : count, L'\\');
        i = run;
    }
    out += L'"';
}

} // namespace pel

#include "pel/jasmine/JasmineParser.h"
#include "pel/base/Ascii.h"

#include "pel/jasmine/JasmineSyntaxException.h"
#include "pel/text/NumberText.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"
#include "pel/value/ScalarValue.h"
#include "pel/value/StringValue.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace pel {

namespace {

TextPosition shifted(TextPosition at, int by) {
    at.column += by;
    at.offset += by;
    return at;
}

// The value's range is exactly the token's; the inner range leaves out `open` characters at
// the front and `close` at the back (quotes, slashes, options).
void setTokenRange(Value& value, const JasmineToken& token, int open, int close) {
    ValueSourceRange& range = value.range;
    range.hasRange = 1;
    range.beginToken = range.endToken = token.index;
    range.outerBegin = token.begin;
    range.outerEnd = token.end;
    range.innerBegin = shifted(token.begin, open);
    range.innerEnd = shifted(token.end, -close);
}

void setOpenRange(Value& value, const JasmineToken& open) {
    value.range.hasRange = 1;
    value.range.beginToken = open.index;
    value.range.outerBegin = open.begin;
    value.range.innerBegin = shifted(open.begin, 1);
}

void setCloseRange(Value& value, const JasmineToken& close) {
    value.range.endToken = close.index;
    value.range.outerEnd = close.end;
    value.range.innerEnd = shifted(close.end, -1);
}

[[noreturn]] void fail(const std::wstring& message, const JasmineToken& token) {
    throw JasmineSyntaxException(message, token.begin, token.end);
}

[[noreturn]] void failFound(const wchar_t* expected, const JasmineToken& token) {
    fail(std::wstring(L"Expected ") + expected + L" but `" + JasmineToken::kindName(token.kind) + L"` found.",
         token);
}

[[noreturn]] void failDepth(const JasmineToken& token) {
    fail(L"Nesting deeper than " + std::to_wstring(JasmineParser::MAX_DEPTH) + L" levels.", token);
}


} // namespace

Value* JasmineParser::parseValue(int depth) {
    const JasmineToken& token = m_stream.current();
    std::unique_ptr<Value> value;
    switch (token.kind) {
    case JasmineToken::KIND_BRACE_OPEN: return parseDictionary(depth + 1);
    case JasmineToken::KIND_BRACKET_OPEN: return parseList(depth + 1);
    case JasmineToken::KIND_DOUBLE_QUOTED: {
        std::unique_ptr<StringValue> string(new StringValue(std::wstring(), StringValue::STYLE_DOUBLE_QUOTED));
        decodeDoubleQuoted(token.text, token.length(), string->text);
        setTokenRange(*string, token, 1, 1);
        return string.release();
    }
    case JasmineToken::KIND_SINGLE_QUOTED: {
        std::unique_ptr<StringValue> string(new StringValue(std::wstring(), StringValue::STYLE_SINGLE_QUOTED));
        decodeSingleQuoted(token.text, token.length(), string->text);
        setTokenRange(*string, token, 1, 1);
        return string.release();
    }
    case JasmineToken::KIND_SYMBOL:
        value.reset(new StringValue(std::wstring(token.text, token.length()), StringValue::STYLE_SYMBOL));
        setTokenRange(*value, token, 0, 0);
        return value.release();
    case JasmineToken::KIND_NUMBER: return parseNumber(token);
    case JasmineToken::KIND_REGEXP: {
        std::unique_ptr<RegExpValue> regExp(new RegExpValue(std::wstring(), std::wstring()));
        decodeRegExp(token.text, token.length(), regExp->pattern, regExp->options);
        setTokenRange(*regExp, token, 1, 1 + static_cast<int>(regExp->options.size()));
        return regExp.release();
    }
    case JasmineToken::KIND_TRUE:
    case JasmineToken::KIND_FALSE:
        value.reset(new ScalarValue(token.kind == JasmineToken::KIND_TRUE));
        setTokenRange(*value, token, 0, 0);
        return value.release();
    case JasmineToken::KIND_NULL:
        value.reset(Value::create());
        setTokenRange(*value, token, 0, 0);
        return value.release();
    default: failFound(L"value token", token);
    }
}

Value* JasmineParser::parseNumber(const JasmineToken& token) {
    const int length = static_cast<int>(token.length());
    Value* value;
    try {
        int32_t integer;
        double real;
        // The lexer lets only well-formed numbers through: one with a fraction or an exponent
        // is never an integer, so it goes to the double parse at once.
        const wchar_t* const end = token.text + length;
        const bool integral = std::find_if(token.text, end, [](wchar_t c) {
                                  return c == L'.' || c == L'e' || c == L'E';
                              }) == end;
        if (integral && parseInt(&integer, length, token.text))
            value = new ScalarValue(integer);
        else if (parseDouble(&real, length, token.text) && std::isfinite(real))
            value = new ScalarValue(real);
        else
            fail(L"Invalid token `number`.", token);
    } catch (const std::bad_alloc&) {
        fail(L"Unexpected error while reading number.", token);
    }
    setTokenRange(*value, token, 0, 0);
    return value;
}

Value* JasmineParser::parseDictionary(int depth) {
    const JasmineToken* token = &m_stream.current();
    if (depth > MAX_DEPTH)
        failDepth(*token);
    std::unique_ptr<DictionaryValue> dictionary(new DictionaryValue());
    setOpenRange(*dictionary, *token);
    if (m_lastMembers.size() <= static_cast<size_t>(depth))
        m_lastMembers.resize(depth + 1);
    dictionary->reserve(m_lastMembers[depth]);

    std::wstring key;
    token = &m_stream.next(true);
    while (token->kind != JasmineToken::KIND_BRACE_CLOSE) {
        switch (token->kind) {
        case JasmineToken::KIND_DOUBLE_QUOTED:
            key.clear();
            decodeDoubleQuoted(token->text, token->length(), key);
            break;
        case JasmineToken::KIND_SINGLE_QUOTED:
            key.clear();
            decodeSingleQuoted(token->text, token->length(), key);
            break;
        case JasmineToken::KIND_NUMBER:
            // A number names a key by its text: from here on the token is a bare word.
            m_stream.current().kind = JasmineToken::KIND_SYMBOL;
            [[fallthrough]];
        case JasmineToken::KIND_SYMBOL: key.assign(token->text, token->length()); break;
        case JasmineToken::KIND_EOS: fail(L"Unexpectedly terminated while reading dictionary key.", *token);
        default: failFound(L"`string`, `number` or a `symbol`", *token);
        }
        const TextPosition keyBegin = token->begin;
        const TextPosition keyEnd = token->end;
        const uint32_t keyToken = token->index;

        token = &m_stream.next(true);
        if (token->kind != JasmineToken::KIND_COLON)
            fail(std::wstring(L"Expected `colon (:)` but `") + JasmineToken::kindName(token->kind) + L"` found.",
                 *token);
        m_stream.next(true);
        Value* value = parseValue(depth);
        value->range.keyBegin = keyBegin;
        value->range.keyEnd = keyEnd;
        dictionary->setValue(key, value, keyToken);

        token = &m_stream.next(true);
        if (token->kind == JasmineToken::KIND_COMMA)
            token = &m_stream.next(true);
    }
    setCloseRange(*dictionary, *token);
    m_lastMembers[depth] = dictionary->size();
    return dictionary.release();
}

Value* JasmineParser::parseList(int depth) {
    const JasmineToken* token = &m_stream.current();
    if (depth > MAX_DEPTH)
        failDepth(*token);
    const JasmineToken open = *token;
    // The elements wait on the stack shared by all lists being read; on an error they go.
    const size_t first = m_elements.size();
    struct Elements {
        std::vector<Value*>& stack;
        size_t first;
        ~Elements() {
            for (size_t i = first; i < stack.size(); ++i)
                delete stack[i];
            stack.resize(first);
        }
    } elements{m_elements, first};

    token = &m_stream.next(true);
    while (token->kind != JasmineToken::KIND_BRACKET_CLOSE) {
        std::unique_ptr<Value> element(parseValue(depth));
        m_elements.push_back(element.get());
        element.release();
        token = &m_stream.next(true);
        if (token->kind == JasmineToken::KIND_COMMA)
            token = &m_stream.next(true);
    }
    std::unique_ptr<ListValue> list(new ListValue());
    list->reserve(m_elements.size() - first);
    for (size_t i = first; i < m_elements.size(); ++i) {
        list->append(m_elements[i]);
        m_elements[i] = nullptr; // the list owns it now
    }
    setOpenRange(*list, open);
    setCloseRange(*list, *token);
    return list.release();
}

void JasmineParser::decodeDoubleQuoted(const wchar_t* text, size_t length, std::wstring& out) {
    const wchar_t* at = text + 1;
    const wchar_t* const end = text + length - 1;
    out.reserve(out.size() + (end - at));
    while (at < end) {
        const wchar_t* plain = at;
        while (at < end && *at != L'\\')
            ++at;
        out.append(plain, at - plain);
        if (at + 1 >= end)
            break;
        const wchar_t letter = at[1];
        at += 2;
        int digits = 0;
        switch (letter) {
        case 'b': out += L'\b'; break;
        case 'f': out += L'\f'; break;
        case 'n': out += L'\n'; break;
        case 'r': out += L'\r'; break;
        case 't': out += L'\t'; break;
        case 'v': out += L'\v'; break;
        case 'u': digits = 4; break;
        case 'x': digits = 2; break;
        default: out += letter; break; // the quote, the slash and the backslash stand for themselves
        }
        if (digits) {
            unsigned unit = 0;
            for (int i = 0; i < digits && at < end; ++i)
                unit = unit * 16 + pel::Ascii::hexDigitValue(*at++);
            out += static_cast<wchar_t>(unit);
        }
    }
}

void JasmineParser::decodeSingleQuoted(const wchar_t* text, size_t length, std::wstring& out) {
    const wchar_t* at = text + 1;
    const wchar_t* const end = text + length - 1;
    out.reserve(out.size() + (end - at));
    while (at < end) {
        const wchar_t* plain = at;
        while (at < end && *at != L'\\' && *at != L'\'')
            ++at;
        out.append(plain, at - plain);
        if (at >= end)
            break;
        if (at + 1 < end && at[1] == L'\'') {
            out += L'\''; // '' and \' both stand for the quote
            at += 2;
        } else {
            // A backslash before anything else stays, together with that character.
            const size_t pair = at + 1 < end ? 2 : 1;
            out.append(at, pair);
            at += pair;
        }
    }
}

void JasmineParser::decodeRegExp(const wchar_t* text, size_t length, std::wstring& pattern, std::wstring& options) {
    const wchar_t* at = text + 1;
    const wchar_t* const end = text + length;
    const wchar_t* const start = at;
    while (at < end && *at != L'/')
        at += *at == L'\\' && at + 1 < end ? 2 : 1;
    pattern.assign(start, at - start);
    if (at < end)
        options.assign(at + 1, end - at - 1);
}

} // namespace pel

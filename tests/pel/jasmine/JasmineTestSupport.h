#pragma once
// Helpers of the Jasmine tests: sample documents, random value trees and dictionary texts,
// reading a text every way the library can (the ways must agree), and tokens, syntax errors,
// source ranges and values shown as one line of text.

#include "pel/jasmine/JasmineLexer.h"
#include "pel/jasmine/JasmineQuoting.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/jasmine/JasmineSyntaxException.h"
#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/stream/WideStringTextReader.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"
#include "pel/value/ScalarValue.h"
#include "pel/value/StringValue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

namespace tessel_test {

using Owned = std::unique_ptr<pel::Value>;

// Documents in the shapes the editor reads: a grammar, a theme, preferences, a snippet, a reply.
const std::vector<std::wstring>& jasmineSamples();

inline std::wstring at(const pel::TextPosition& p) {
    return std::to_wstring(p.line) + L':' + std::to_wstring(p.column) + L':' + std::to_wstring(p.offset);
}

// "key outer inner #tokens": the ranges a value records of where it was read.
inline std::wstring spans(const pel::Value& value) {
    const pel::ValueSourceRange& r = value.range;
    return at(r.keyBegin) + L'-' + at(r.keyEnd) + L' ' + at(r.outerBegin) + L'-' + at(r.outerEnd) + L' ' +
           at(r.innerBegin) + L'-' + at(r.innerEnd) + L" #" + std::to_wstring(r.beginToken) + L'-' +
           std::to_wstring(r.endToken);
}

inline std::wstring escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text)
        out += c == L'\r' ? L"\\r" : c == L'\n' ? L"\\n" : c == L'\t' ? L"\\t" : c == 0 ? L"\\0" : std::wstring(1, c);
    return out;
}

// A reader that shows its text a few units at a time (1, 2, 3, 1, ...), so that tokens cross
// the edges of what the lexer sees at once; and one that shows single units, as the reader
// interface does for readers without a buffer of their own.
class TricklingTextReader : public pel::WideStringTextReader {
public:
    using WideStringTextReader::WideStringTextReader;
    int peekUnits(const wchar_t** o_units) override {
        const int shown = WideStringTextReader::peekUnits(o_units);
        return std::min(shown, 1 + m_calls++ % 3);
    }

private:
    int m_calls = 0;
};

class UnitTextReader : public pel::WideStringTextReader {
public:
    using WideStringTextReader::WideStringTextReader;
    int peekUnits(const wchar_t** o_units) override { return TextReader::peekUnits(o_units); }
    void skip(int count) override { TextReader::skip(count); }
};

enum class LexWay { Direct, Reader, Trickling, Units };

// Every token as kind:text@line:column:offset. Each ends where the next begins; indexes count from 0.
inline std::wstring lexWay(const std::wstring& text, LexWay way) {
    pel::WideStringTextReader whole(text);
    TricklingTextReader trickling(text);
    UnitTextReader units(text);
    pel::TextReader* const readers[] = {nullptr, &whole, &trickling, &units};
    pel::TextReader* reader = readers[static_cast<int>(way)];
    pel::JasmineLexer lexer = way == LexWay::Direct ? pel::JasmineLexer(text.c_str(), text.size())
                                                    : pel::JasmineLexer(reader);
    std::wstring line;
    pel::JasmineToken token;
    for (uint32_t i = 0; token.kind != pel::JasmineToken::KIND_EOS; ++i) {
        const std::wstring previousEnd = at(token.end);
        lexer.nextToken(&token);
        EXPECT_EQ(i, token.index);
        EXPECT_TRUE(i == 0 || previousEnd == at(token.begin)) << i;
        line += (i ? L" " : L"") + std::to_wstring(token.kind) + L':' +
                escaped(std::wstring(token.text, token.length())) + L'@' + at(token.begin);
    }
    EXPECT_EQ(at(token.begin), at(token.end));
    return line;
}

// Lexed from memory and through readers: every way must agree.
inline std::wstring tokens(const std::wstring& text) {
    const std::wstring direct = lexWay(text, LexWay::Direct);
    for (LexWay way : {LexWay::Reader, LexWay::Trickling, LexWay::Units})
        EXPECT_EQ(direct, lexWay(text, way)) << static_cast<int>(way);
    return direct;
}

// A document read into a token store of its own, as the weaver takes it (through a reader that
// shows a few units at a time).
struct Stored {
    explicit Stored(const std::wstring& text) {
        TricklingTextReader reader(text);
        value.reset(pel::JasmineReaderHelper::readToStore(&reader, &store));
    }
    pel::DictionaryValue* dictionary() const { return static_cast<pel::DictionaryValue*>(value.get()); }
    std::wstring text(pel::xindex first, pel::xindex last) const {
        std::wstring out;
        store.appendText(first, last, out);
        return out;
    }
    std::wstring all() const { return text(0, store.size() - 1); }

    pel::TTokenStore<pel::JasmineToken> store;
    Owned value;
};

// What the syntax error of running body shows, without the class name, and the offsets of its range.
template <class Body>
std::wstring failureOf(Body body) {
    try {
        body();
        return L"no error";
    } catch (const pel::JasmineSyntaxException& e) {
        const std::wstring prefix = L"JasmineSyntaxException: ", text = e.displayText();
        EXPECT_EQ(0u, text.find(prefix));
        return text.substr(prefix.size()) + L' ' + std::to_wstring(e.start.offset) + L'-' +
               std::to_wstring(e.end.offset);
    }
}

// The syntax error of reading text into a token store (lexed through a reader). Lexing it from
// memory fails alike or not at all; reading only its first value fails alike, or not at all
// when the fault lies after that value.
inline std::wstring readError(const std::wstring& text) {
    const std::wstring stored = failureOf([&] { Stored document(text); });
    const std::wstring lexed = failureOf([&] { lexWay(text, LexWay::Direct); });
    const std::wstring first = failureOf([&] { Owned value(pel::JasmineReaderHelper::read(text)); });
    EXPECT_TRUE(lexed == stored || lexed == L"no error") << lexed;
    EXPECT_TRUE(first == stored || (first == L"no error" && lexed != L"no error")) << first;
    return stored;
}

// Read from memory and, through a reader, into a token store: both must agree.
inline Owned parse(const std::wstring& text) {
    Owned direct(pel::JasmineReaderHelper::read(text));
    const Stored stored(text);
    EXPECT_TRUE(direct->equals(*stored.value));
    EXPECT_EQ(spans(*direct), spans(*stored.value));
    return direct;
}

// The writers' texts; both replace what the string held.
inline std::wstring json(const pel::Value& value) {
    std::wstring text = L"old";
    pel::JasmineWriterHelper::toJson(&value, &text);
    return text;
}

inline std::wstring jasmine(const pel::Value& value) {
    std::wstring text = L"old";
    pel::JasmineWriterHelper::toJasmine(&value, &text);
    return text;
}

// Random value trees with awkward keys and strings, every string style and nested containers,
// and dictionary members laid out anywhere between compact JSON and commented Jasmine.
class RandomDocuments {
public:
    explicit RandomDocuments(unsigned seed) : m_rng(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    template <class T>
    const T& pick(const std::vector<T>& from) { return from[below(static_cast<int>(from.size()))]; }
    const std::vector<std::wstring> keys = {L"a", L"b", L"c", L"key.1", L"2", L"-3", L"1e5", L"x y", L"null", L"",
                                            L"it's", L"\u00e9"};

    // Never the top-level strings inherit or removed, which a weave reads as markers.
    pel::Value* value(int depth) {
        static const std::vector<std::wstring> texts = {L"", L"true", L"null", L"12", L"-1.5e3", L"it's", L"a\\",
                                                        L"a\\'b", L"x y", L"tab\tline\n", L"<b>", L"\u00e9\u4e2d",
                                                        L"word", L"q\"", L"-", L"1."};
        // As the reader gives them: a / in a pattern is always escaped.
        static const std::vector<std::wstring> patterns = {L"a\\/b", L"\\d+(\\.\\d+)?", L"[\\/]", L"x\\\\"};
        static const std::vector<double> doubles = {0.5, -0.5, 1.0, -0.0, 0.1, 1e-7, 6.02e23, 1e300, -2.5e-300};
        switch (below(depth > 2 ? 7 : 9)) {
        case 0: return pel::Value::create();
        case 1: return pel::ScalarValue::createBool(below(2) == 0);
        case 2: return new pel::ScalarValue(static_cast<int32_t>(m_rng()));
        case 3: return new pel::ScalarValue(pick(doubles));
        case 4: return pel::RegExpValue::create(pick(patterns), below(2) ? L"" : L"gi");
        case 5:
        case 6: return new pel::StringValue(pick(texts), below(3));
        case 7: {
            pel::ListValue* list = pel::ListValue::create();
            for (int n = below(4); n > 0; --n)
                list->append(value(depth + 1));
            return list;
        }
        default: {
            pel::DictionaryValue* dictionary = pel::DictionaryValue::create();
            for (int n = below(4); n > 0; --n)
                dictionary->setValue(pick(keys), value(depth + 1));
            return dictionary;
        }
        }
    }

    // "key: value" in any layout, the value written as Jasmine or JSON.
    std::wstring member(const std::wstring& name, const pel::Value& val) {
        std::wstring text;
        (below(3) == 0 ? pel::quoteString(name, text) : (void)pel::writeBareOrQuoted(name, text));
        text += pick(std::vector<std::wstring>{L":", L": ", L" : ", L":\n\t"});
        return text + (below(2) ? jasmine(val) : json(val));
    }

    // Before a member: nothing, whitespace, comments; after one: the same or a comma.
    std::wstring gap(bool afterValue) {
        static const std::vector<std::wstring> gaps = {L"", L" ", L"\n\t", L"\n\t// note\n\t", L"/*c*/", L"\n\n"};
        std::wstring text = (afterValue && below(2)) ? L"," : L"";
        const std::wstring& space = pick(gaps);
        // Without a comma or any trivia, a word value would run into the next key.
        return text + (afterValue && text.empty() && space.empty() ? L" " : space);
    }

private:
    std::mt19937 m_rng;
};

} // namespace tessel_test

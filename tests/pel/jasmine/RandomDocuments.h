#pragma once
// Random value trees and dictionary texts for the round-trip properties of Jasmine writing and
// weaving: awkward keys and strings, every string style, nested containers, and dictionary texts
// laid out anywhere between compact JSON and commented Jasmine.

#include "pel/jasmine/JasmineQuoting.h"
#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"
#include "pel/value/ScalarValue.h"
#include "pel/value/StringValue.h"

#include <random>
#include <string>
#include <vector>

namespace tessel_test {

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
        std::wstring text, written;
        if (below(3) == 0)
            pel::quoteString(name, text);
        else
            pel::writeBareOrQuoted(name, text);
        text += pick(std::vector<std::wstring>{L":", L": ", L" : ", L":\n\t"});
        (below(2) ? pel::JasmineWriterHelper::toJasmine : pel::JasmineWriterHelper::toJson)(&val, &written);
        return text + written;
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

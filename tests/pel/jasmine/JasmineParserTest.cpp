#include "JasmineTestSupport.h"

#include "pel/jasmine/JasmineParser.h"
#include "pel/stream/StreamTextReader.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"
#include "pel/value/StringValue.h"

#include <sstream>

using namespace pel;
using namespace tessel_test;

TEST(JasmineReader, SyntaxErrorsShowWhatAndWhere) {
    std::wstring mixed;
    for (int i = 0; i <= JasmineParser::MAX_DEPTH; ++i)
        mixed += i % 2 ? L"[" : L"{a:";
    const std::pair<std::wstring, const wchar_t*> cases[] = {
        {L"+1", L"Invalid token `+`. at `0:0` - `0:1` 0-1"},
        {L"[1,\n  \u00e9]", L"Invalid token `\u00e9`. at `1:2` - `1:3` 6-7"},
        {L"x \"abc", L"Unexpectedly terminated double-quoted string. at `0:2` - `0:2` 2-2"},
        {L"\"abc\\", L"Unexpectedly terminated double-quoted string. at `0:0` - `0:0` 0-0"},
        {L" 'abc''", L"Unexpectedly terminated single-quoted string. at `0:1` - `0:1` 1-1"},
        {L"'abc\\'", L"Unexpectedly terminated single-quoted string. at `0:0` - `0:0` 0-0"},
        {L"\"\\u41", L"Too short escape sequence `\\uHHHH` in double-quoted string. at `0:1` - `0:5` 1-5"},
        {L"\"\\u41G\"",
         L"Invalid character in escape sequence `\\uHHHH` in double-quoted string. at `0:1` - `0:5` 1-5"},
        {L"\"ab\\x4", L"Too short escape sequence `\\xHH` in double-quoted string. at `0:3` - `0:6` 3-6"},
        {L"\"\\xZ1\"", L"Invalid character in escape sequence `\\xHH` in double-quoted string. at `0:1` - `0:3` 1-3"},
        {L"\"\\q\"", L"Invalid escape sequence `\\q` in double-quoted string. at `0:1` - `0:3` 1-3"},
        {L"  /abc", L"Unexpectedly terminated regular expression. at `0:2` - `0:2` 2-2"},
        {L"/abc\\/", L"Unexpectedly terminated regular expression. at `0:0` - `0:0` 0-0"},
        {L"1 /* x *", L"Unexpectedly terminated block comment. at `0:2` - `0:2` 2-2"},
        {L"", L"Expected value token but `eos` found. at `0:0` - `0:0` 0-0"},
        {L"  // only a comment", L"Expected value token but `eos` found. at `0:19` - `0:19` 19-19"},
        {L"[1", L"Expected value token but `eos` found. at `0:2` - `0:2` 2-2"},
        {L"{a:1", L"Unexpectedly terminated while reading dictionary key. at `0:4` - `0:4` 4-4"},
        {L"{a:", L"Expected value token but `eos` found. at `0:3` - `0:3` 3-3"},
        {L"{a", L"Expected `colon (:)` but `eos` found. at `0:2` - `0:2` 2-2"},
        {L"{a 1}", L"Expected `colon (:)` but `number` found. at `0:3` - `0:4` 3-4"},
        {L"{null: 1}", L"Expected `string`, `number` or a `symbol` but `null` found. at `0:1` - `0:5` 1-5"},
        {L"{,a:1}", L"Expected `string`, `number` or a `symbol` but `comma (,)` found. at `0:1` - `0:2` 1-2"},
        {L"{/a/:1}", L"Expected `string`, `number` or a `symbol` but `reg-exp` found. at `0:1` - `0:4` 1-4"},
        {L"[1,,2]", L"Expected value token but `comma (,)` found. at `0:3` - `0:4` 3-4"},
        {L"[,1]", L"Expected value token but `comma (,)` found. at `0:1` - `0:2` 1-2"},
        {L"[1}", L"Expected value token but `}` found. at `0:2` - `0:3` 2-3"},
        {L"{a::1}", L"Expected value token but `colon (:)` found. at `0:3` - `0:4` 3-4"},
        {L"[1, 1e999]", L"Invalid token `number`. at `0:4` - `0:9` 4-9"},
        {L"1e-400", L"Invalid token `number`. at `0:0` - `0:6` 0-6"}, // underflow to zero is no number either
        {std::wstring(513, L'[') + std::wstring(513, L']'),
         L"Nesting deeper than 512 levels. at `0:512` - `0:513` 512-513"},
        {std::wstring(100000, L'['), L"Nesting deeper than 512 levels. at `0:512` - `0:513` 512-513"},
        {mixed, L"Nesting deeper than 512 levels. at `0:1024` - `0:1025` 1024-1025"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, readError(c.first)) << c.first.substr(0, 20);
}

TEST(JasmineParser, ValuesAsRead) {
    const int limit = JasmineParser::MAX_DEPTH;
    const std::wstring deepest = std::wstring(limit, L'[') + std::wstring(limit, L']');
    const std::pair<std::wstring, std::wstring> cases[] = {
        // Commas are optional, a trailing one allowed; JSON is Jasmine.
        {L"{a:1 b:2}", LR"({"a":1,"b":2})"},
        {L"{a:1, b:2,}", LR"({"a":1,"b":2})"},
        {LR"({"a":1,"b":2})", LR"({"a":1,"b":2})"},
        {L"[1,2,]", L"[1,2]"},
        {L"[1 2]", L"[1,2]"},
        {L"{ /* nothing */ }", L"{}"},
        // Keys of every kind; a key given twice keeps its first place and its last value.
        {L"{1: x 'null': 1, \"true\": 2, 'a\\'b': 3, \"\\u0041\": 4, -1.5: 5}",
         LR"({"1":"x","null":1,"true":2,"a'b":3,"A":4,"-1.5":5})"},
        {L"{a:1, b:0, a:2}", LR"({"a":2,"b":0})"},
        // Integers where they fit, doubles otherwise.
        {L"[12 -2147483648 -0 12.0 1e3 4294967296 2147483648]",
         L"[12,-2147483648,0,12.0,1000.0,4294967296.0,2147483648.0]"},
        {L"1 2", L"1"}, // only the first value is read
        {deepest, deepest},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, json(*parse(c.first))) << c.first.substr(0, 50);
    EXPECT_EQ(L"1", json(*Owned(JasmineReaderHelper::read(L"1}"))));
    EXPECT_EQ(L"[true]", json(*Owned(JasmineReaderHelper::read(L"[true] +++ \"unterminated"))));
    WideStringTextReader whole(L"[1, 'two'] rest");
    TricklingTextReader trickling(L"[1, 'two'] rest");
    UnitTextReader units(L"[1, 'two'] rest");
    for (TextReader* reader : std::initializer_list<TextReader*>{&whole, &trickling, &units}) {
        Owned value(JasmineReaderHelper::read(reader));
        EXPECT_EQ(L"[1,\"two\"]", json(*value));
        EXPECT_EQ(L' ', reader->read()) << "the reader is left right after the value";
    }
}

TEST(JasmineParser, StringsAndRegularExpressions) {
    const std::pair<const wchar_t*, std::wstring> cases[] = {
        {L"\"\\u0041\\x41\"", L"AA"},
        {L"\"\\\"\\/\\\\\\b\\f\\n\\r\\t\\v\\u00E9\\xfF\"", L"\"/\\\b\f\n\r\t\v\u00e9\u00ff"},
        {L"\"\\uD83D\\uDE00\\uDC00\"", L"\xD83D\xDE00\xDC00"}, // surrogates kept as they come, even alone
        {L"'\\u0041'", L"\\u0041"},
        {L"'it''s'", L"it's"},
        {L"'a\\'b'", L"a'b"},
        {L"'a\\nb'", L"a\\nb"},
        {L"''", L""},
        // A regular expression keeps its escapes: pattern|options.
        {L"/a\\/b/i", L"a\\/b|i"},
        {L"/\\\\/", L"\\\\|"},
    };
    for (const auto& c : cases) {
        Owned value = parse(c.first);
        const auto* regExp = dynamic_cast<const RegExpValue*>(value.get());
        std::wstring text = regExp ? regExp->pattern + L'|' + regExp->options : L"";
        EXPECT_TRUE(regExp || value->getString(&text)) << c.first;
        EXPECT_EQ(c.second, text) << c.first;
    }
    Owned list = parse(L"[\"a\" 'b' c]");
    for (int32_t style : {0, 1, 2})
        EXPECT_EQ(style, static_cast<const StringValue*>(static_cast<ListValue&>(*list).get(style))->style);
}

TEST(JasmineParser, SourceRangesAndTokens) {
    const Stored document(L"// head\n{\n\tkey: 'v',\n\tlist: [1 null]\n\tre: /x/gi\n}");
    const DictionaryValue& d = *document.dictionary();
    EXPECT_EQ(1, d.range.hasRange);
    EXPECT_EQ(d.range.endToken + 2, document.store.size()); // then only the end of stream
    const ListValue& list = *d.findList(L"list");
    // Inside a string or a regular expression: without the quotes, slashes and options.
    const std::pair<const Value*, const wchar_t*> cases[] = {
        {&d, L"0:0:0-0:0:0 1:0:8-5:1:49 1:1:9-5:0:48 #2-24"},
        {d.find(L"key"), L"2:1:11-2:4:14 2:6:16-2:9:19 2:7:17-2:8:18 #7-7"},
        {&list, L"3:1:22-3:5:26 3:7:28-3:15:36 3:8:29-3:14:35 #13-17"},
        {list.get(1), L"0:0:0-0:0:0 3:10:31-3:14:35 3:10:31-3:14:35 #16-16"},
        {d.find(L"re"), L"4:1:38-4:3:40 4:5:42-4:10:47 4:6:43-4:7:44 #22-22"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, spans(*c.first));
    EXPECT_EQ(L"{}[1 null]", document.text(2, 2) + document.text(24, 24) + document.text(13, 17));
    for (const DictionaryMember& member : d.members())
        EXPECT_EQ(member.key(), document.text(member.keyToken(), member.keyToken()));

    // A repeated key keeps its first place but the token of its last occurrence.
    const Stored repeated(L"{a:1, b:0, a:2}");
    const DictionaryMember& first = *repeated.dictionary()->insertionOrderBegin();
    EXPECT_EQ(L"a 11 a", first.key() + L' ' + std::to_wstring(first.keyToken()) + L' ' + repeated.text(11, 11));
    EXPECT_EQ(L"0:11:11-0:12:12 0:13:13-0:14:14 0:13:13-0:14:14 #13-13", spans(*first.value()));
    // A number used as a key turns into a word in the store.
    EXPECT_EQ(JasmineToken::KIND_SYMBOL, Stored(L"{7: x}").store.at(1).kind);
}

TEST(JasmineReaderHelper, ReadsAFileThroughTheStreamReader) {
    // UTF-8 with a byte-order mark, as a bundle file on disk may be.
    std::istringstream bytes("\xEF\xBB\xBF{name: 'caf\xC3\xA9', list: [1 2] // end\n}");
    StreamTextReader reader(bytes, nullptr);
    TTokenStore<JasmineToken> store;
    Owned value(JasmineReaderHelper::readToStore(&reader, &store));
    EXPECT_EQ(L"{\"name\":\"caf\u00e9\",\"list\":[1,2]}", json(*value));
    std::wstring all;
    store.appendText(0, store.size() - 1, all);
    EXPECT_EQ(L"{name: 'caf\u00e9', list: [1 2] // end\n}", all);

}

TEST(JasmineReaderHelper, ReadsTheSamples) {
    for (const std::wstring& sample : jasmineSamples()) {
        EXPECT_EQ(Value::TYPE_DICTIONARY, parse(sample)->type);
        EXPECT_EQ(sample, Stored(sample).all()); // the token store reproduces the text exactly
    }
}

// Damaged and hostile text must end in a value or a syntax error, never in a crash or in any
// other exception.
TEST(JasmineRobustness, MutatedSamplesEndInAValueOrASyntaxError) {
    std::mt19937 random(20240611);
    auto mutate = [&random](std::wstring text) {
        static const wchar_t inserted[] = L"\"'[]{}\\/*:,";
        for (int changes = 1 + random() % 4; changes > 0; --changes) {
            const size_t at = text.empty() ? 0 : random() % text.size();
            switch (random() % 5) {
            case 0: // flip one byte of a character
                if (!text.empty())
                    text[at] ^= static_cast<wchar_t>((random() % 255 + 1) << (random() % 2 ? 8 : 0));
                break;
            case 1: text.resize(at); break;
            case 2: text.erase(at, random() % 8); break;
            default: text.insert(at, 1, inserted[random() % (sizeof inserted / sizeof inserted[0] - 1)]); break;
            }
        }
        return text;
    };
    const std::vector<std::wstring>& samples = jasmineSamples();
    int values = 0, errors = 0;
    for (int round = 0; round < 100000; ++round) {
        const std::wstring text = mutate(samples[round % samples.size()]);
        try {
            Owned value;
            if (round % 10 == 0) {
                Stored stored(text);
                // The store keeps every character up to the end of the text (or its first NUL).
                if (text.find(L'\0') == std::wstring::npos && (text.empty() || text.back() != L'/')) {
                    ASSERT_EQ(text, stored.all()) << "round " << round;
                }
                value = std::move(stored.value);
            } else {
                value.reset(JasmineReaderHelper::read(text));
            }
            ASSERT_NE(nullptr, value.get());
            ASSERT_TRUE(Owned(value->clone())->equals(*value));
            ++values;
        } catch (const JasmineSyntaxException& e) {
            ASSERT_LE(e.start.offset, e.end.offset) << "round " << round;
            ASSERT_LE(e.end.offset, text.size()) << "round " << round;
            ++errors;
        } catch (const Exception& e) {
            FAIL() << "round " << round << ": " << testing::PrintToString(e.displayText());
        }
    }
    // Both outcomes occur often, or the mutations test too little.
    EXPECT_GT(values, 5000);
    EXPECT_GT(errors, 5000);
}

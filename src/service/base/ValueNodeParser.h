#pragma once
// Reads the value-tree text format (the relaxed, comma-free text of configuration and project
// files) into a ValueNode tree: dictionaries of bare keys, lists, quoted strings, bare symbols,
// numbers, regular-expression literals and comments. Syntax errors throw pel::ParserException
// with the offending text's begin and end. Containers nest at most MAX_DEPTH deep, so that no
// text can exhaust the stack; the parser itself keeps its open containers on a stack of its own,
// with their content so far, and makes each container once it closes, with room for exactly
// what it holds. One parser serves one thread at a time.

#include "service/base/ValueNode.h"

#include "pel/base/Exception.h"
#include "pel/text/LineMap.h"

#include <memory>
#include <string>
#include <vector>

namespace tessel {

// A file of settings as ValueNodeParser::parseSections reads it: the entries of its root
// dictionary and, for each whose value is a dictionary (a section), that dictionary's entries,
// without making those two levels into nodes. Entries come in the order in which their keys
// first appear, each with the last value given for its key, as a dictionary node keeps them.
// Keys point into the text parsed, which the loader keeps in text.
struct ValueSections {
    struct Entry {
        const wchar_t* key;
        uint32_t keyLength;
        bool section;   // its entries are entries[first, first + count); its value is Null
        uint32_t first;
        uint32_t count;
        ValueNode value;
    };

    std::wstring text;
    bool dictionary = false; // whether the text held a root dictionary
    std::vector<Entry> root;
    std::vector<Entry> entries;
};

class ValueNodeParser {
public:
    // Token kinds; 7, 8 and 15 are never made and exist only as names.
    enum TokenKind : int {
        END_OF_STREAM = 0,
        DICTIONARY_BEGIN = 1,
        DICTIONARY_END = 2,
        ARRAY_BEGIN = 3,
        ARRAY_END = 4,
        DOUBLE_QUOTED_STRING = 5,
        SINGLE_QUOTED_STRING = 6,
        PLUS_OPERATOR = 7,
        PLUS_NEW_LINE_OPERATOR = 8,
        REGULAR_EXPRESSION = 9,
        NUMBER = 10,
        COMMENT = 11,
        KEY_SEPARATOR = 12,
        COMMA = 13,
        SYMBOL = 14,
        INVALID_TOKEN = 15,
    };

    static constexpr size_t MAX_DEPTH = 512;

    // The name error messages give a kind; "<UNKNOWN_TOKEN>" for kinds outside the table.
    static const wchar_t* tokenName(int kind);

    // Converts a number token's text into o_node: Int, UInt or Double. Returns null, or the
    // message of the failure (o_node then unchanged). A text holding ".", "e", "E", "+" or a
    // "-" after its first unit is read as a double from its longest numeric beginning
    // ("1.2.3" is 1.2); so is an integer that would pass 4294967295 (2147483648 with a sign).
    static const wchar_t* convertNumber(const wchar_t* begin, const wchar_t* end, ValueNode& o_node);

    ValueNodeParser();
    ~ValueNodeParser();

    // Parses the first value of the NUL-terminated text into o_node; what follows it is never
    // read. A text without a value (empty, blanks, comments) leaves o_node as it was. On an error
    // o_node keeps what was parsed before it. Returns true.
    bool parse(const wchar_t* text, ValueNode& o_node);
    // Parses the text as parse does, into o_sections rather than a tree. On an error o_sections
    // is left empty.
    void parseSections(const wchar_t* text, ValueSections& o_sections);

    ValueNodeParser(const ValueNodeParser&) = delete;
    ValueNodeParser& operator=(const ValueNodeParser&) = delete;

private:
    struct Token {
        int kind = END_OF_STREAM;
        const wchar_t* begin = nullptr;
        const wchar_t* end = nullptr;
    };

    // Lexer (ValueNodeLexer.cpp).
    void nextToken();
    bool skipComment(const wchar_t* slash);
    const wchar_t* scanQuoted(const wchar_t* p, wchar_t quote, int kind);
    const wchar_t* scanRegularExpression(const wchar_t* p);

    // Values.
    static bool startsValue(int kind);
    // Sets node from the current token; a container is opened, to be made into node once it
    // closes.
    void startValue(ValueNode& node);
    void readString(ValueNode& node);
    // Append to m_scratch the rest of a string's text from its first special unit.
    void appendUnquoted(const wchar_t* p, const wchar_t* end);
    void appendUnescaped(const wchar_t* p, const wchar_t* end);
    void readRegularExpression(ValueNode& node);
    void readSymbol(ValueNode& node);
    void fillContainers();
    // Makes the innermost open container from its content and puts it in its place.
    void closeContainer();
    // parseSections: keeps the innermost open container, the root or a section, as entries.
    void closeSection();
    // Leaves one element per key from the first, each where its key first came with the last
    // value given for it; answers their count.
    size_t keepLastValues(size_t first);
    // After an error: closes every open container with what it holds so far.
    void closeAll() noexcept;

    [[noreturn]] void fail(const std::wstring& message, const wchar_t* from, const wchar_t* to);
    [[noreturn]] void failUnexpected(const std::wstring& tail);
    pel::TextPosition positionOf(const wchar_t* at);

    const wchar_t* m_begin = nullptr;
    const wchar_t* m_current = nullptr;
    const wchar_t* m_end = nullptr;
    Token m_token;

    // A value read into an open container, with its key in the text when that is a dictionary.
    using Element = ValueSections::Entry;
    struct Container {
        size_t first; // its first element in m_elements
        bool dictionary;
    };
    std::vector<Element> m_elements;     // of every open container, innermost last
    std::vector<Container> m_containers; // open Lists and Dictionaries, innermost last
    ValueNode* m_root = nullptr;         // where the outermost container goes
    ValueSections* m_sections = nullptr; // parseSections' result
    std::vector<uint32_t> m_seen;        // keepLastValues' index of keys, by hash
    bool m_startingValue = false;        // the last element's value is being read
    std::unique_ptr<pel::LineMap> m_lineMap;
    std::wstring m_scratch; // unescaped text
};

} // namespace tessel

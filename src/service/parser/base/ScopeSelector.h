#pragma once
// A boolean expression over scope names ("source.c string - comment"), parsed once into a postfix
// program that ScopeSelectorMatcher evaluates against scope paths. Themes, key bindings, menus,
// snippets and paired characters choose by it; the text comes from bundles and user input.
//
// Syntax: a descendant sequence of dotted names separated by white space, and the operators,
// tightest first: "-" (exclusion), "|" (or), "&" (and), "," (or, loosest). A chain of one
// operator groups to the right ("a - b - c" is "a - (b - c)"). Parentheses group.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class ScopeSelector {
public:
    // Program items after word 0 (the item count).
    static constexpr uint32_t ITEM_AND = 18;
    static constexpr uint32_t ITEM_OR = 19;
    static constexpr uint32_t ITEM_EXCLUDE = 20;
    // An atom: this word, the total part count, the name count N, then N pairs (hash of the whole
    // name, its part count), outermost name first.
    static constexpr uint32_t ITEM_ATOM = 256;
    // An empty group "()" used as an operand: never matches.
    static constexpr uint32_t ITEM_EMPTY_GROUP = 257;

    // Bounds on outside text.
    static constexpr size_t MAX_LENGTH = 65535;
    static constexpr size_t MAX_NESTING = 64;

    // Parses the text. A syntax error throws pel::ParserException, a stray ")" or a "(" left open
    // pel::UnbalancedParenthesisException; both carry the positions of the offending token.
    ScopeSelector(const wchar_t* text, size_t length);
    explicit ScopeSelector(const wchar_t* text);
    explicit ScopeSelector(const std::wstring& text);
    ScopeSelector(const ScopeSelector&) = default;
    ScopeSelector(ScopeSelector&&) = default;
    ScopeSelector& operator=(const ScopeSelector&) = default;
    ScopeSelector& operator=(ScopeSelector&&) = default;
    virtual ~ScopeSelector();

    // The empty selector matches every path unanchored and none anchored.
    bool isEmpty() const { return m_program[0] == 0; }
    const std::vector<uint32_t>& program() const { return m_program; }
    // The most ranks the evaluation of the program holds at once.
    size_t stackDepth() const { return m_stackDepth; }

private:
    friend class ScopeSelectorParser;

    // Word 0 the item count, then the items; set whole by the parser.
    std::vector<uint32_t> m_program;
    size_t m_stackDepth = 0;
};

} // namespace tessel

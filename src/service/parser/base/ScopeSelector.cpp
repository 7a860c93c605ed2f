#include "service/parser/base/ScopeSelector.h"

#include "pel/base/Assert.h"
#include "pel/base/Exception.h"
#include "service/parser/base/ScopeSelectorLexer.h"

#include <boost/container/small_vector.hpp>

#include <algorithm>
#include <cwchar>

namespace tessel {

// A three-state operator-precedence parser: expecting an operand (at the start and after "("),
// after an operand (a name or ")"), and after an operator.
class ScopeSelectorParser {
public:
    ScopeSelectorParser(const wchar_t* text, size_t length, ScopeSelector& selector)
        : m_text(text), m_length(length), m_lexer(text, length), m_selector(selector), m_program(1, 0u) {}

    void run() {
        if (m_length > ScopeSelector::MAX_LENGTH)
            throw pel::ParserException(L"Scope selector longer than 65535 characters.",
                                       position(ScopeSelector::MAX_LENGTH), position(m_length));
        State state = EXPECT_OPERAND;
        for (;;) {
            const ScopeSelectorToken token = m_lexer.next();
            switch (token.code) {
            case SELECTOR_TOKEN_ERROR:
                throw pel::ParserException(L"Scope name " + quote(token.start, token.end) +
                                               L" has an empty part in scope selector " + quotedSelector() + L".",
                                           position(token.start), position(token.end));
            case SELECTOR_TOKEN_NAMES:
                if (state == AFTER_OPERAND)
                    unexpected(token);
                emitAtom();
                state = AFTER_OPERAND;
                break;
            case SELECTOR_TOKEN_OPEN:
                if (state == AFTER_OPERAND)
                    unexpected(token);
                if (m_open.size() == ScopeSelector::MAX_NESTING)
                    throw pel::ParserException(L"Scope selector nests parentheses deeper than 64 levels: " +
                                                   quotedSelector() + L".",
                                               position(token.start), position(token.end));
                m_operators.push_back(SELECTOR_TOKEN_OPEN);
                m_open.push_back(token.start);
                state = EXPECT_OPERAND;
                break;
            case SELECTOR_TOKEN_CLOSE:
                if (m_open.empty())
                    throw pel::UnbalancedParenthesisException(position(token.start), position(token.end));
                if (state == AFTER_OPERATOR)
                    unexpected(token);
                if (state == EXPECT_OPERAND)
                    emit(ScopeSelector::ITEM_EMPTY_GROUP, 1);
                closeGroup();
                state = AFTER_OPERAND;
                break;
            case SELECTOR_TOKEN_END:
                if (state == AFTER_OPERATOR)
                    unexpected(token);
                if (!m_open.empty())
                    throw pel::UnbalancedParenthesisException(position(m_open.back()), position(m_open.back() + 1));
                finish();
                return;
            default: // the operators
                if (state != AFTER_OPERAND)
                    unexpected(token);
                pushOperator(token.code);
                state = AFTER_OPERATOR;
                break;
            }
        }
    }

private:
    enum State { EXPECT_OPERAND, AFTER_OPERAND, AFTER_OPERATOR };

    // Line, column and offset of a character offset.
    pel::TextPosition position(size_t offset) const {
        pel::TextPosition at;
        at.offset = static_cast<uint32_t>(offset);
        const size_t scanned = std::min(offset, m_length);
        for (size_t i = 0; i < scanned; ++i) {
            if (m_text[i] == L'\n') {
                ++at.line;
                at.column = 0;
            } else {
                ++at.column;
            }
        }
        at.column += static_cast<uint32_t>(offset - scanned);
        return at;
    }

    std::wstring quote(size_t start, size_t end) const {
        // A message stays readable however long the selector is.
        static const size_t SHOWN = 200;
        std::wstring text = L"`";
        text.append(m_text + start, std::min(end - start, SHOWN));
        if (end - start > SHOWN)
            text += L"...";
        return text + L"`";
    }

    std::wstring quotedSelector() const { return quote(0, m_length); }

    [[noreturn]] void unexpected(const ScopeSelectorToken& token) const {
        const std::wstring found = token.code == SELECTOR_TOKEN_END ? L"end of text" : quote(token.start, token.end);
        throw pel::ParserException(L"Unexpected " + found + L" in scope selector " + quotedSelector() + L".",
                                   position(token.start), position(token.end));
    }

    // Appends one item of the given words and follows how many ranks evaluation then holds.
    void emit(uint32_t item, int stackChange) {
        if (item != ScopeSelector::ITEM_ATOM)
            m_program.push_back(item);
        ++m_items;
        m_stack += stackChange;
        m_selector.m_stackDepth = std::max(m_selector.m_stackDepth, static_cast<size_t>(m_stack));
    }

    void emitAtom() {
        const ScopeSelectorLexer::Names& names = m_lexer.names();
        uint32_t totalParts = 0;
        for (const ScopeSelectorName& name : names)
            totalParts += name.partCount;
        m_program.push_back(ScopeSelector::ITEM_ATOM);
        m_program.push_back(totalParts);
        m_program.push_back(static_cast<uint32_t>(names.size()));
        for (const ScopeSelectorName& name : names) {
            m_program.push_back(name.hash);
            m_program.push_back(name.partCount);
        }
        emit(ScopeSelector::ITEM_ATOM, 1);
    }

    void emitOperator(uint32_t code) {
        emit(code == SELECTOR_TOKEN_COMMA ? ScopeSelector::ITEM_OR : code, -1);
    }

    // Equal codes stay on the stack, so a chain of one operator groups to the right.
    void pushOperator(uint32_t code) {
        while (!m_operators.empty() && m_operators.back() > code) {
            emitOperator(m_operators.back());
            m_operators.pop_back();
        }
        m_operators.push_back(code);
    }

    void closeGroup() {
        while (m_operators.back() != SELECTOR_TOKEN_OPEN) {
            emitOperator(m_operators.back());
            m_operators.pop_back();
        }
        m_operators.pop_back();
        m_open.pop_back();
    }

    void finish() {
        while (!m_operators.empty()) {
            emitOperator(m_operators.back());
            m_operators.pop_back();
        }
        // A selector of nothing but empty groups keeps the meaning of the empty selector.
        if (m_items == 1 && m_program[1] == ScopeSelector::ITEM_EMPTY_GROUP) {
            m_program.pop_back(); // the group was the only item
            m_items = 0;
            m_selector.m_stackDepth = 0;
        }
        m_program[0] = m_items;
        m_selector.m_program.assign(m_program.begin(), m_program.end());
    }

    const wchar_t* m_text;
    size_t m_length;
    ScopeSelectorLexer m_lexer;
    ScopeSelector& m_selector;
    // Themes compile thousands of selectors: the program is built here and the selector takes
    // it in one block of its exact size; the stacks need a heap block only when nested deep.
    boost::container::small_vector<uint32_t, 128> m_program; // the item count first
    boost::container::small_vector<uint32_t, 16> m_operators;
    boost::container::small_vector<uint32_t, 8> m_open; // offsets of the "(" still open
    uint32_t m_items = 0;
    int m_stack = 0;
};

ScopeSelector::ScopeSelector(const wchar_t* text, size_t length) {
    if (length > 0)
        PEL_CHECK_PTR(text);
    ScopeSelectorParser(text, length, *this).run();
}

ScopeSelector::ScopeSelector(const wchar_t* text) : ScopeSelector(text, text ? std::wcslen(text) : 0) {}

ScopeSelector::ScopeSelector(const std::wstring& text) : ScopeSelector(text.data(), text.size()) {}

ScopeSelector::~ScopeSelector() = default;

} // namespace tessel

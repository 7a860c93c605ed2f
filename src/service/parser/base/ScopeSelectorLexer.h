#pragma once
// Splits scope selector text into tokens: parentheses, the operators "&", "|", "," and "-", and
// sequences of scope names separated by white space (a descendant sequence, outermost first).

#include <boost/container/small_vector.hpp>

#include <cstddef>
#include <cstdint>

namespace tessel {

enum ScopeSelectorTokenCode : uint32_t {
    SELECTOR_TOKEN_ERROR = 0, // a name with an empty part
    SELECTOR_TOKEN_END = 1,
    SELECTOR_TOKEN_OPEN = 3,
    SELECTOR_TOKEN_CLOSE = 4,
    SELECTOR_TOKEN_COMMA = 17,
    SELECTOR_TOKEN_AND = 18,
    SELECTOR_TOKEN_OR = 19,
    SELECTOR_TOKEN_MINUS = 20,
    SELECTOR_TOKEN_NAMES = 256,
};

struct ScopeSelectorToken {
    uint32_t code = SELECTOR_TOKEN_END;
    // Character offsets: the whole token, or for an error the name at fault.
    uint32_t start = 0;
    uint32_t end = 0;
};

// One scope name of a name token: the hash of its whole text and its dot-separated part count.
struct ScopeSelectorName {
    uint32_t hash = 0;
    uint32_t partCount = 0;
};

class ScopeSelectorLexer {
public:
    // A descendant sequence seldom has more names than this: they are kept without a heap block.
    using Names = boost::container::small_vector<ScopeSelectorName, 8>;

    // The text must stay alive while the lexer reads it.
    ScopeSelectorLexer(const wchar_t* text, size_t length) : m_text(text), m_length(length) {}

    ScopeSelectorToken next();
    // The names of the last name token, in the order written.
    const Names& names() const { return m_names; }

    static bool isOperatorCharacter(wchar_t c);

private:
    void skipWhitespace();
    // Reads one name at the cursor; false when it has an empty part.
    bool readName();

    const wchar_t* m_text;
    size_t m_length;
    size_t m_at = 0;
    Names m_names;
};

} // namespace tessel

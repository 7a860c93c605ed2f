#pragma once
// A stream of tokens for a parser. The returned token may be changed in place (a parser turns
// a number used as a dictionary key into a symbol this way).

namespace pel {

template <class Token>
class TITokenStream {
public:
    // Advances to the next token and returns it; with skipTrivia comments and whitespace are
    // passed over.
    virtual Token& next(bool skipTrivia) = 0;
    // The token last returned by next().
    virtual Token& current() = 0;

    virtual ~TITokenStream() = default;
};

} // namespace pel

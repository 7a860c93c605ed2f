#pragma once
// The compiled grammar a Document is coloured by, as the Document sees it: the number of the
// grammar's root rule and its scope name, from which the document's root scope record is made.
// The parsing subsystem's root rules implement it; the Document only keeps a pointer.

#include <cstdint>

namespace tessel {

class DocumentGrammar {
public:
    virtual uint16_t rootRuleNumber() const = 0;
    virtual const wchar_t* rootScopeName() const = 0;

protected:
    ~DocumentGrammar() = default;
};

} // namespace tessel

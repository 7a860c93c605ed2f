#pragma once
// Lays an overlay document, which states only differences, over a base document, and computes
// such an overlay from a base and an edited full document. Both work on the top-level members
// of two dictionaries. The text operations copy tokens from the documents' token stores, so
// comments, blank lines and layout survive and only whole members are added, dropped or
// replaced; the value operation merges trees without text.
//
// In an overlay, a member whose value is the word "inherit" takes the base's value, and one
// whose value is "removed" leaves the base's member out.

#include "pel/jasmine/JasmineToken.h"
#include "pel/jasmine/TTokenStore.h"

#include <string>

namespace pel {

class AbstractDictionaryValue;

class JasmineWeaver {
public:
    static const std::wstring INHERIT; // "inherit"
    static const std::wstring REMOVED; // "removed"

    // o_result becomes the overlay's text with each member's value taken from the overlay, or
    // from the base for "inherit", "removed" members (and "inherit" ones the base lacks) left
    // out with their leading text, and the base's other members appended after the overlay's
    // last member with their own leading text. Text after the overlay's closing brace is
    // dropped. A marker is recognised in any quoting style. Both dictionaries must have been
    // read into the stores given with them. When an overlay gives a key more than once, the
    // last occurrence counts, as it does for the reader; the earlier ones are left out.
    static void weave(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                      const AbstractDictionaryValue* d_val_b, const TTokenStore<JasmineToken>* store_b,
                      std::wstring* o_result);

    // Adds to o_val (not cleared first) copies of the overlay's members in its order, a base
    // member for a bare "inherit", nothing for a bare "removed", then copies of the base's other
    // members. Quoted markers are ordinary strings here.
    static void weaveValues(const AbstractDictionaryValue* d_val_a, const AbstractDictionaryValue* d_val_b,
                            AbstractDictionaryValue* o_val);

    // o_result becomes the overlay that, woven over the base, gives the full document: its text
    // with every member that equals the base's written as "inherit", and then each base member
    // the full document lacks, in the base's own leading text, as "removed". An earlier
    // occurrence of a key that the full document gives again is left out.
    static void unweave(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                        const AbstractDictionaryValue* d_val_w, const TTokenStore<JasmineToken>* store_w,
                        std::wstring* o_result);
};

} // namespace pel

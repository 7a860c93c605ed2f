#pragma once
// Lays an overlay document, which states only differences, over a base document, and computes
// such an overlay from a base and an edited full document. Both work on the top-level members
// of two dictionaries. The text operations copy tokens from the documents' token stores, so
// comments, blank lines and layout survive and only whole members are added, dropped or
// replaced; the value operation merges trees without text.
//
// In an overlay, a member whose value is the word "inherit" takes the base's value, and one
// whose value is "removed" leaves the base's member out. The rewrites change a full document
// into another member by member, so that what did not change keeps its text.

#include "pel/jasmine/JasmineToken.h"
#include "pel/jasmine/TTokenStore.h"

#include <string>
#include <string_view>

namespace pel {

class AbstractDictionaryValue;
class Value;

class JasmineWeaver {
public:
    static const std::wstring INHERIT; // "inherit"
    static const std::wstring REMOVED; // "removed"

    // Options of the text weaves. Callers that use the text and the value weave on the same
    // documents take BARE_MARKERS, so that a quoted "removed" is a string in both; callers
    // that keep documents in layers take KEEP_TAIL, so that weaving back an unweave gives the
    // full document's text to its last character.
    enum Options : unsigned {
        // Only the bare words are markers, as in the value weave; the unweave writes a member
        // of the full document whose value is such a word (a string there) quoted.
        BARE_MARKERS = 1,
        // The text after the closing brace is kept: the overlay's by the weave, the full
        // document's by the unweave.
        KEEP_TAIL = 2,
    };

    // o_result becomes the overlay's text with each member's value taken from the overlay, or
    // from the base for "inherit", "removed" members (and "inherit" ones the base lacks) left
    // out with their leading text, and the base's other members appended after the overlay's
    // last member with their own leading text. Text after the overlay's closing brace is
    // dropped (unless KEEP_TAIL). A marker is recognised in any quoting style (only bare with
    // BARE_MARKERS). Both dictionaries must have been read into the stores given with them.
    // When an overlay gives a key more than once, the last occurrence counts, as it does for
    // the reader; the earlier ones are left out.
    static void weave(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                      const AbstractDictionaryValue* d_val_b, const TTokenStore<JasmineToken>* store_b,
                      std::wstring* o_result, unsigned options = 0);

    // Adds to o_val (not cleared first) copies of the overlay's members in its order, a base
    // member for a bare "inherit", nothing for a bare "removed", then copies of the base's other
    // members. Quoted markers are ordinary strings here.
    static void weaveValues(const AbstractDictionaryValue* d_val_a, const AbstractDictionaryValue* d_val_b,
                            AbstractDictionaryValue* o_val);

    // o_result becomes the overlay that, woven over the base, gives the full document: its text
    // with every member that equals the base's written as "inherit", and then each base member
    // the full document lacks, in the base's own leading text, as "removed". An earlier
    // occurrence of a key that the full document gives again is left out, and so is the text
    // after the closing brace (unless KEEP_TAIL).
    static void unweave(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                        const AbstractDictionaryValue* d_val_w, const TTokenStore<JasmineToken>* store_w,
                        std::wstring* o_result, unsigned options = 0);

    // o_result becomes the text of document a (read into store_a, text after its closing brace
    // included) with its members made those of d_val_n: a member whose value equals n's keeps
    // its text, one whose value differs gets the writer's text of n's value in place of its
    // value's text, one that n lacks goes with its leading text and what follows it on its line
    // (what follows the previous member on that member's line stays), and n's members that a lacks
    // follow a's last member (before the whitespace ahead of the closing brace), each on a line
    // of its own indented like that member's line. Written values continue on lines indented
    // like their member; a top-level string that reads as a marker word is written quoted.
    // The text reads back as a dictionary equal to n.
    static void rewrite(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                        const AbstractDictionaryValue* d_val_n, std::wstring* o_result);
    // The same for one member: the text of a with the value of key replaced by value's text, or
    // with the member added as rewrite adds it when a lacks the key. Every other character of
    // a stays as it was.
    static void rewriteMember(const AbstractDictionaryValue* d_val_a, const TTokenStore<JasmineToken>* store_a,
                              std::wstring_view key, const Value& value, std::wstring* o_result);
};

} // namespace pel

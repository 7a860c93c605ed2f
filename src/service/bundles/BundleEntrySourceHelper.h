#pragma once
// Parses the Jasmine text of one bundle entry into its root dictionary, turning every failure
// into one BundleError of severity 4: entry files, type defaults and texts from the bundle
// editor all come through here. Keeps no state; any thread may call it.

#include "pel/jasmine/JasmineToken.h"
#include "pel/jasmine/TTokenStore.h"

#include <memory>
#include <string>
#include <string_view>

namespace pel {
class Value;
}

namespace tessel {

class ErrorList;

class BundleEntrySourceHelper {
public:
    // The root dictionary, or none with one error added to o_errors (a null o_errors is a hard
    // check naming "o_errors"). With a store, every token of the text is recorded into it (the
    // store is emptied first), so that the entry can later be rewritten token by token.
    // A syntax error is tagged "read" and carries sourceName as its source (none when it is
    // empty) and the place of the error; a root of another kind gives "Root value must be
    // `Dictionary`, but `<kind>` found." at the root's place, without a source. Nothing is thrown.
    static std::unique_ptr<pel::Value> parse(std::wstring_view sourceName, const std::wstring& text,
                                             ErrorList* o_errors, pel::TTokenStore<pel::JasmineToken>* store);
    // Whether text follows the entry's closing brace, which reading leaves out, so that saving
    // the text would drop it without a word; the error, placed at that text, goes to o_errors.
    static bool findUnreadText(const std::wstring& text, ErrorList* o_errors);
};

} // namespace tessel

#pragma once
// One bundle folder or entry file name, "name.uuid.suffix": the readable name (no "." in it),
// the identity of the bundle or entry, and the extension that tells the entry's type.

#include "pel/base/UUID.h"

#include <cstddef>
#include <string>

namespace tessel {

struct BundleEntryFileName {
    pel::UUID uuid; // nil when the name carries none
    std::wstring name;
    std::wstring suffix; // letters only, without the dot

    // Nil UUID and both texts empty.
    bool empty() const { return uuid.isNil() && name.empty() && suffix.empty(); }

    // The name, then "." and the lower-case UUID unless it is nil, then "." and the suffix
    // unless it is empty.
    std::wstring toString() const;
    void appendTo(std::wstring& io_text) const;

    // Reads a name from the first character of text: a name without ".", ".", a UUID-shaped
    // group of letters and digits, "." and the suffix letters. Text after the suffix is not
    // looked at, so the count of characters matched is the result: a caller that wants the
    // whole text to be a name compares it with the length. A group that is no valid UUID
    // gives the nil UUID. No match throws pel::InvalidArgumentException "File name was invalid.".
    static size_t parse(const wchar_t* text, size_t length, BundleEntryFileName* o_name);
    static size_t parse(const std::wstring& text, BundleEntryFileName* o_name) {
        return parse(text.c_str(), text.size(), o_name);
    }

    // Longest name made from a title: the file system takes 255 characters, and a save writes
    // a temporary file beside the entry's, whose name adds up to 23 (".", "-<process>-<count>").
    static constexpr size_t MAX_LENGTH = 255 - 23;

    // The name of a new file or folder made from an entry's title: the title in the
    // Inflector's file-name form, cut so that the whole name stays within MAX_LENGTH; fallback
    // (the type name) when that form is empty or names a device (con, prn, aux, nul, com1 to
    // com9, lpt1 to lpt9, in any case), since opening such a file opens the device instead.
    static BundleEntryFileName fromTitle(const std::wstring& title, const std::wstring& fallback,
                                         const pel::UUID& uuid, const std::wstring& suffix);
};

inline bool operator==(const BundleEntryFileName& a, const BundleEntryFileName& b) {
    return a.uuid == b.uuid && a.name == b.name && a.suffix == b.suffix;
}
inline bool operator!=(const BundleEntryFileName& a, const BundleEntryFileName& b) { return !(a == b); }

} // namespace tessel

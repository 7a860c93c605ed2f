#pragma once
// The first text of every new bundle and entry: one commented Jasmine dictionary per type, with
// the title as placeholder {1} (and, for grammars, the top-level scope name as {2}), and the one
// routine that fills a new entry from its template.

#include <string>

namespace tessel {

class BundleEntry;

class BundleEntryTemplates {
public:
    // Tab-indented, without a final line break.
    static const wchar_t* const BUNDLE;
    static const wchar_t* const GRAMMAR;
    static const wchar_t* const SNIPPET;
    static const wchar_t* const THEME;
    static const wchar_t* const PREFERENCES;

    BundleEntryTemplates() = delete;

    // The template with the title as {1} and the scope name as {2}, each written as a
    // double-quoted Jasmine string; the values are inserted as they stand, placeholders in
    // them included.
    static std::wstring format(const wchar_t* templateText, const std::wstring& title,
                               const std::wstring& scopeName = std::wstring());

    // Makes the formatted template the new entry's text. A text that does not read back
    // without errors is a programming error: the hard check "errors.empty()", reported at
    // the caller's file and line (pass PEL_FILE and __LINE__).
    static void fill(BundleEntry& entry, const wchar_t* templateText, const std::wstring& title,
                     const std::wstring& scopeName, const wchar_t* file, int line);
};

} // namespace tessel

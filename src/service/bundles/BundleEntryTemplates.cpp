#include "service/bundles/BundleEntryTemplates.h"
#include "service/bundles/BundleEntry.h"

#include "service/base/error/ErrorList.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineQuoting.h"
#include "pel/text/StringTemplate.h"
#include "pel/thread/ThreadCache.h"

#include <optional>
#include <utility>
#include <vector>

namespace tessel {

const wchar_t* const BundleEntryTemplates::BUNDLE =
    L"{\n"
    L"\ttitle: {1}\n"
    L"\t\n"
    L"\t// Bundle menu\n"
    L"\t// Leave `null` to auto-generate.\n"
    L"\tmenu: null\n"
    L"}";

const wchar_t* const BundleEntryTemplates::GRAMMAR =
    L"{\n"
    L"\ttitle: {1}\n"
    L"\t\n"
    L"\t// Name will uniquelly identify top-level scope name the grammar.\n"
    L"\t// Example \"source.php\"\n"
    L"\tname: {2}\n"
    L"\t\n"
    L"\t// Fill in default file extensions.\n"
    L"\t// Example [ \"html\" \"php\" \"phtml\" ]\n"
    L"\tfile_types: [  ]\n"
    L"\t\n"
    L"\t// Top-level patterns that define how the text is parsed.\n"
    L"\tpatterns: [\n"
    L"\t]\n"
    L"\t\n"
    L"\t// Reusable patterns you can include from main `patterns`.\n"
    L"\trepository: {\n"
    L"\t}\n"
    L"}";

const wchar_t* const BundleEntryTemplates::SNIPPET =
    L"{\n"
    L"\ttitle: {1}\n"
    L"\t\n"
    L"\t// Snippet template to be inserted.\n"
    L"\tcontent: \"\"\n"
    L"\t\n"
    L"\t// Scope selector in which the snippet can be executed.\n"
    L"\tscope: \"\"\n"
    L"\t\n"
    L"\t// Keyboard shortcut to launch the snippet.\n"
    L"\tshortcut: \"\"\n"
    L"\t\n"
    L"\t// A word shortcut that will expand in editor when TAB is pressed.\n"
    L"\ttab_trigger: \"\"\n"
    L"}";

const wchar_t* const BundleEntryTemplates::THEME =
    L"{\n"
    L"\ttitle: {1}\n"
    L"\t\n"
    L"\tsettings:\n"
    L"\t[\n"
    L"\t\t{\n"
    L"\t\t\t// Theme specific settings.\n"
    L"\t\t\t// Must be as first and without title and scope.\n"
    L"\t\t\tsettings: {\n"
    L"\t\t\t\t// Default background color.\n"
    L"\t\t\t\tbackground: \"#FFFFFF\"\n"
    L"\t\t\t\t// Default foreground color.\n"
    L"\t\t\t\tforeground: \"#000000\"\n"
    L"\t\t\t\t\n"
    L"\t\t\t\t// Whitespace, indentation and guidelines color. \n"
    L"\t\t\t\tinvisibles: \"#CCCCCC80\"\n"
    L"\t\t\t\t\n"
    L"\t\t\t\t// Color used to fill space when document is being centered.\n"
    L"\t\t\t\tarea_background: \"#F0F0F0\"\n"
    L"\n"
    L"\t\t\t\t// Background for selections.\t\t\n"
    L"\t\t\t\tselection: \"#0066EE20\"\n"
    L"\t\t\t\t// Background for highlights.\n"
    L"\t\t\t\thotspot: \"#66EE0020\"\n"
    L"\t\t\t\t// Background for current line.\n"
    L"\t\t\t\tline_highlight: \"#00000012\"\n"
    L"\t\t\t}\n"
    L"\t\t}\n"
    L"\t\t\n"
    L"\t\t// Selector-based rules follow.\n"
    L"\t\t\n"
    L"\t\t{\n"
    L"\t\t\ttitle: \"Strings\"\n"
    L"\t\t\tscope: \"string\"\n"
    L"\t\t\tsettings: {\n"
    L"\t\t\t\ttitle: \"String\"\n"
    L"\t\t\t\tforeground: \"#036A07\"\n"
    L"\t\t\t}\n"
    L"\t\t}\n"
    L"\t\t\n"
    L"\t\t{\n"
    L"\t\t\ttitle: \"Comment\"\n"
    L"\t\t\tscope: \"comment\"\n"
    L"\t\t\tsettings: {\n"
    L"\t\t\t\tfont_style: \"italic\"\n"
    L"\t\t\t\tforeground: \"#0066FF\"\n"
    L"\t\t\t}\n"
    L"\t\t}\n"
    L"\t\t\n"
    L"\t\t{\n"
    L"\t\t\ttitle: \"Number\"\n"
    L"\t\t\tscope: \"constant.number\"\n"
    L"\t\t\tsettings: {\n"
    L"\t\t\t\tfont_style: \"\"\n"
    L"\t\t\t\tforeground: \"#0000CD\"\n"
    L"\t\t\t}\n"
    L"\t\t}\n"
    L"\t]\n"
    L"}";

const wchar_t* const BundleEntryTemplates::PREFERENCES =
    L"{\n"
    L"\ttitle: {1}\n"
    L"\t\n"
    L"\t// Target scope for the settings.\n"
    L"\tscope: \"source\"\n"
    L"\t\n"
    L"\tsettings: {\n"
    L"\t\t// Paired characters\n"
    L"\t\tpairs: [\n"
    L"\t\t\t// Example: [ \"(\" \")\" ]\n"
    L"\t\t]\n"
    L"\t}\n"
    L"}";

namespace {

// The five templates parsed once, or null for another text: parsing costs more than the rest of
// filling one.
const pel::StringTemplate* parsedTemplate(const wchar_t* templateText) {
    using T = BundleEntryTemplates;
    static const std::pair<const wchar_t*, pel::StringTemplate> templates[] = {
        {T::BUNDLE, pel::StringTemplate(T::BUNDLE)},
        {T::GRAMMAR, pel::StringTemplate(T::GRAMMAR)},
        {T::SNIPPET, pel::StringTemplate(T::SNIPPET)},
        {T::THEME, pel::StringTemplate(T::THEME)},
        {T::PREFERENCES, pel::StringTemplate(T::PREFERENCES)}};
    for (const auto& entry : templates)
        if (entry.first == templateText)
            return &entry.second;
    return nullptr;
}

// What one thread fills templates with: its own copy of each parsed template (a template caches
// what it renders) and the quoted values, all keeping their memory from one new entry to the
// next.
struct Filling {
    std::wstring quotedTitle, quotedScope;
    std::vector<std::pair<const pel::StringTemplate*, pel::StringTemplate>> copies;

    pel::StringTemplate& copyOf(const pel::StringTemplate& parsed) {
        for (auto& copy : copies)
            if (copy.first == &parsed)
                return copy.second;
        copies.emplace_back(&parsed, parsed);
        return copies.back().second;
    }
};

} // namespace

std::wstring BundleEntryTemplates::format(const wchar_t* templateText, const std::wstring& title,
                                          const std::wstring& scopeName) {
    Filling& filling = pel::ThreadCache<Filling>::get();
    filling.quotedTitle.clear();
    filling.quotedScope.clear();
    pel::quoteString(title, filling.quotedTitle);
    pel::quoteString(scopeName, filling.quotedScope);
    const pel::StringTemplate* known = parsedTemplate(templateText);
    std::optional<pel::StringTemplate> other;
    pel::StringTemplate& filled = known ? filling.copyOf(*known) : other.emplace(templateText);
    // Quoting leaves no NUL in the values; as pointers they are copied into the template's own
    // strings.
    return filled.arg(1, filling.quotedTitle.c_str()).arg(2, filling.quotedScope.c_str()).render();
}

void BundleEntryTemplates::fill(BundleEntry& entry, const wchar_t* templateText, const std::wstring& title,
                                const std::wstring& scopeName, const wchar_t* file, int line) {
    ErrorList errors;
    if (!entry.setSourceText(format(templateText, title, scopeName), &errors) || !errors.empty())
        pel::assertionViolation(L"errors.empty()", file, line);
}

} // namespace tessel

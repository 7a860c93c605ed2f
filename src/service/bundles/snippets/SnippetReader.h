#pragma once
// Reads snippet text into a Snippet: text (a backslash escapes "$", "\", "`" and "}"; before
// anything else it stays), tab stops $1, variables $NAME, placeholders ${1}, ${1:default} and
// ${NAME:default} nested in each other, transformations ${1/regex/format/options}, and backtick
// sections, which leave nothing. One forward pass; placeholders nest at most MAX_DEPTH deep, so
// a bundle file cannot exhaust the stack. A reader reads one text and keeps its warnings.

#include "service/bundles/snippets/Snippet.h"

#include "pel/base/Exception.h"

#include <memory>
#include <string>
#include <vector>

namespace pel {
class LineMap;
}

namespace tessel {

class SnippetReader {
public:
    static constexpr int MAX_DEPTH = 256;

    // A problem that does not stop reading: "Not escaped `$`.", "Placeholder was ignored.".
    struct Warning {
        std::wstring kind; // "warning"
        std::wstring message;
        pel::TextPosition position;
    };

    SnippetReader();
    ~SnippetReader();
    SnippetReader(const SnippetReader&) = delete;
    SnippetReader& operator=(const SnippetReader&) = delete;

    // The snippet of the text (up to its first NUL); null when the text ends right after a "$"
    // and "{" (the placeholder is ignored, with a warning). Syntax errors throw
    // pel::UnexpectedTokenException (found "unknown", expected "variable or number",
    // "} : or /" or "}") or pel::UnexpectedlyTerminatedException for an unclosed placeholder,
    // regex or format, both positioned in the text.
    std::unique_ptr<Snippet> read(const std::wstring& text);

    const std::vector<Warning>& getWarnings() const { return m_warnings; }

private:
    // Reads a sequence into parent up to the end (at depth 0) or the "}" closing the
    // placeholder opened at openAt; false when a placeholder was ignored, which ends the read.
    bool readSequence(SnippetActiveNode& parent, int depth, size_t openAt);
    bool readPlaceholder(SnippetActiveNode& parent, int depth);
    // A regex or format part up to its closing "/", escapes kept as written.
    std::wstring readPart(size_t openAt);
    // [A-Za-z0-9_]* (digits first for a number, a letter or "_" first for a name).
    std::wstring readWord();
    void readText(SnippetActiveNode& parent, int depth);
    void skipBackticks();
    void appendText(SnippetActiveNode& parent, const std::wstring& text);
    void registerAndAppend(SnippetActiveNode& parent, std::unique_ptr<SnippetActiveNode> node);
    void warn(const wchar_t* message, size_t at);

    pel::TextPosition positionOf(size_t at);
    [[noreturn]] void failToken(size_t at, const wchar_t* expected);
    [[noreturn]] void failEnd(size_t openAt);

    const wchar_t* m_text = nullptr;
    size_t m_length = 0;
    size_t m_at = 0;
    Snippet* m_snippet = nullptr;
    std::unique_ptr<pel::LineMap> m_lines;
    std::vector<Warning> m_warnings;
};

} // namespace tessel

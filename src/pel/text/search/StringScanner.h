#pragma once
// Walks a wide text from left to right, trying a regular expression (anchored at the current
// position) or a literal there and moving past what matched. The groups of the last successful
// scan can be copied out. The scanner does not own its text.

#include "pel/text/search/MatchResults.h"

#include "pel/text/search/RegEx.h"

#include <memory>
#include <string>

namespace pel {

class StringScanner {
public:
    StringScanner();
    virtual ~StringScanner();
    StringScanner(const StringScanner&) = delete;
    StringScanner& operator=(const StringScanner&) = delete;

    // Starts over on a text (null: the empty text). A length of 0 counts up to the terminating
    // NUL; any other length must not exceed the text's NUL-terminated length. -1 leaves the
    // scanner without text, as a new scanner is: every scan fails.
    void setBuffer(const wchar_t* text, int length = 0);

    // Tries the regex anchored at the position; look-behind sees the text before it.
    bool scanRegEx(const RegEx* regex);
    bool scanRegEx(const std::shared_ptr<RegEx>& regex) { return scanRegEx(regex.get()); }
    bool scanRegEx(const std::unique_ptr<RegEx>& regex) { return scanRegEx(regex.get()); }
    // Expects the character c at the position.
    bool scanChar(wchar_t c);
    // Expects a backslash and a double quote. Callers use only the result and the position:
    // the matched flag stays false, so getGroup answers false afterwards.
    bool scanEscapedQuote();
    // Moves past every character at the position that is one of `set` (NUL-terminated) and
    // returns how many it passed; the run is group 0 when there was one.
    int skipChars(const wchar_t* set);

    // Copies group `index` of the last successful scan. False, leaving o_string as it is, when
    // the last scan failed, the group did not take part or is empty.
    bool getGroup(unsigned int index, std::wstring* o_string) const;
    std::wstring getGroup(unsigned int index) const;
    std::wstring getMatchedText() const { return getGroup(0); }
    // The groups of the last scan (for example firstMatchedGroup after a regex scan).
    const MatchResults& getMatchData() const { return *m_match_data; }

    int getPosition() const { return m_position; }
    // Where the last successful scan started.
    int getPreviousPosition() const { return m_previous_position; }
    int getLength() const { return m_length; }
    bool isMatched() const { return m_matched; }
    bool isAtEnd() const { return m_position >= m_length; }
    const wchar_t* getText() const { return m_text; }
    // The character at the position; 0 at the end.
    wchar_t currentChar() const { return isAtEnd() ? L'\0' : m_text[m_position]; }
    // Moves to a position, kept within 0 and the length.
    void setPosition(int position);

private:
    enum ScanKind { REGEX_SCAN = 0, LITERAL_SCAN = 1 };
    void prepareMatchData(ScanKind kind);
    // Records a literal match of `count` characters at the position and moves past it.
    void acceptLiteral(int count);

    int m_position = 0;
    int m_previous_position = 0;
    int m_length = -1;
    bool m_matched = false;
    const wchar_t* m_text;
    const wchar_t* m_text_end; // text + length; without text (length -1) it equals text
    MatchResults* m_match_data = nullptr;
    std::unique_ptr<MatchResultsRegEx> m_regex_results;
    std::unique_ptr<MatchResultsSimple> m_literal_results;
    ScanKind m_kind = LITERAL_SCAN;
};

} // namespace pel

#pragma once
// A regular expression compiled by the Oniguruma engine, shared read-only between threads. It runs
// over UTF-16 text (offsets in units) or, compiled for it, over UTF-8 text (offsets in bytes; the
// pattern is given as UTF-16 either way). Compiling never throws: a pattern that does not compile
// keeps its error for getErrorInfo and never matches.

#include "pel/text/search/MatchResults.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

struct re_pattern_buffer; // the engine's compiled expression (OnigRegex)

namespace pel {

// The option word (engine option bits) and the global flag, as parsed from option letters.
struct RegExOptions {
    static constexpr uint32_t IGNORE_CASE = 1;
    static constexpr uint32_t EXTENDED = 2;
    static constexpr uint32_t MULTILINE = 4; // a dot also matches a line feed
    static constexpr uint32_t CAPTURE_GROUP = 256;
    // For one match or search: \G, which holds where the call starts, holds nowhere.
    static constexpr uint32_t NO_START_ANCHOR = 1u << 24;

    uint32_t options = CAPTURE_GROUP;
    bool global = false; // the "g" letter: kept for callers, matching ignores it
};

struct RegExErrorInfo {
    int code = 0;
    std::wstring message;
    int begin = 0; // character span of the offending part of the pattern; 0 when unknown
    int end = 0;
};

class RegExCompiled;
class RegExSetSearch;

// The form of the text an expression runs over. In a UTF-8 expression a bare byte escape "\xHH"
// is one byte of the text, as it is one byte of a unit in a UTF-16 one: see fixHexEscapes.
enum class RegExEncoding { UTF16, UTF8 };

// A text that a pattern runs over again and again, as a global substitution does. The engine
// needs a unit it may read after a text that ends in a high surrogate: such a text is copied
// here once, where a search through pointers copies it at every call. The text it was made from
// must stay unchanged while it is used.
class RegExSubject {
public:
    RegExSubject(const wchar_t* text, size_t length);
    RegExSubject(const RegExSubject&) = delete;
    RegExSubject& operator=(const RegExSubject&) = delete;

    const wchar_t* begin() const { return m_begin; }
    const wchar_t* end() const { return m_end; }

private:
    std::wstring m_copy;
    const wchar_t* m_begin;
    const wchar_t* m_end;
};

class RegEx {
public:
    // Compiles the pattern (null or empty: nothing compiled and no error).
    static std::unique_ptr<RegEx> create(const wchar_t* pattern, RegExOptions options = RegExOptions());
    static std::unique_ptr<RegEx> create(const std::wstring& pattern, RegExOptions options = RegExOptions());
    static std::unique_ptr<RegEx> create(const std::wstring& pattern, RegExOptions options, RegExEncoding encoding);
    ~RegEx();
    RegEx(const RegEx&) = delete;
    RegEx& operator=(const RegEx&) = delete;

    // Matches anchored at `at` inside [text, textEnd); look-behind may see the text before `at`.
    // Fills results (cleared first) or, when results is null, a new object the caller then owns.
    // Offsets count from text. A range that does not hold `at` matches nothing.
    // callOptions (NO_START_ANCHOR) apply to this call alone.
    MatchResultsRegEx* match(MatchResultsRegEx* results, const wchar_t* text, const wchar_t* textEnd,
                             const wchar_t* at, uint32_t callOptions = 0) const;
    // As match, but finds the first match that starts anywhere from rangeStart on, before
    // rangeEnd (searching backwards when rangeEnd lies before rangeStart). The engine may also
    // want the literal part it looks for first to end before rangeEnd: to search all of the
    // text after rangeStart, pass textEnd.
    MatchResultsRegEx* search(MatchResultsRegEx* results, const wchar_t* text, const wchar_t* textEnd,
                              const wchar_t* rangeStart, const wchar_t* rangeEnd, uint32_t callOptions = 0) const;
    // An expression compiled for UTF-8 runs match and search over the UTF-8 form of the text,
    // converted at each call, and answers in units.
    //
    // As match and search, over UTF-8 text, for an expression compiled for it (any other matches
    // nothing); offsets count bytes from text. The text must be well-formed UTF-8.
    MatchResultsRegEx* matchUtf8(MatchResultsRegEx* results, const char* text, const char* textEnd, const char* at,
                                 uint32_t callOptions = 0) const;
    MatchResultsRegEx* searchUtf8(MatchResultsRegEx* results, const char* text, const char* textEnd,
                                  const char* rangeStart, const char* rangeEnd, uint32_t callOptions = 0) const;
    // As search, over the whole subject, the range in characters from its start.
    MatchResultsRegEx* search(MatchResultsRegEx* results, const RegExSubject& subject, size_t rangeStart,
                              size_t rangeEnd, uint32_t callOptions = 0) const;

    // Letters i, x, m set the option bits, g the global flag; other letters are ignored.
    static bool parseOptions(const wchar_t* letters, RegExOptions* o_options);
    // Rewrites each byte escape \xHH (not after an escaping backslash) as the code point U+00HH,
    // \x{HH}: to the engine a bare \xHH is one byte of the text's encoding, not a character.
    // Returns whether anything was rewritten.
    static bool fixHexEscapes(const std::wstring& pattern, std::wstring* o_fixed_re);
    // Rewrites a negated class of one range from U+0000 inside another class, "[a[^\x{0}-\x{7F}]]",
    // as the range after it, "[a[\x{80}-\x{10FFFF}]]": the engine's UTF-16 encoding lets that form
    // match every character. Returns whether anything was rewritten.
    static bool fixClassForms(const std::wstring& pattern, std::wstring* o_fixed_re);

    // The last compile or match error; false when there is none. Its span counts UTF-16 units of
    // the pattern, whichever the encoding.
    bool getErrorInfo(RegExErrorInfo* o_error_info) const;
    int getErrorCode() const { return m_last_error.load(std::memory_order_relaxed); }
    bool isCompiled() const;
    // Number of capture groups of the compiled pattern (group 0 not counted); 0 when not compiled.
    int getCaptureCount() const;
    uint32_t getOptions() const { return m_options; }
    bool isGlobal() const { return m_global; }
    RegExEncoding getEncoding() const { return m_encoding; }
    const std::wstring& getPattern() const;

private:
    friend class RegExSetSearch;

    RegEx(const wchar_t* pattern, size_t length, RegExOptions options, RegExEncoding encoding);
    // The engine's compiled form, none when the pattern did not compile.
    re_pattern_buffer* engineRegex() const;
    template <class Unit>
    static bool rangeHolds(const Unit* text, const Unit* textEnd, const Unit* at);
    void recordMatchResult(int result, MatchResultsRegEx* results) const;
    // A UTF-8 expression's match at `at` (rangeEnd null) or search over UTF-16 text.
    void runConverted(MatchResultsRegEx* results, const wchar_t* text, const wchar_t* textEnd, const wchar_t* at,
                      const wchar_t* rangeEnd, uint32_t callOptions) const;

    std::unique_ptr<RegExCompiled> m_compiled;
    uint32_t m_options;
    bool m_global;
    RegExEncoding m_encoding;
    // A failing match overwrites it; matches may run on several threads at once.
    mutable std::atomic<int> m_last_error{0};
};

using RegExPtr = std::shared_ptr<RegEx>;

} // namespace pel

#pragma once
// Turns free text into identifiers and back: splits a text into words where the character class
// changes and joins them with a separator in a case format ("hello_world", "HelloWorld",
// "helloWorld"), changes the case of whole strings, filters characters and transliterates
// non-ASCII text into ASCII. Stateless; the transliteration table is constant.

#include <string>

namespace pel {

class Inflector {
public:
    enum CaseFormat : int {
        CASE_KEEP = 0,
        CASE_LOWER = 1,
        CASE_UPPER = 2,
        CASE_CAPITALIZE = 3, // first character upper, the rest lower
        CASE_CAMEL = 4,      // first word lower, later words capitalised
    };

    typedef bool (*CharacterPredicate)(wchar_t c);

    Inflector() = delete;

    // Replaces o_symbol with the words of the first `length` characters of source_symbol joined
    // by separator (0 for none), each in caseFormat. Blanks, '-', '_', white space and
    // punctuation only separate words; symbols are words of their own. o_symbol may be the
    // string that source_symbol points into.
    static void inflect(const wchar_t* source_symbol, size_t length, int caseFormat,
                        wchar_t separator, std::wstring* o_symbol);
    // Lower-case words joined by '_': "camelCaseText" gives "camel_case_text".
    static void toSymbol(const std::wstring& source_symbol, std::wstring* o_symbol);
    // An ASCII name fit for a file: transliterated, stripped of everything but letters, digits,
    // '-', '_' and blanks, then made a symbol. Empty when nothing usable is left; returns
    // whether something is.
    static bool toFileName(const std::wstring& title, std::wstring* o_fileName);

    // Whole-string case changes through the system's case tables; they return true.
    static bool toLower(std::wstring* io_symbol);
    static bool toUpper(std::wstring* io_symbol);
    static bool capitalize(std::wstring* io_symbol);

    // Keeps characters up to U+007E and replaces every other one by its ASCII stand-in, or drops
    // it when it has none (C1 controls, surrogates, most scripts other than Latin and Cyrillic).
    static bool transliterate(std::wstring* io_symbol);
    // The stand-in of one character, or null when it has none. Four stand-ins are not ASCII:
    // U+02C9 gives U+2014, U+02DA gives U+00B0, U+2219 and U+22C5 give U+00B7.
    static const wchar_t* transliteration(wchar_t c);

    // Keeps the characters for which the predicate holds, in order; returns true.
    static bool filterCharacters(std::wstring* io_string, CharacterPredicate predicate);
    // ASCII letters, digits, '-', '_' and the blank.
    static bool isSymbolCharacter(wchar_t c);
    // Letters, marks, digits and connector punctuation ("_").
    static bool isWordCharacter(wchar_t c);
};

} // namespace pel

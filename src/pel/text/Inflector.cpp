#include "pel/text/Inflector.h"

#include "pel/base/Assert.h"
#include "pel/base/CharacterProperties.h"
#include "pel/text/TransliterationTable.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace pel {

namespace {

enum WordClass {
    CLASS_NONE,
    CLASS_SEPARATOR,
    CLASS_UPPER,
    CLASS_LOWER,
    CLASS_WORD,
    CLASS_DIGIT,
    CLASS_OTHER,
};

struct WordToken {
    const wchar_t* start;
    size_t length;
    WordClass wordClass;
};

WordClass classOf(wchar_t c) {
    if (c == L' ' || c == L'-' || c == L'_')
        return CLASS_SEPARATOR;
    const uint32_t properties = getCharacterProperties(c);
    if (properties & CHARACTER_UPPER)
        return CLASS_UPPER;
    if (properties & CHARACTER_LOWER)
        return CLASS_LOWER;
    if (properties & CHARACTER_WORD)
        return CLASS_WORD;
    if (properties & CHARACTER_DIGIT)
        return CLASS_DIGIT;
    if (properties & (CHARACTER_SPACE | CHARACTER_PUNCTUATION | CHARACTER_BLANK))
        return CLASS_SEPARATOR;
    return CLASS_OTHER;
}

// Words end where the class changes, except that an upper-case letter followed by lower-case
// ones stays one word ("Hello", "XMLParser").
std::vector<WordToken> splitWords(const wchar_t* text, size_t length) {
    std::vector<WordToken> tokens;
    WordClass previous = CLASS_NONE;
    for (size_t i = 0; i < length; ++i) {
        const WordClass current = classOf(text[i]);
        const bool joins = (previous == CLASS_UPPER && current == CLASS_LOWER) || current == previous;
        if (joins)
            ++tokens.back().length;
        else
            tokens.push_back(WordToken{text + i, 1, current});
        previous = current;
    }
    return tokens;
}

void changeCase(std::wstring* io_word, int caseFormat) {
    switch (caseFormat) {
    case Inflector::CASE_LOWER:
        Inflector::toLower(io_word);
        break;
    case Inflector::CASE_UPPER:
        Inflector::toUpper(io_word);
        break;
    case Inflector::CASE_CAPITALIZE:
        Inflector::capitalize(io_word);
        break;
    default:
        PEL_ASSERT(0 && "Unknown case format.");
    }
}

} // namespace

void Inflector::inflect(const wchar_t* source_symbol, size_t length, int caseFormat,
                        wchar_t separator, std::wstring* o_symbol) {
    PEL_CHECK_PTR(source_symbol);
    PEL_CHECK_PTR(o_symbol);
    if (caseFormat < CASE_KEEP || caseFormat > CASE_CAMEL)
        PEL_ASSERT(0 && "Unknown case format.");

    // Built aside: the source may point into o_symbol.
    const std::vector<WordToken> tokens = splitWords(source_symbol, length);
    std::wstring result;
    std::wstring word;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const WordToken& token = tokens[i];
        if (token.wordClass == CLASS_SEPARATOR || token.length == 0)
            continue;
        if (separator != 0 && i > 0 && !result.empty())
            result += separator;
        if (caseFormat == CASE_KEEP) {
            result.append(token.start, token.length);
            continue;
        }
        word.assign(token.start, token.length);
        if (caseFormat == CASE_CAMEL) {
            changeCase(&word, CASE_LOWER);
            caseFormat = CASE_CAPITALIZE;
        } else {
            changeCase(&word, caseFormat);
        }
        result += word;
    }
    o_symbol->swap(result);
}

void Inflector::toSymbol(const std::wstring& source_symbol, std::wstring* o_symbol) {
    inflect(source_symbol.c_str(), source_symbol.length(), CASE_LOWER, L'_', o_symbol);
}

bool Inflector::toFileName(const std::wstring& title, std::wstring* o_fileName) {
    PEL_CHECK_PTR(o_fileName);
    std::wstring text = title;
    transliterate(&text);
    filterCharacters(&text, isSymbolCharacter);
    toSymbol(text, o_fileName);
    return !o_fileName->empty();
}

bool Inflector::toLower(std::wstring* io_symbol) {
    PEL_CHECK_PTR(io_symbol);
    const DWORD ret = ::CharLowerBuffW(&(*io_symbol)[0], static_cast<DWORD>(io_symbol->length()));
    PEL_ASSERT(ret == io_symbol->length());
    return true;
}

bool Inflector::toUpper(std::wstring* io_symbol) {
    PEL_CHECK_PTR(io_symbol);
    const DWORD ret = ::CharUpperBuffW(&(*io_symbol)[0], static_cast<DWORD>(io_symbol->length()));
    PEL_ASSERT(ret == io_symbol->length());
    return true;
}

bool Inflector::capitalize(std::wstring* io_symbol) {
    PEL_CHECK_PTR(io_symbol);
    if (io_symbol->empty())
        return true;
    DWORD ret = ::CharUpperBuffW(&(*io_symbol)[0], 1);
    PEL_ASSERT(ret == 1);
    if (io_symbol->length() >= 2) {
        ret = ::CharLowerBuffW(&(*io_symbol)[1], static_cast<DWORD>(io_symbol->length() - 1));
        PEL_ASSERT(ret == (io_symbol->length() - 1));
    }
    return true;
}

const wchar_t* Inflector::transliteration(wchar_t c) {
    using transliteration::ENTRIES;
    using transliteration::ENTRY_COUNT;
    using transliteration::Entry;
    const Entry* end = ENTRIES + ENTRY_COUNT;
    const Entry* found = std::lower_bound(ENTRIES, end, c, [](const Entry& entry, wchar_t key) {
        return entry.key < key;
    });
    return found != end && found->key == c ? found->text : nullptr;
}

bool Inflector::transliterate(std::wstring* io_symbol) {
    PEL_CHECK_PTR(io_symbol);
    std::wstring result;
    result.reserve(io_symbol->length());
    for (wchar_t c : *io_symbol) {
        if (c <= 126) {
            result += c;
        } else if (const wchar_t* text = transliteration(c)) {
            result += text;
        }
    }
    io_symbol->swap(result);
    return true;
}

bool Inflector::filterCharacters(std::wstring* io_string, CharacterPredicate predicate) {
    PEL_CHECK_PTR(io_string);
    PEL_CHECK_PTR(predicate);
    io_string->erase(std::remove_if(io_string->begin(), io_string->end(),
                                    [predicate](wchar_t c) { return !predicate(c); }),
                     io_string->end());
    return true;
}

bool Inflector::isSymbolCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'-' || c == L'_' || c == L' ';
}

bool Inflector::isWordCharacter(wchar_t c) {
    return (getCharacterProperties(c) & CHARACTER_WORD) != 0;
}

} // namespace pel

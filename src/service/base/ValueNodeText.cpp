#include "service/base/ValueNodeText.h"

#include <cwchar>

namespace tessel {
namespace value_node_text {

namespace {

bool allUnits(const wchar_t* text, size_t length, bool (*test)(wchar_t)) {
    for (size_t i = 0; i < length; ++i)
        if (!test(text[i]))
            return false;
    return true;
}

// A symbol token covers the whole text.
bool isOneSymbol(const wchar_t* text, size_t length) {
    if (length == 0 || !allUnits(text, length, isSymbolUnit))
        return false;
    return isSymbolStart(text[0]) || (length >= 2 && text[0] == L'-' && text[1] == L'-');
}

bool isWord(const wchar_t* text, size_t length, const wchar_t* word) {
    return std::wcslen(word) == length && std::wmemcmp(text, word, length) == 0;
}

} // namespace

bool readsBackAsKey(const wchar_t* text, size_t length) {
    if (isOneSymbol(text, length))
        return true;
    // Otherwise it must be one number token; its text is the key, never converted. ("--" starts
    // a symbol whatever follows.)
    if (length == 0 || !(text[0] == L'-' || text[0] == L'.' || isDigit(text[0])))
        return false;
    if (length >= 2 && text[0] == L'-' && text[1] == L'-')
        return false;
    for (size_t i = 1; i < length; ++i)
        if (!continuesNumber(text[i], text[i - 1]))
            return false;
    return true;
}

bool readsBackAsSymbol(const wchar_t* text, size_t length) {
    return isOneSymbol(text, length) && !isWord(text, length, L"true") && !isWord(text, length, L"false") &&
           !isWord(text, length, L"null");
}

} // namespace value_node_text
} // namespace tessel

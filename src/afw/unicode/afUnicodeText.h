#pragma once
// Small pieces of the text layer that the layout and the renderer share.

#include <cstdint>

// The text a control character shows in its box: its code in lower-case hexadecimal after "0"
// below 0x10 and after "00" up to 0xFF (U+0007 shows 07, U+001B 001b). Returns its length.
inline int afControlCodeText(wchar_t c, wchar_t (&text)[8]) {
    static const wchar_t digits[] = L"0123456789abcdef";
    const unsigned code = static_cast<uint16_t>(c) & 0xFF;
    int length = 0;
    text[length++] = L'0';
    if (code >= 0x10) {
        text[length++] = L'0';
        text[length++] = digits[code >> 4];
    }
    text[length++] = digits[code & 0xF];
    text[length] = L'\0';
    return length;
}

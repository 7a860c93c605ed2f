#include "afw/action/afKeyCombination.h"

#include <cwchar>

// clang-format off
const wchar_t* const afKeyNames[256] = {
    nullptr, L"Lbutton", L"Rbutton", L"Cancel", L"Mbutton", L"Xbutton1", L"Xbutton2", nullptr,                  // 0
    L"Backspace", L"Tab", nullptr, nullptr, L"Clear", L"Enter", nullptr, nullptr,                              // 8
    L"Shift", L"Ctrl", L"Alt", L"Pause", L"Caps-Lock", L"Hangul", nullptr, L"Junja",                           // 16
    L"Final", L"Kanji", nullptr, L"Esc", L"Convert", L"Nonconvert", L"Accept", L"Modechange",                  // 24
    L"Space", L"Page-Up", L"Page-Down", L"End", L"Home", L"Left", L"Up", L"Right",                             // 32
    L"Down", L"Select", L"Print", L"Execute", L"Print-Screen", L"Ins", L"Del", L"Help",                        // 40
    L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7",                                                            // 48
    L"8", L"9", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,                                          // 56
    nullptr, L"A", L"B", L"C", L"D", L"E", L"F", L"G",                                                         // 64
    L"H", L"I", L"J", L"K", L"L", L"M", L"N", L"O",                                                            // 72
    L"P", L"Q", L"R", L"S", L"T", L"U", L"V", L"W",                                                            // 80
    L"X", L"Y", L"Z", L"L-Win", L"R-Win", L"Apps", nullptr, L"Sleep",                                          // 88
    L"Num-0", L"Num-1", L"Num-2", L"Num-3", L"Num-4", L"Num-5", L"Num-6", L"Num-7",                            // 96
    L"Num-8", L"Num-9", L"Multiply", L"Add", L"Separator", L"Subtract", L"Decimal", L"Divide",                 // 104
    L"F1", L"F2", L"F3", L"F4", L"F5", L"F6", L"F7", L"F8",                                                    // 112
    L"F9", L"F10", L"F11", L"F12", L"F13", L"F14", L"F15", L"F16",                                             // 120
    L"F17", L"F18", L"F19", L"F20", L"F21", L"F22", L"F23", L"F24",                                            // 128
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,                                    // 136
    L"Num-Lock", L"Scroll-Lock", L"Oem-fj-jisho", L"Unregister", L"Register-Word", L"Left-OYAYUBI",            // 144
    L"Right-OYAYUBI", nullptr,                                                                                 // 150
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,                                    // 152
    L"L-Shift", L"R-Shift", L"L-Ctrl", L"R-Ctrl", L"L-Alt", L"R-Alt", L"Browser-Back", L"Browser-Forward",     // 160
    L"Browser-Refresh", L"Browser-Stop", L"Browser-Search", L"Browser-Favorites", L"Browser-Home",             // 168
    L"Volume-Mute", L"Volume-Down", L"Volume-Up",                                                              // 173
    L"Next-Track", L"Previous-Track", L"Stop-Media", L"Play-Pause-Media", L"Start-Mail", L"Select-Media",      // 176
    L"App-1", L"App-2",                                                                                        // 182
    nullptr, nullptr, L";", L"+", L",", L"-", L".", L"/",                                                      // 184
    L"`", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,                                       // 192
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,                                    // 200
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,                                    // 208
    nullptr, nullptr, nullptr, L"[", L"\\", L"]", L"'", L"Oem-8",                                              // 216
    nullptr, nullptr, L"Oem-102", nullptr, nullptr, L"Process-Key", nullptr, L"Packet",                        // 224
    nullptr, L"Oem-reset", L"Oem-jump", L"Oem-pa1", L"Oem-pa2", L"Oem-pa3", L"Oem-wsctrl", L"Oem-cusel",       // 232
    L"Oem-attn", L"Oem-finnish", L"Oem-copy", L"Oem-auto", L"Oem-enlw", L"Oem-backtab", L"Attn", L"CrSel",     // 240
    L"ExSel", L"Erase-EOF", L"Play", L"Zoom", L"Noname", L"PA1", L"Oem-clear", L"0xFF",                        // 248
};
// clang-format on

namespace {

// The bit a modifier key's name sets besides its key code; 0 for other keys.
uint32_t modifierBit(uint8_t code) {
    switch (code) {
    case 16:
    case 160:
    case 161:
        return AF_KEY_SHIFT;
    case 17:
    case 162:
    case 163:
        return AF_KEY_CTRL;
    case 18:
    case 164:
        return AF_KEY_ALT;
    case 165:
        return AF_KEY_RIGHT_ALT;
    case 91:
        return AF_KEY_LEFT_WIN;
    case 92:
        return AF_KEY_RIGHT_WIN;
    default:
        return 0;
    }
}

} // namespace

uint8_t afFindKeyName(const wchar_t* text, size_t length) {
    if (!text)
        return 0;
    const auto at = [&](size_t i) { return i < length ? text[i] : L'\0'; };
    for (int code = 0; code < 255; ++code) {
        const wchar_t* name = afKeyNames[code];
        if (!name)
            continue;
        size_t i = 0;
        while (at(i) != L'\0' && at(i) != L'+' && at(i) == name[i])
            ++i;
        // Both ended, or both at "+" (the name "+" itself), or the name ended at a separator.
        if (at(i) == name[i] || (at(i) == L'+' && name[i] == L'\0'))
            return static_cast<uint8_t>(code);
    }
    return 0;
}

uint8_t afFindKeyName(const wchar_t* text) {
    return text ? afFindKeyName(text, std::wcslen(text)) : 0;
}

afKeyCombination afParseKeyCombination(const wchar_t* text, size_t length) {
    if (!text)
        return 0;
    afKeyCombination result = 0;
    for (size_t at = 0; at < length;) {
        const uint8_t code = afFindKeyName(text + at, length - at);
        if (!code)
            return 0;
        result = (result & ~static_cast<uint32_t>(AF_KEY_CODE_MASK)) | code | modifierBit(code);
        at += std::wcslen(afKeyNames[code]);
        if (at == length)
            break;
        if (text[at] != L'+')
            return 0;
        ++at;
    }
    return result;
}

afKeyCombination afParseKeyCombination(const std::wstring& text) {
    return afParseKeyCombination(text.data(), text.size());
}

bool formatKeyCombination(afKeyCombination combination, std::wstring& o_text) {
    o_text.clear();
    const auto add = [&o_text](const wchar_t* part) {
        if (!o_text.empty())
            o_text += L'+';
        o_text += part;
    };
    static const struct {
        uint32_t bit;
        uint8_t code;
    } kModifiers[] = {
        {AF_KEY_CTRL, 17}, {AF_KEY_ALT, 18}, {AF_KEY_SHIFT, 16}, {AF_KEY_LEFT_WIN, 91}, {AF_KEY_RIGHT_WIN, 92}};
    for (const auto& modifier : kModifiers)
        if (combination & modifier.bit)
            add(afKeyNames[modifier.code]);
    const uint8_t key = static_cast<uint8_t>(combination & AF_KEY_CODE_MASK);
    if (key == 0 || afIsModifierKey(key))
        return true;
    if (!afKeyNames[key]) {
        if (!o_text.empty())
            o_text += L'+';
        return false;
    }
    add(afKeyNames[key]);
    return true;
}

std::wstring afFormatKeyCombination(afKeyCombination combination) {
    std::wstring text;
    formatKeyCombination(combination, text);
    return text;
}

afKeyCombination afAltReading(afKeyCombination combination, bool layoutHasAltGr) {
    if (layoutHasAltGr || !(combination & AF_KEY_RIGHT_ALT))
        return combination;
    return (combination & ~static_cast<afKeyCombination>(AF_KEY_RIGHT_ALT)) | AF_KEY_ALT;
}

bool afIsModifierKey(afKeyCombination combination) {
    switch (combination & AF_KEY_CODE_MASK) {
    case 16:
    case 17:
    case 18:
    case 91:
    case 92:
        return true;
    default:
        return false;
    }
}

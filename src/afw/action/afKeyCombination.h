#pragma once
// Key combinations: a virtual-key code in the low byte and the modifier keys held with it above,
// written as text in action tables ("Ctrl+Shift+Z", "Alt+Shift+O", "Shift+Ins") and shown as
// text by menus and the shortcut field. The 256-entry key-name table, the parser, the formatter
// and the modifier-key test; pure functions over constant data.

#include <cstddef>
#include <cstdint>
#include <string>

// 0 is no combination: what a failed parse yields, and never bound.
using afKeyCombination = uint32_t;

// The modifier bits are the modifier byte of afGetKeyModifiers shifted left by 8.
enum : uint32_t {
    AF_KEY_CODE_MASK = 0xFF,
    AF_KEY_CTRL = 0x100,
    AF_KEY_SHIFT = 0x200,
    AF_KEY_ALT = 0x400, // the left Alt key: the right one gives AF_KEY_RIGHT_ALT (see afAltReading)
    AF_KEY_RIGHT_ALT = 0x800,
    AF_KEY_LEFT_WIN = 0x1000,
    AF_KEY_RIGHT_WIN = 0x2000,
};

// The names by virtual-key code; null for a code without one. Case matters: "A", "Page-Up".
extern const wchar_t* const afKeyNames[256];

// The code (1-254) of the key name at the start of the text that ends there at "+" or at the
// text's end (length characters, or a NUL before); the lowest such code, 0 when none. Nothing past
// length is read. Code 255 ("0xFF") is never found.
uint8_t afFindKeyName(const wchar_t* text, size_t length);
uint8_t afFindKeyName(const wchar_t* text);

// Key names joined by "+": the last name gives the key code, every modifier name its bit, in
// any order ("Shift+Ctrl+Z" is "Ctrl+Shift+Z"); a trailing "+" is allowed. 0 for an empty text,
// an unknown name or another separator. Nothing past length is read; the text need not end in NUL.
afKeyCombination afParseKeyCombination(const wchar_t* text, size_t length);
afKeyCombination afParseKeyCombination(const std::wstring& text);

// The text of a combination: Ctrl, Alt, Shift, L-Win, R-Win, then the key's name (none after a
// bare modifier key), joined by "+". False when the key code has no name; the text then ends in
// the separator ("Ctrl+").
bool formatKeyCombination(afKeyCombination combination, std::wstring& o_text);
// The text alone, whatever formatKeyCombination answers.
std::wstring afFormatKeyCombination(afKeyCombination combination);

// Whether the key code is Shift, Ctrl, Alt or a Windows key (16, 17, 18, 91, 92).
bool afIsModifierKey(afKeyCombination combination);

// What a chord of the right Alt key means to bindings besides itself (a binding made for the
// right Alt alone, "R-Alt+X", is matched first): Alt, as the left key is, unless the keyboard
// layout has AltGr, where the right Alt (sent with Ctrl) types characters and never reaches an
// Alt or Ctrl+Alt binding. A combination without the right Alt, or on such a layout, is itself.
afKeyCombination afAltReading(afKeyCombination combination, bool layoutHasAltGr);

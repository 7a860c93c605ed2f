#pragma once
// Keyboard, cursor and double-click queries that views and widgets share, and the mnemonic of
// a label text.

#include <cstdint>
#include <ctime>
#include <string>
#include <windows.h>

// Bits of the modifier state, each set while the key is down.
enum afKeyModifier : uint8_t {
    AF_MODIFIER_CTRL = 1 << 0,
    AF_MODIFIER_SHIFT = 1 << 1,
    AF_MODIFIER_LEFT_ALT = 1 << 2,  // VK_LMENU
    AF_MODIFIER_RIGHT_ALT = 1 << 3, // VK_RMENU
    AF_MODIFIER_LEFT_WIN = 1 << 4,
    AF_MODIFIER_RIGHT_WIN = 1 << 5,
};

// The modifier keys down for the calling thread, as the message being handled saw them. Each Alt
// key has its bit: what the right one means to bindings is afAltReading's to say.
uint8_t afGetKeyModifiers();
// Whether the keyboard layout of the calling thread has AltGr: a character it types with Ctrl
// and Alt held together. Looked up once per layout.
bool afKeyboardHasAltGr();
void afGetCursorPos(int* o_x, int* o_y);

// The clock double clicks are timed by, in clock() ticks. Tests replace its source (null: clock()
// again); the previous source is returned.
using afTickSource = clock_t (*)();
afTickSource afSetTickSource(afTickSource source);
clock_t afGetTicks();

// Whether the point lies in the system's double-click rectangle around the reference.
bool afIsInDoubleClickRect(POINT point, POINT reference);
// Whether fewer than the double-click time went by since *io_last (clock ticks); *io_last
// becomes now either way.
bool afIsDoubleClickTime(clock_t* io_last);
// Both tests; the time is taken and *io_last updated even when the point is outside.
bool afIsDoubleClick(POINT point, POINT reference, clock_t* io_last);

std::wstring afCharToUpperString(wchar_t ch);
// The upper-cased character after the first '&' unless that '&' ends the text; 0 when none.
wchar_t afGetMnemonic(const wchar_t* text);

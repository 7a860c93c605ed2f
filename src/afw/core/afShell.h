#pragma once
// The few system and shell services views call directly: the version check, showing a file
// in its folder, opening a document or address, and the warning beeps.

#include <windows.h>

bool afIsWindowsXPOrLater();

// Opens the file's folder in the explorer with the file selected; window may be null.
bool afShowInExplorer(HWND window, const wchar_t* path);
// Opens the path with its associated program. Callers pass only paths and addresses they trust.
bool afShellOpen(const wchar_t* path);

// Kinds of beep: 0 and 3 the error sound, 1 the question, 2 the warning.
void afMessageBeep(int kind);

#pragma once
// The programming interface of htmlayout.dll, the HTML view the framework's HTML host embeds:
// the window class its windows are made of, and the load of a UTF-8 document into one. This
// stand-in shows the document's text content only: word-wrapped, in the default GUI font and
// the system window colours; it applies no styles, shows no images, follows no links, runs no
// scripts, and reads neither files nor the network.

#include <windows.h>

extern "C" {

// The name of the view's window class, registered on the first call.
LPCWSTR WINAPI HTMLayoutClassNameW();
// Replaces the window's document with the UTF-8 bytes and repaints it. FALSE for a window of
// another class, null bytes with a length, or a document over 16 MiB.
BOOL WINAPI HTMLayoutLoadHtml(HWND window, const BYTE* bytes, UINT length);
}

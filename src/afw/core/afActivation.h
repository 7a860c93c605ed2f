#pragma once
// Where the keyboard goes when a window of the program hides, closes or is given back by a
// question that ended: to the open question, or else to the window the user acted in, whose own
// activation puts the focus back where it was. The program's top-level windows tell it when they
// become active, so that the order the user acted in is known. Main thread only.

#include <windows.h>

class afActivation {
public:
    // The top-level window became the active one.
    static void noteActive(HWND window);
    // The window hides or closes: when it held the activation (or none of the program's windows
    // does), the innermost hold's window (afMainLoop::heldWindow) takes it, or else the window
    // the user acted in last that is still shown and enabled, neither the leaving one nor one it
    // owns.
    static void handBack(HWND leaving);
    // A question held the program from `from` (its window, null for one without): the window the
    // user acted in as it began takes the activation back, with the focus it had then when that
    // is still there; when that window went, handBack. Nothing moves while another window of the
    // program, shown and enabled, has taken the activation meanwhile.
    static void giveBack(HWND user, HWND focus, HWND from);
    // Makes the window the active one (the foreground one too while the program or no program
    // has the foreground), with the focus inside it.
    static void activate(HWND window);
};

#pragma once
// The main thread's own message loop and the loops nested in it. A loop run inside the handling
// of a message (a modal window's, a wait's, the system's menus, file dialogs and drags, its
// moving of a window) dispatches posted messages and timers as well, so what they run finds the
// code under it half way through. Work that must not run there (a question whose answers may
// close what that code holds, the freeing of objects it may still use, a close of the window)
// is posted here instead: it runs from the main loop, once no nested loop runs and no other
// message is being handled.
//
// A modal window keeps its owner disabled, and itself in front with the keyboard focus, for as
// long as it runs: when a loop nested in it ends, it gets that back (the system's dialogs enable
// their owner as they end, whatever it was before).

#include <functional>
#include <windows.h>

class afMainLoop {
public:
    // A message loop, for its scope: the modal windows' (naming the window), the waits', and
    // one around each of the system's loops the framework starts. Main thread only.
    class Nested {
    public:
        explicit Nested(HWND modal = nullptr);
        ~Nested();
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;

    private:
        HWND m_modal;
    };

    // The handling of a message by one of the framework's window procedures, for its scope. The
    // system runs loops of its own inside those (menu tracking, moving and sizing, scroll bars):
    // a message handled under another one counts as nested, as one a counted loop dispatches.
    class Handling {
    public:
        Handling();
        ~Handling();
        Handling(const Handling&) = delete;
        Handling& operator=(const Handling&) = delete;
    };

    // Whether the caller runs inside a nested loop or under the handling of another message;
    // false in the main loop's own handling of a message, and in code no message runs under.
    static bool isNested();
    // Queues the work under the key (main thread only): it runs once from the main loop when
    // nothing is nested, in the order posted. What the work posts runs the next time.
    static void post(const void* key, std::function<void()> work);
    // Drops the work queued under the key (its owner goes).
    static void cancel(const void* key);

    // The modal window running innermost (visible), or null.
    static HWND innermostModal();
};

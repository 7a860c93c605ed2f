#pragma once
// The main thread's own message loop and the loops nested in it. A loop run inside the handling
// of a message (a modal window's, a wait's, the system's menus, file dialogs and drags, its
// moving of a window) dispatches posted messages and timers as well, so what they run finds the
// code under it half way through. Work that must not run there (a question whose answers may
// close what that code holds, the freeing of objects it may still use, a close of the window)
// is posted here instead: it runs from the main loop, once no nested loop runs and no other
// message is being handled.
//
// A question, dialog, chooser, file dialog or wait holds the whole program for as long as it
// runs (Hold): every other top-level window is disabled, and the modal window keeps the front
// with the keyboard focus. When a loop nested in it ends, what it disabled that came back
// enabled is disabled again (the system's dialogs enable their owner as they end, whatever it
// was before), and the innermost modal window takes the front back. The program knows its open
// holds: what must raise "what the user is being asked" (a second start's hand-over) takes it
// from here (heldWindow), and a hold that ends hands the keyboard back to where the user left
// it (afActivation).
//
// The program's own counts of a frame (a closing question open, a wait's depth) are kept for
// their scope by Count, so that the main loop gives back those of a frame a fault abandoned with
// its own.

#include <functional>
#include <string>
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
        int m_outer; // the loops running when this one began
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

    private:
        int m_outer; // the handlings under way when this one began
    };

    // The whole program held for a question, a dialog, a chooser, a file dialog or a wait, for
    // its scope: every top-level window of the thread but `modal` (and those made later) is
    // disabled, and at the end those this hold disabled and that are still there are enabled
    // again; a window something else had disabled stays so. Main thread only.
    // The window the user acted in (the thread's active one) and the focus in it are noted as the
    // hold begins; at its end, once the windows are given back, they take the keyboard back
    // (afActivation::giveBack), whichever window the question belonged to.
    class Hold {
    public:
        explicit Hold(HWND modal = nullptr);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

        // Whether this hold disabled the window (it was enabled when the hold began).
        bool disabled(HWND window) const;
        // The window the user is asked in, once it shows, when it was not known as the hold began
        // (the system's file dialog, made inside the hold).
        void show(HWND window);
    };

    // A count of the program's own, kept for the scope of a frame: taken as it begins and given
    // back as it ends, or by settle when a fault abandoned the frame. The owner's destructor
    // drops what is still kept for it (cancel). Main thread only.
    class Count {
    public:
        // One more of `counter` for the scope; `what` (a literal) names it in what settle logs.
        Count(const void* owner, const wchar_t* what, int& counter);
        // What the caller took, given back by `giveBack`.
        Count(const void* owner, const wchar_t* what, std::function<void()> giveBack);
        ~Count();
        Count(const Count&) = delete;
        Count& operator=(const Count&) = delete;

    private:
        unsigned m_serial;
    };

    // A round of questions asked before what they are about closes: the program's exit, a
    // reload of what the windows show (the bundles, which closes the entries open in the bundle
    // editor). Its answers may close what another round goes on with up the stack, under the
    // question, so rounds never nest: one begun while another runs does not run, and its caller
    // holds it or gives up. Main thread only.
    class Round {
    public:
        Round();
        ~Round();
        Round(const Round&) = delete;
        Round& operator=(const Round&) = delete;

        // Whether this round runs: false when another one ran as it began.
        bool runs() const { return m_runs; }
        // Whether a round runs now.
        static bool isRunning();

    private:
        bool m_runs;
    };

    // Whether the caller runs inside a nested loop or under the handling of another message;
    // false in the main loop's own handling of a message, and in code no message runs under.
    static bool isNested();
    // Queues the work under the key (main thread only): it runs once from the main loop when
    // nothing is nested, in the order posted. What the work posts runs the next time.
    static void post(const void* key, std::function<void()> work);
    // Drops the work queued under the key and the counts it keeps, without giving them back (its
    // owner goes).
    static void cancel(const void* key);

    // The modal window running innermost (visible), or null.
    static HWND innermostModal();
    // What the user is being asked now: the window of the innermost hold that has one shown (a
    // modal window, or the dialog a hold was shown); null when none does.
    static HWND heldWindow();

    // The main loop is about to wait for its next message, where nothing is nested: a loop,
    // handling, hold, round or count still kept then never ended (the system abandons the frames
    // of a window procedure when it swallows a fault raised under it). It is given back, the
    // program's counts first, innermost first, so that posted work, held closes and hand-overs
    // run and the windows it held take input again; the error is logged and told to the check,
    // when one is set (the tests set one). False when something was given back.
    static bool settle();
    // The check settle tells (empty: none); returns the previous one.
    using Check = std::function<void(const std::wstring& what)>;
    static Check setCheck(Check check);
};

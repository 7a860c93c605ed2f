#pragma once
// An edit of a document's text that a user starts with one command and that may run for
// seconds (Replace All over a large text) is made in steps: between two steps no transaction is
// open, and the edit pauses there every so often, so that the window answers, shows how far the
// edit came and lets the user stop it. What a pause does is the application's (LongEditWait,
// given to the DocumentControllerManager); without one an edit runs to its end.
//
// Main thread only.

#include <windows.h>

#include <cstdint>
#include <string>

namespace tessel {

class DocumentController;

class LongEditWait {
public:
    virtual ~LongEditWait() = default;
    // An edit begins, and ends (however it ends, a throw included); edits may nest.
    virtual void begin() = 0;
    virtual void end() = 0;
    // A pause of the innermost edit, with no transaction of it open; `progress` tells the user
    // what it did so far ("Replacing... 10 of 200"). False: the user asked it to stop.
    virtual bool pause(const std::wstring& progress) = 0;
    // The time between pauses, and before the first.
    virtual DWORD pauseInterval() const { return 40; }
};

// One long edit of a controller's document, for its scope: steps ask due() and pause where it
// says so. While one lives, the controller is in a long edit (DocumentController::isInLongEdit).
class LongEdit {
public:
    explicit LongEdit(DocumentController& controller);
    ~LongEdit();
    LongEdit(const LongEdit&) = delete;
    LongEdit& operator=(const LongEdit&) = delete;

    // Whether the time for a pause has come.
    bool due() const { return m_wait && ::GetTickCount() - m_last >= m_interval; }
    // Pauses now; false once the user asked the edit to stop, or what ran in a pause changed
    // the document's text, and from then on.
    bool pause(const std::wstring& progress);
    bool stopped() const { return m_stopped; }

private:
    DocumentController& m_controller;
    LongEditWait* m_wait;
    DWORD m_interval;
    DWORD m_last;
    bool m_stopped = false;
};

} // namespace tessel

#pragma once
// Keeps the main window alive while the loader reads or writes a document: the program is
// held, every window disabled (clicks and keys made meanwhile go nowhere), but it paints,
// answers messages and queues what a second start hands over; once the wait has run for a
// moment the status bar shows the activity ("Loading <name>...", "Saving <name>...") with its
// spinner. A close asked meanwhile comes back once the wait is over; a message that must be
// answered at once with the loader's work done (the end of the session) waits for it first.

#include "service/document/io/DocumentIOWait.h"

#include "afw/core/afMainLoop.h"

#include <memory>
#include <string>
#include <vector>

class afView;

namespace tessel {

class LoaderWait : public DocumentIOWait {
public:
    // The wait shows from this long on.
    static constexpr DWORD ACTIVITY_DELAY_MS = 300;

    // `view` is in the window to keep alive; it outlives this object's use.
    explicit LoaderWait(afView* view) : m_view(view) {}

    void waitFor(uint32_t kind, const wchar_t* path, HANDLE ready, const std::function<bool()>& finished) override;

    // The activity's text for a request: "Loading a.txt...", "Saving a.txt...".
    static std::wstring activityText(uint32_t kind, const wchar_t* path);

    // Waits, handling no messages, until the loader has finished the request of every wait in
    // progress (nothing when none runs): a message answered inside a wait then finds each
    // document as its request leaves it, and no write is left half done.
    void finishRequests() const;

private:
    // Handles the queued messages, holding back input to disabled windows and a close or quit
    // until the wait is over.
    void pump();

    // However a wait ends (a throw included), it gives the window back as it found it, and the
    // outermost one passes on the closes and the quit it held.
    struct Leave {
        LoaderWait& wait;
        bool disabling;
        HWND focus;
        uint32_t activity = 0;
        std::unique_ptr<afMainLoop::Hold> hold;
        ~Leave();
    };

    afView* m_view;
    int m_depth = 0; // waits in progress, nested through the messages one handles
    std::vector<HANDLE> m_readies; // the ready events of the waits in progress, outermost first
    std::vector<HWND> m_closesHeld;
    bool m_quitHeld = false;
    int m_quitCode = 0;
};

} // namespace tessel

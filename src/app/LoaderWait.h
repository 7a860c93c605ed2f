#pragma once
// Keeps the main window alive while the loader reads or writes a document: the program is
// held, every window disabled (clicks and keys made meanwhile go nowhere), but it paints,
// answers messages and queues what a second start hands over; once the wait has run for a
// moment the status bar shows the activity ("Loading <name>...", "Saving <name>...") with its
// spinner. A close asked meanwhile comes back once the wait is over; a message that must be
// answered at once with the loader's work done (the end of the session) waits for it first.

#include "app/HeldMessages.h"
#include "service/document/io/DocumentIOWait.h"

#include <string>
#include <vector>

class afView;

namespace tessel {

class LoaderWait : public DocumentIOWait {
public:
    // The wait shows from this long on.
    static constexpr DWORD ACTIVITY_DELAY_MS = HeldMessages::ACTIVITY_DELAY_MS;

    // `view` is in the window to keep alive; it outlives this object's use.
    explicit LoaderWait(afView* view) : m_view(view) {}
    ~LoaderWait() override;

    void waitFor(uint32_t kind, const wchar_t* path, HANDLE ready, const std::function<bool()>& finished) override;

    // The activity's text for a request: "Loading a.txt...", "Saving a.txt...".
    static std::wstring activityText(uint32_t kind, const wchar_t* path);

    // Waits, handling no messages, until the loader has finished the request of every wait in
    // progress (nothing when none runs): a message answered inside a wait then finds each
    // document as its request leaves it, and no write is left half done.
    void finishRequests() const;

private:
    // The end of the innermost wait, however it ends (a throw included, or a frame a fault
    // abandoned, given back by the main loop): the program is given back as the wait found it,
    // and the outermost one passes on the closes and the quit it held.
    void leave();

    // A wait in progress.
    struct Wait {
        HANDLE ready;          // its request's ready event
        bool holding;          // it holds the program (the outermost one a modal window does not)
        uint32_t activity = 0; // shown on the status bar from a moment on
    };

    afView* m_view;
    std::vector<Wait> m_waits; // nested through the messages one handles, outermost first
    HeldMessages m_messages;
};

} // namespace tessel

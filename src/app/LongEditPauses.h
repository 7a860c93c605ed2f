#pragma once
// Keeps the main window alive in the pauses of a long edit (Replace All over a large text): from
// its first pause on the program is held as during a load, every window disabled (keys and
// clicks go nowhere), while it paints, answers messages and queues what a second start hands
// over; once the edit has run for a moment the status bar shows its progress ("Replacing... 10
// of 200"). Escape stops the edit at the end of the pause, and so do a close of a window and the
// quit, which come back once the edit is over; the end of the Windows session stops it too
// (stopAll), its questions finding each document as the edit's last step left it.

#include "app/HeldMessages.h"
#include "service/document/controller/LongEdit.h"

#include "afw/core/afMainLoop.h"

#include <memory>
#include <string>
#include <vector>

class afView;

namespace tessel {

class LongEditPauses : public LongEditWait {
public:
    // `view` is in the window to keep alive; it outlives this object's use.
    explicit LongEditPauses(afView* view) : m_view(view) {}
    ~LongEditPauses() override;

    void begin() override;
    void end() override;
    bool pause(const std::wstring& progress) override;

    // Every edit running stops at the end of its pause.
    void stopAll();
    bool isRunning() const { return !m_edits.empty(); }

private:
    // Whether the message stops the edits; an Escape is taken, a close and the quit are held.
    bool look(const MSG& msg);
    // The end of the innermost edit, however it ends (a frame a fault abandoned, given back by
    // the main loop, included): the program is given back as the edit found it, and the
    // outermost one passes on the closes and the quit it held.
    void leave();

    struct Edit {
        DWORD begun = 0;
        bool paused = false;  // a pause came, which held the program unless an outer edit does
        bool holding = false; // this edit holds the program
        uint32_t activity = 0;
        std::unique_ptr<afMainLoop::Count> count; // while it runs
    };

    afView* m_view;
    std::vector<Edit> m_edits; // nested through the messages one's pauses handle, outermost first
    HeldMessages m_messages;
    bool m_stopping = false;
};

} // namespace tessel

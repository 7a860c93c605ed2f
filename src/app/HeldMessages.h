#pragma once
// The messages handled while a wait holds the program (a load's or a save's, the pauses of a
// long edit): paints, timers, parse results and hand-overs run; input to a disabled window goes
// nowhere, since the system routes no real input there and what was queued before the window
// was disabled must not act now; a close of a top-level window and the quit are held, and
// handed back once the wait is over.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

class afView;

namespace tessel {

class HeldMessages {
public:
    // A wait shows what it does (the status bar's activity) from this long on.
    static constexpr DWORD ACTIVITY_DELAY_MS = 300;

    // Handles what is queued now. `look`, when given, sees each message first; true takes it,
    // and it goes no further.
    void pump(const std::function<bool(const MSG&)>& look = nullptr);
    // Posts the closes and the quit held meanwhile, once.
    void handBack();
    // The end of one wait, however it ends: its activity (0: none) leaves the status bar, the
    // program it held (`holding`, through `view`) is given back with the keyboard where it was,
    // and the last wait (`last`) hands back what was held.
    void leave(afView* view, uint32_t activity, bool holding, bool last);

    // Keys, clicks and the pointer's moves and visits, over a window or its frame.
    static bool isInput(UINT message);

private:
    std::vector<HWND> m_closesHeld;
    bool m_quitHeld = false;
    int m_quitCode = 0;
};

} // namespace tessel

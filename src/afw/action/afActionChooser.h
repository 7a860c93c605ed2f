#pragma once
// The choice among actions that rank equal (a key bound several times in the same contexts,
// tab triggers of one word): one replaceable chooser, which the shell fills with its action
// chooser window and tests with a scripted one. While it is open, actions and triggers that are
// unregistered (a bundle reload behind its modal loop) are kept until it closes.

#include "afw/action/afAction.h"

#include <functional>
#include <string>
#include <vector>

class afViewPlatform;

// What the chooser's window ended with: its result word (crc32 "ok", "cancel" or "close") and,
// with "ok", the row picked.
struct afActionChoice {
    uint32_t result = 0;
    int row = -1;
};

// How the chooser shows one choice: its window's title (empty: the chooser's own) and the
// candidate in force, marked and selected when the window opens (-1: none).
struct afActionChooserLook {
    std::wstring title;
    int current = -1;
};

using afActionChooser =
    std::function<afActionChoice(afViewPlatform* owner, const std::vector<afActionCandidate>& candidates)>;

// Installs the chooser (empty: none); the previous one is returned.
afActionChooser afSetActionChooser(afActionChooser chooser);
bool afIsActionChooserOpen();

// -1 for no candidate, 0 for one. With more: the chosen row, -1 when cancelled, -2 when the
// window was closed, 0 for another result. -1 as well when a chooser is open already (none is
// stacked), when none is installed (logged once), for a row outside the candidates, and when
// the chosen action or trigger left the registry while the chooser was open.
int afShowActionSelectWindow(afViewPlatform* owner, const std::vector<afActionCandidate>& candidates);
// The same, shown with the look.
int afShowActionSelectWindow(afViewPlatform* owner, const std::vector<afActionCandidate>& candidates,
                             const afActionChooserLook& look);
// The look of the choice the open chooser shows; the default look while none is open.
const afActionChooserLook& afGetActionChooserLook();

// Deletes the action or trigger now, or when the open chooser closes. The registry and the
// invokers delete through these.
void afDisposeAction(afAction* action);
void afDisposeTrigger(afActionTrigger* trigger);

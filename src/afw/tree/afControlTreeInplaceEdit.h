#pragma once
// Adopts the tree view's label edit box for the length of one edit, so the keys that end or
// steer an edit (Escape, Enter, Delete, F2) go to the box instead of running actions.

#include "afw/control/afControl.h"

class afControlTreeInplaceEdit : public afControl {
public:
    explicit afControlTreeInplaceEdit(afViewPlatform* host) : afControl(host) {}

    // Lets go of the box when its edit ends: the tree view puts the box's own procedure back
    // as it destroys it, so the box's last messages never come here.
    void release();

    bool onKeyDown(afKeyEvent& event) override;
    void onDestroyed() override;
};

#pragma once
// Adopts the tree view's label edit box for the length of one edit, so the keys that end or
// steer an edit (Escape, Enter, Delete, F2) go to the box instead of running actions.

#include "afw/control/afControl.h"

class afControlTreeInplaceEdit : public afControl {
public:
    explicit afControlTreeInplaceEdit(afViewPlatform* host) : afControl(host) {}

    bool onKeyDown(afKeyEvent& event) override;
    void onDestroyed() override;
};

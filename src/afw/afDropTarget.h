#pragma once
// What a platform view needs of its drop target: registering it with the view's window and
// revoking it. The drag-and-drop layer supplies the targets (the OLE side); a view owns its
// target and deletes it with itself.

#include "pel/base/Object.h"

#include <windows.h>

class afViewPlatform;

class afDropTarget : public pel::Object {
public:
    // Registers the target for the window (RegisterDragDrop), remembering the view it serves.
    virtual void registerTarget(afViewPlatform* view, HWND window) = 0;
    virtual void revokeTarget(HWND window) = 0;
};

#pragma once
// The bundle editor's own pieces, shared by its files: its window, an open entry editor and
// what a tree node stands for.

#include "bundles/ui/BundleEditor.h"
#include "bundles/ui/BundleEntryEditor.h"

#include "afw/window/afWindow.h"
#include "pel/base/Object.h"

namespace tessel {

// A top-level window owned by the main window. It is its views' context root, so the main
// window's keys (Ctrl+S saving a document) do not reach into it, and it leaves Escape, Enter and
// Tab to its views; closing it hides it.
class BundleEditor::Window : public afWindow {
public:
    explicit Window(afViewPlatform* host) : afWindow(host) {
        // Named views put their context in the paths of their descendants.
        setName(L"tessel");
    }
    const wchar_t* getContextKey() const override { return L"ui.window.bundle_editor"; }
    bool isContextRoot() const override { return true; }
    bool onKeyDown(afKeyEvent& /*event*/) override { return false; }
    bool buildSeed(afSeed& seed) override;
};

struct BundleEditor::Open {
    std::unique_ptr<BundleEntryEditor> editor;
    // Made by "New ...": it joins the installed entries with its first save, and leaves its
    // bundle when it closes before.
    bool isNew = false;
};

// What a tree node stands for: a bundle, a group of one type in a bundle, or an entry;
// disabled ones are the user's disabled records.
struct BundleEditor::NodeData : pel::Object {
    pel::UUID uuid; // nil for a group
    uint32_t type = 0;
    pel::UUID bundle; // the bundle the node lies in (its own UUID for a bundle)
    bool group = false;
    bool disabled = false;
    bool leftOut = false; // an item whose files the load could not read (BundleManager::getLeftOut)
};

} // namespace tessel

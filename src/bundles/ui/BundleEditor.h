#pragma once
// The bundle editor window, made by the BundleManager at its set-up with the main window as
// parent: it lists the bundles and edits their entries. Until the window lands, this stand-in
// has no open entries, so closing all of them always succeeds, and it keeps the window's state:
// shown, hidden, or closed with a result (crc32 of "ok", "cancel", ...). A test can make it
// refuse to close its entries, as a user who keeps unsaved ones does.

#include <cstdint>

class afViewPlatform;

namespace tessel {

class BundleManager;

class BundleEditor {
public:
    BundleEditor(afViewPlatform* parent, BundleManager& manager);
    ~BundleEditor();
    BundleEditor(const BundleEditor&) = delete;
    BundleEditor& operator=(const BundleEditor&) = delete;

    afViewPlatform* getParent() const { return m_parent; }
    BundleManager& getManager() const { return m_manager; }

    // Asks about modified open entries and closes every open entry editor; false when the
    // user cancels, which keeps them open.
    bool closeAllItems();
    void setRefusesClose(bool refuses) { m_refusesClose = refuses; }

    bool isShown() const { return m_shown; }
    void setVisible(bool visible) { m_shown = visible; }
    // Hides the window with the result; 0 until the first close.
    void close(uint32_t result);
    uint32_t getResult() const { return m_result; }

private:
    afViewPlatform* m_parent;
    BundleManager& m_manager;
    bool m_refusesClose = false;
    bool m_shown = false;
    uint32_t m_result = 0;
};

} // namespace tessel

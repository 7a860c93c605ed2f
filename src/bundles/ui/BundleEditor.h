#pragma once
// The bundle editor window ("ui.window.bundle_editor"), made by the BundleManager at its set-up
// with the main window as owner: a tree of the installed bundles, each with its entries grouped
// by type and the disabled ones shown as such, beside the tabs of the open entry editors.
// Enter or a double click opens an entry in the editor its type's manager names; Ctrl+S saves
// the active one; the tree's context menu makes new entries from their templates and disables
// and enables bundles and items. Before its entry editors close (window closing, reload) it
// asks about each modified one; a closed one leaves the lists and tabs at once and is freed from
// the main loop, as a closed tab of the main window is. The native window is made when first
// shown. UI thread only.

#include "afw/action/afAction.h"
#include "afw/core/afReleaseQueue.h"
#include "afw/dialog/afQuestion.h"
#include "pel/base/UUID.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class afControlSplitter;
class afControlTabs;
class afControlTree;
class afControlTreeItem;
class afIconList;
class afMenu;
class afView;
class afViewPlatform;
class afWindow;
struct afControlTreeState;

namespace tessel {

class Bundle;
class BundleEntry;
class BundleEntryEditor;
class BundleManager;

class BundleEditor : public afActionHandler {
public:
    // The answers of the unsaved-changes question (those of the main window's).
    static constexpr uint32_t RESULT_SAVE = ANSWER_SAVE;
    static constexpr uint32_t RESULT_DONT_SAVE = ANSWER_DONT_SAVE;
    // The answers of the question about another program's change of an entry's file.
    static constexpr uint32_t RESULT_RELOAD = ANSWER_RELOAD;
    static constexpr uint32_t RESULT_KEEP = ANSWER_KEEP;
    static constexpr const wchar_t* WINDOW_CLASS = L"TesselBundleEditor";

    // The context menu's commands of a tree node.
    enum Command { COMMAND_NEW_ENTRY, COMMAND_DISABLE, COMMAND_ENABLE };

    // Registers "bundles.item.save" (Ctrl+S in the window).
    BundleEditor(afViewPlatform* parent, BundleManager& manager);
    // Closes the entry editors without asking, then the window.
    ~BundleEditor() override;
    BundleEditor(const BundleEditor&) = delete;
    BundleEditor& operator=(const BundleEditor&) = delete;

    afViewPlatform* getParent() const { return m_parent; }
    BundleManager& getManager() const { return m_manager; }

    // Asks about each modified open entry (Save, Don't Save, Cancel) and closes every entry
    // editor; false, all of them kept open, when the user cancels or a save fails. It runs as
    // part of its caller's round of closing questions (afMainLoop::Round).
    bool closeAllItems();
    // The questions of closeAllItems without the closing: the program's exit asks them as one
    // step of its round, whose later questions may still keep the program, and every entry open.
    bool askToCloseAll();
    // Closes every entry editor without asking (once the round that asked has gone through).
    void dropAll();

    bool isShown() const;
    // Shows the window (made on the first showing, the tree filled anew) or hides it.
    void setVisible(bool visible);
    // Hides the window with the result; 0 until the first close.
    void close(uint32_t result);
    uint32_t getResult() const { return m_result; }

    // ---- entries
    // Opens the entry in a tab of its own, or activates the one it has; null when its type's
    // manager names no editor for it or no text view can be made.
    BundleEntryEditor* openEntry(BundleEntry& entry);
    BundleEntryEditor* findEditor(const BundleEntry& entry) const;
    BundleEntryEditor* getActiveEditor() const;
    // In tab order.
    std::vector<BundleEntryEditor*> getEditors() const;
    // Saves the editor's entry; a new entry is installed with its first save. The tab and the
    // tree follow.
    bool save(BundleEntryEditor& editor);
    // Asks about the editor when it is modified and closes it; false when the user cancels, or
    // another round of closing questions runs.
    bool closeEditor(BundleEntryEditor& editor);
    // A new entry of the type in the bundle, filled from its template ("New Grammar", ...) and
    // opened; it joins the installed entries when it is first saved. Null for the bundle type
    // or when it cannot be opened.
    BundleEntryEditor* newEntry(Bundle& bundle, uint32_t type);
    // Disables the installed bundle or item, after closing its open editors (and those of a
    // bundle's items); false when the user kept one open, or another round of closing questions
    // runs.
    bool disable(const pel::UUID& uuid);
    // Enables it again (the bundles load anew); false when the user kept an entry open.
    bool enable(const pel::UUID& uuid);

    // ---- the tree
    // Fills the tree from the installed bundles and the disabled items: the bundles by title,
    // under each its entries by type (grammars, themes, snippets, preferences), each sorted by
    // title; disabled ones titled "(disabled)".
    void refreshTree();
    afControlTree* getTree() const { return m_tree; }
    afControlTabs* getTabs() const { return m_tabs; }
    afWindow* getWindow() const;
    // The node's text path ("C\Grammars\C"); null when there is none.
    afControlTreeItem* findNode(const std::wstring& path) const;
    // Opens the node's entry (Enter, double click); false for a group, a bundle without an
    // editor or a disabled node.
    bool activateNode(afControlTreeItem* node);
    // The context menu of a node (null: the empty space), each line with its command.
    struct MenuLine {
        std::wstring title;
        Command command;
        uint32_t type; // for COMMAND_NEW_ENTRY
        bool enabled;
    };
    std::vector<MenuLine> getContextMenu(afControlTreeItem* node) const;
    // Runs a line of the node's menu.
    void runCommand(afControlTreeItem* node, const MenuLine& line);

    // What a tree node stands for (its data).
    struct NodeData;

private:
    class Window;
    struct Open;

    // Makes the native window and its views; false when it cannot be made.
    bool ensureWindow();
    Open* findOpen(const BundleEntryEditor& editor) const;
    // Closes the editor without asking: out of the lists and the tabs at once, freed from the
    // main loop; a new entry never saved leaves its bundle.
    void dropEditor(BundleEntryEditor& editor);
    // Whether closing the editor asks, its entry's file looked at first: its text is modified, or
    // held nowhere else (FileRecord::textOnlyHere), as a tab's.
    bool needsAnswer(BundleEntryEditor& editor);
    // The questions about one such editor (its file's news first, then Save changes); whether it
    // may close (saved when asked to).
    bool askToClose(BundleEntryEditor& editor);
    // Asks about another program's change or deletion of the editor's entry file until nothing
    // is left to ask: GO_ON (the text kept), RELOADED (the entry read again from its file), STOP
    // (the editor closed, or the reload failed).
    enum class AboutFile { GO_ON, RELOADED, STOP };
    AboutFile askAboutFile(BundleEntryEditor& editor);
    void updateTab(BundleEntryEditor& editor);
    std::wstring tabText(BundleEntryEditor& editor) const;
    bool onSaveAction(afActionEvent& event);
    void onContextMenu(afControlTreeItem* node, int x, int y);
    NodeData* dataOf(afControlTreeItem* node) const;
    // Runs a menu line for the node that names the entry and the bundle it lies in.
    void runCommand(const pel::UUID& uuid, const pel::UUID& bundleUuid, const MenuLine& line);
    int iconOf(uint32_t type) const;

    afViewPlatform* m_parent;
    BundleManager& m_manager;
    afAction* m_saveAction = nullptr;
    uint32_t m_result = 0;
    std::unique_ptr<Window> m_window;
    afControlTree* m_tree = nullptr;         // owned by the window's node
    afControlSplitter* m_splitter = nullptr; // as the tree
    afControlTabs* m_tabs = nullptr;         // as the tree
    // What the user had expanded, selected and scrolled to in the tree when it last held nodes:
    // a reload empties the tree before the bundles come back.
    std::unique_ptr<afControlTreeState> m_treeState;
    std::unique_ptr<afIconList> m_icons;
    std::vector<uint32_t> m_iconTypes; // the type of each icon of the list, by index
    std::vector<std::unique_ptr<Open>> m_open;
    // The closed entry editors, until the main loop frees them.
    afReleaseQueue m_closed;
};

} // namespace tessel

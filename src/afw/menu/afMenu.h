#pragma once
// Menus mirrored into Win32 menus: afMenu wraps a popup menu (or submenu) and owns its lines,
// afMenuBar a window's menu bar. Command ids are unique within one tree and kept at its root;
// each Win32 line carries its node as item data, and the menu itself is the menu data, so
// window messages find both. Popup lines are owner-drawn, themed through the "MENU" class when
// visual styles are on, classic otherwise. UI thread only.

#include "afw/graphics/afCanvas.h"
#include "afw/menu/afMenuNode.h"

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>
#include <windows.h>
// After windows.h, which it needs.
#include <uxtheme.h>

class afViewPlatform;

class afMenu : public afMenuNode {
public:
    // A new popup menu (icon 0, not themed), null when the system refuses to make it.
    static std::unique_ptr<afMenu> createPopup(const std::wstring& title);
    // The menu object of a Win32 menu made here; null for any other.
    static afMenu* fromHandle(HMENU handle);

    afMenu(const std::wstring& title, uint32_t icon, bool themed);
    // Deletes the lines; the Win32 menu goes with the root (a submenu's goes with its parent's).
    ~afMenu() override;

    // Makes the Win32 menu; a refusal ends the program ("Cannot create popup menu.").
    virtual bool create();
    HMENU getHandle() const { return m_handle; }
    bool isOwnerDrawn() const { return m_ownerDrawn; }
    bool isThemed() const { return m_themed; }

    // Each takes the node (null gives null) and returns it; a line that cannot be inserted ends
    // the program. A submenu that already has lines takes new ids for them from this tree.
    afMenuItem* addItem(afMenuItem* item);
    afMenu* addMenu(afMenu* menu);
    afMenuItem* addSeparator();
    void setItemStates(afMenuItem* item, bool checkMark, bool radio);
    void setItemTitle(afMenuNode* node, const std::wstring& title);
    void setItemEnabled(afMenuItem* item, bool enabled);
    // Reads the Win32 line's state; answers false whatever it holds.
    bool getItemState(afMenuItem* item);
    // Deletes the line and everything below it, giving their ids back; false (one log line) when
    // the node is not one of this menu's lines.
    bool remove(afMenuNode* node);
    void clear();
    // Shows the menu at the screen point and waits for the choice: the chosen line, or null
    // (nothing chosen, or no owner window). Refreshes the lines first.
    afMenuNode* track(afViewPlatform* owner, int x, int y, bool bottomAlign);
    // The same, shown beside the anchor (a screen rectangle, such as the button that opens it)
    // and never over it: below it and lined up with its right edge, or above it and lined up
    // with its left edge; the other side where the work area has no room.
    afMenuNode* trackBeside(afViewPlatform* owner, const RECT& anchor, bool below);
    const std::vector<afMenuNode*>& getChildren() const { return m_children; }
    bool isEmpty() const { return m_children.empty(); }
    // Refreshes the enabled states of the lines, and of the submenus' lines.
    virtual void update();
    // What fills a menu anew each time it opens, before its lines are refreshed.
    using Builder = std::function<void(afMenu&)>;
    void setBuilder(Builder builder) { m_builder = std::move(builder); }
    // As the menu opens: the builder (when there is one), then the refresh.
    void prepareToShow();
    void updateItems() { update(); }
    // The line of the command id in this tree, or null.
    afMenuNode* findNode(uint16_t id) const;

    // Owner drawing of one line (owner is the window the menu was shown for; may be null).
    virtual bool measureItem(HWND owner, MEASUREITEMSTRUCT& io_measure);
    virtual bool drawItem(HWND owner, const DRAWITEMSTRUCT& draw);

    // The text of a node's Win32 line: the title, a tab, then the tab text or else the key text.
    static std::wstring lineText(const afMenuNode& node);

protected:
    // What measuring learnt of the theme's parts (once per theme), for drawing the lines alike,
    // and the extents of the texts measured in its font (or the classic menu font), kept across
    // showings: Wine measures every line at every showing, and the texts rarely change.
    struct ThemeMetrics {
        bool known = false;
        SIZE check = {0, 0};
        MARGINS checkMargins = {0, 0, 0, 0};
        int separatorHeight = 0;
        int gutter = 0;
        // Whether the line's part (per state) and the popup background are partly transparent;
        // -1 until asked.
        int8_t itemTransparent[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
        int8_t backgroundTransparent = -1;
        std::unordered_map<std::wstring, SIZE> titleSizes;
        std::unordered_map<std::wstring, SIZE> keySizes; // measured without prefix processing
    };

    // Deletes the lines from the position on, the last first (as clear does).
    void truncate(size_t count);
    // Sets the Win32 line's text again from its node.
    void refreshLineText(size_t position);
    // Sets the Win32 menu's info: this object as its menu data, and what the mask adds.
    void setMenuInfo(UINT mask, DWORD style, HBRUSH background);

    HMENU m_handle = nullptr;
    bool m_ownerDrawn = true;
    ThemeMetrics m_metrics;
    // The system's check-mark size: asking costs more than drawing a line under Wine, so it is
    // read once per showing (update runs before each).
    SIZE m_checkSize = {0, 0};

    SIZE checkSize();
    // The extent of a line's text in the DC's font (classic) or the theme's, measured once while
    // the theme (or its absence) stays; noPrefix measures '&' as itself.
    SIZE textSize(HTHEME theme, HDC dc, const std::wstring& text, bool noPrefix);

private:
    // Tracks with the placement flags of TrackPopupMenuEx, away from what the params exclude.
    afMenuNode* trackAt(afViewPlatform* owner, int x, int y, UINT placement, TPMPARAMS* exclude);
    afMenu* root();
    uint16_t allocateId();
    // Gives the node (and, for a submenu, every line below it) an id of this tree.
    void assignIds(afMenuNode* node);
    void releaseIds(afMenuNode* node);
    MENUITEMINFOW lineInfo(afMenuNode& node, std::wstring& o_text) const;
    int positionOf(const afMenuNode* node) const;
    void enableLine(int position, bool enabled);
    void insertLine(afMenuNode* node, MENUITEMINFOW& info, const wchar_t* failure, const wchar_t* method);

    std::vector<afMenuNode*> m_children;
    std::map<uint16_t, afMenuNode*> m_ids; // root only
    std::vector<uint16_t> m_freeIds;       // root only, the most recently freed last
    uint16_t m_nextId = 1;                 // root only
    bool m_themed;
    Builder m_builder;
    // The "MENU" theme data of the visual-styles instance it was opened with (afMenuDraw.cpp);
    // opened at the first themed line, closed with the menu.
    HTHEME theme(HWND owner);
    void closeTheme();
    // The popup background behind a partly transparent line: the theme's image is stretched at
    // great cost, so one line's worth is kept in a bitmap, selected in a DC of its own, while the
    // size stays.
    void drawPopupBackground(HTHEME theme, HDC dc, const RECT& box);
    bool partlyTransparent(HTHEME theme, int part, int state);
    void drawThemed(HTHEME theme, const afMenuNode& node, const DRAWITEMSTRUCT& draw);
    void drawClassic(const afMenuNode& node, const DRAWITEMSTRUCT& draw);
    HTHEME m_theme = nullptr;
    const void* m_themeOwner = nullptr;
    afKeptBitmap m_background;
};

// A window's menu bar: attach it with SetMenu(window, getHandle()), detach it with
// SetMenu(window, NULL) before either goes. WM_MENUCOMMAND names the chosen line by position.
class afMenuBar : public afMenu {
public:
    // A new bar titled "[Menu]", not owner-drawn; null when the system refuses to make it.
    static std::unique_ptr<afMenuBar> createMenuBar();

    afMenuBar();
    bool create() override;
    bool measureItem(HWND owner, MEASUREITEMSTRUCT& io_measure) override;
    bool drawItem(HWND owner, const DRAWITEMSTRUCT& draw) override;
};

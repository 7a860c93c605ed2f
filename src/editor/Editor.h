#pragma once
// The text view: a child window that shows the document of one DocumentController through a
// cache of laid-out lines, turns the controller's notices into invalidations merged within
// update batches, and repaints only the rows that changed, each composed off screen (text,
// current line, gutter with numbers and bookmarks, centred wrapping). It owns no text: every
// read goes through the attached controller under its lock. Main thread only. Tests trap an
// editor touched after it was freed.

#include "afw/core/afDelegate.h"
#include "afw/data/afDropAction.h"
#include "afw/unicode/IFontManager.h"
#include "afw/unicode/afUnicodeData.h"
#include "afw/view/afViewTimer.h"
#include "afw/view/afWidget.h"
#include "components/SearchSubscriber.h"
#include "editor/LineCache.h"
#include "pel/base/FreedAccessTrap.h"
#include "service/base/Notice.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/FacePreset.h"
#include "service/document/controller/IEditor.h"

#include <imm.h>

#include <deque>
#include <memory>

struct afFontEntry;
class Hint;
class afDropTarget;
class afUnicode;
class afUnicodeRenderer;

namespace tessel {

// Reads the input method's composition strings (ImmGetCompositionStringW's signature); tests put
// their own in place, as no input method runs under a bare X server.
using EditorCompositionReader = LONG(WINAPI*)(HIMC context, DWORD index, void* buffer, DWORD bytes);
// Installs the reader (null: the system's); the previous one is returned.
EditorCompositionReader setEditorCompositionReader(EditorCompositionReader reader);

// The editor view's own bits of a caret's flags (the controller passes them on untouched).
enum : uint8_t {
    CARET_KEEP_VIEW = 0x04, // the view stays where it is
    CARET_CENTRE = 0x08,    // the caret's row is centred
};

class DocumentTheme;
class DropMarker;
class EditorCaret;
class EditorCmd;
class EditorThemeSource;

class Editor : public afWidget,
               public pel::FreedAccessTrap,
               public SearchSubscriber,
               public IEditor,
               private afFontListener,
               private afUnicodeStyleProvider {
public:
    // The search scopes every editor offers the search manager.
    static constexpr uint32_t SEARCH_SCOPE_DOCUMENT = 0xD92B7198;  // "Current document"
    static constexpr uint32_t SEARCH_SCOPE_SELECTION = 0xD1168153; // "Current selection"

    // What the owner (the shell) decides of drags over the editor. The file-drop query answers
    // for data holding a file list, in place of the editor's own answer; leave is told when a
    // drag leaves or ends; drop gets the dropped items (the file paths, or the text as one item)
    // and the place under the drop point, found as a click there finds the caret's.
    using FileDropQuery = afDelegate<afDropAction(Editor*, const afDropInfo&, uint32_t allowed, afDropAction proposed)>;
    using DropLeaveDelegate = afDelegate<void(Editor*)>;
    using DropDelegate = afDelegate<afDropAction(Editor*, const std::vector<std::wstring>& items, bool files,
                                                 const TextPosition& at, afDropAction action)>;

    enum BorderMode { BORDER_NONE = 0, BORDER_LINE = 1, BORDER_CLIENT_EDGE = 2 };
    enum GutterMode { GUTTER_NO_NUMBERS = 0, GUTTER_NUMBERS = 1, GUTTER_BY_PRESET = 2 };

    // The editor, owned by parent, with its window built; null for a null parent.
    static Editor* create(afViewPlatform* parent, int borderMode);
    explicit Editor(afViewPlatform* host);
    ~Editor() override;

    // ---- afView / afViewPlatform
    const wchar_t* getContextKey() const override { return L"ui.editor"; }
    // The scope at the caret of the attached controller.
    void addContexts(ScopePath& path) override;
    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    void onDestroy() override;
    void onFocusGained() override;
    bool onKeyDown(afKeyEvent& event) override;
    bool onMouseDown(afMouseEvent& event) override;
    bool onMouseMove(afMouseEvent& event) override;
    bool onMouseUp(afMouseEvent& event) override;
    bool onMouseLeave(afMouseEvent& event) override;
    // HIT_MARKER only for the pointer over a gutter line whose markers have texts.
    enum HitKind { HIT_TEXT = 0, HIT_SELECTION = 1, HIT_GUTTER = 2, HIT_MARKER = 3 };
    // What lies under a client point (the controller's lock held).
    int hitTest(POINT point);
    // Display lines (or columns) an auto-scroll tick moves for the pointer's distance outside
    // the text area; within 3 pixels only every fifth tick moves.
    static int autoScrollSpeed(int distance, uint32_t tick);
    // One auto-scroll tick with the pointer at a client point: scrolls, then extends a drag.
    void autoScrollStep(POINT point, uint32_t tick);
    // Bit 0 vertical, bit 1 horizontal.
    void setAutoScrollAxes(int axes) { m_autoScrollAxes = axes; }
    // The run of word characters touching a position on its line (empty between two others);
    // the controller's lock held.
    void wordAround(const TextPosition& position, TextPosition* o_start, TextPosition* o_end);
    void onFocusLost() override;
    void onLayout(bool changed, const afRect& rect) override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;
    bool onRawMessage(afMessage& msg) override;
    void placePopup(afRect& io_rect, int placement);
    // The popup menu of edit actions at a client point (the right button); false detached.
    bool runContextMenu(POINT point);
    // The editor's hint popup, made on first use; hidden by keys, presses, scrolling and focus.
    Hint* getHintPopup();
    // The hint over gutter markers; null until a marked line was hovered.
    Hint* getGutterHint() const { return m_gutterHint; }

    // ---- IEditor
    // Either side may pair first: the editor and the controller each store their state before
    // telling the other, and calls made while pairing are ignored.
    void attachController(DocumentController* controller) override;
    void beginUpdate() override;
    void endUpdate() override;
    void invalidateLines(int32_t first, int32_t last, bool relayout, bool rewrap) override;
    void invalidateLine(int32_t line) override { invalidateLines(line, line, false, false); }
    bool pointToPosition(int32_t x, int32_t line, int32_t subline, TextPosition* o_position, bool allowVirtual,
                         bool byCell) override;
    int32_t positionToPoint(const TextPosition& position, bool exact, bool* o_onScreen) override;
    DocumentController* getController() const override { return m_controller; }

    // ---- events of the document shown, fed by whichever controller is attached and told at
    // once on attach (the status strip follows them)
    Notice<Editor&, const TextPosition&>& caretMoved() { return m_caretMovedEvent; }
    Notice<Editor&, const DocumentController::Format&>& formatChanged() { return m_formatChangedEvent; }
    // The grammar's scope name.
    Notice<Editor&, const std::wstring&>& languageChanged() { return m_languageChangedEvent; }

    // ---- search (EditorSearch.cpp)
    // Runs the search action on the attached controller's document; false without one.
    bool ssOnAction(const SearchActionRecord& record, uint32_t action, bool backwards) override;
    // 0 without a controller; else 1, with the newest range's text offered for "Current
    // document" when something is selected.
    int getSearchText(uint32_t scope, std::wstring& o_text) override;
    void focus() override { requestFocus(); }
    // Registers both scopes with the installed search manager unless it knows this editor.
    void registerSearchScopes();
    // Makes this editor (or no longer) the target of both scopes, once they are registered.
    void setSearchScopesActive(bool active);

    // ---- drag and drop (EditorDropTarget.cpp)
    void setFileDropQuery(const FileDropQuery& query) { m_fileDropQuery = query; }
    void setDropLeaveDelegate(const DropLeaveDelegate& leave) { m_dropLeave = leave; }
    void setDropDelegate(const DropDelegate& drop) { m_dropDelegate = drop; }
    afDropTarget* getEditorDropTarget() const { return m_editorDropTarget; }
    // The marker that shows where a drag would land, made on first use; null when it cannot be.
    DropMarker* getDropMarker();

    // ---- settings
    void setGutterMode(int mode);
    void setWidestColumns(int32_t columns);
    void setLineCount(int32_t count);

    // ---- scrolling (what the batches and the view metrics need of it)
    using afView::scrollBy;
    using afView::scrollTo;
    void scrollBy(int columns, int lines) override;
    // Negative arguments count as 0, a line past the last as the last line's last subline, a
    // column past what a wrapped view hides to the right as that; false when nothing moved
    // (unless force).
    bool scrollTo(int32_t column, int32_t line, int32_t subline, bool force);
    // The farthest column the view scrolls sideways to: the widest line's unwrapped. A wrapped
    // row is no wider than the wrap width, so a wrapped view scrolls only by what a wrap width
    // wider than the text area (a boundary beyond the window's edge) leaves out, mostly nothing.
    int32_t sidewaysReach() const;
    // Sets the bars to the view; those whose look changed are drawn after the text's paint.
    void updateScrollBars();
    bool onMouseWheel(afMouseEvent& event, int steps) override;
    // A scroll-bar request (the framework's codes: 1 start, 2 end, 3/4 step, 5/6 page, 7/8 thumb).
    void onScrollBar(bool vertical, int code, int position);
    static int32_t wheelLinesPerNotch();

    // ---- geometry
    // The document line and subline at client y.
    SubLineIterator yToDisplayLine(int y);
    // Client y of a display line: 0 above the top, (visibleLines + 1) x line height below the
    // last visible row, else its row x line height.
    int lineToY(int32_t line, int32_t subline);
    // byCell: the start of the character under the point, rather than the stop nearest to it.
    bool clientPointToPosition(POINT point, TextPosition* o_position, bool allowVirtual, bool byCell = false);
    // The caret's client point (its top-left); false when it lies outside the client.
    bool caretPoint(POINT* o_point);
    // The client point of a position (its top-left); false when it lies outside the client.
    bool positionPoint(const TextPosition& position, POINT* o_point);
    // Scrolls so that the position shows with a margin of columns (centred on its row when
    // centre); false when nothing moved.
    bool scrollToShow(const TextPosition& position, bool centre);
    // Scrolls the caret of the attached controller into view, wherever the view was taken;
    // false when nothing moved.
    bool showCaret(bool centre);
    bool sublineIteratorFor(const TextPosition& position, SubLineIterator* o_iterator);
    // The last row shown in full, found again from the top: a long line's rows change as its
    // pieces are laid out for the first time.
    void refreshBottom();
    // Whether a position of a line in the document shows at the end of a wrapped display line:
    // it falls on a wrap point (or, wrapped, on the seam between two pieces of a long line) with
    // its trailing flag set. Otherwise a wrap point shows at the start of the display line
    // after it.
    bool endsDisplayLine(const TextPosition& position);
    // The line's subline a position of a line in the document shows on.
    int32_t sublineShowing(const TextPosition& position);
    // The piece of the line's layout a position shows in: at a seam it ends a display line in,
    // the piece before it.
    LineCache::Piece pieceShowing(const TextPosition& position);

    // ---- caret and commands
    // Clears the escape mode: Escape then leaves snippets and ranges alone.
    void setEscapeMode() { m_escapeMode = 0; }
    // Only Ctrl+Tab (true) or only a plain Tab (false) reaches the Tab handling.
    void setCtrlTabTyping(bool ctrlTab) { m_ctrlTabTyping = ctrlTab; }
    EditorCaret* getCaret() const { return m_caret.get(); }
    EditorCmd* getCommandHandler() const { return m_commandHandler.get(); }
    // Caret-driven scrolling is held back while clear (a mouse line selection).
    void setCaretVisibleFollow(bool follow) { m_caretVisibleFollow = follow; }

    // ---- state, for the later items and tests
    LineCache* getLineCache() const { return m_lineCache.get(); }
    afUnicode* getLayout() const { return m_layout.get(); }
    const SubLineIterator& getTop() const { return m_top; }
    const SubLineIterator& getBottom() const { return m_bottom; }
    int32_t getScrollColumn() const { return m_scrollColumn; }
    int32_t getVisibleLines() const { return m_visibleLines; }
    int32_t getVisibleColumns() const { return m_visibleColumns; }
    int32_t getWidestColumns() const { return m_widestColumns; }
    int getGutterWidth() const { return m_gutterWidth; }
    int getTextLeft() const { return m_textLeft; }
    int getDigitWidth() const;
    int getLineHeight() const;
    int getCharWidth() const;
    COLORREF getTextBackground() const { return m_textBackground; }
    COLORREF getTextBackgroundCurrent() const { return m_textBackgroundCurrent; }
    COLORREF getMarginBackground() const { return m_marginBackground; }
    COLORREF getMarginBackgroundCurrent() const { return m_marginBackgroundCurrent; }
    const FacePreset& getPreset() const { return m_preset; }
    const std::shared_ptr<DocumentTheme>& getTheme() const { return m_theme; }
    // Rows copied to the window since the editor was made.
    uint64_t getRowsCopied() const { return m_rowsCopied; }

    // The gutter colours, in the order of the stock table entries they come from.
    enum GutterColour {
        NUMBER_BACKGROUND_CURRENT,
        NUMBER_BACKGROUND,
        NUMBER_TEXT_CURRENT,
        NUMBER_TEXT,
        NUMBER_TEXT_TENTH,
        SEPARATOR_CURRENT,
        SEPARATOR,
        GUTTER_COLOURS
    };
    COLORREF getGutterColour(int which) const { return m_gutterColours[which]; }

protected:
    // Every InvalidateRect of the editor goes through here (a test records them).
    virtual void invalidateWindow(const RECT* rect);

private:
    friend class EditorPainter;

    // afFontListener
    void onFontChanged() override;
    // afUnicodeStyleProvider: the styler's colours and font variant of a style id.
    afUnicodeStyle& styleFor(uint16_t styleId) override;

    void detach();
    void addListeners();
    void applyPreset();
    void applyTabWidth();
    void takeCaretHeight();
    void applyTheme(const std::shared_ptr<DocumentTheme>& theme);
    void applyThemeColours();
    // The client's size from the window (a scroll bar shown or hidden changes it too).
    void takeClientSize();
    void recomputeWrap();
    void recomputeView(bool force);
    void flush();
    // Draws the bars whose look changed since they were drawn. They come after the text: a paint
    // pending draws them once it is done, so that what a key or a click changed shows first.
    void drawScrollBars();
    // Tells the line cache where the text changed (an insert, or a removal), and lays out and
    // paints again what that moved.
    void onEdited(DocumentController& controller, const TextChange& change, bool inserted);
    // Lines that an edit added or took away (count of them).
    void onLinesInserted(int32_t line, int32_t count);
    void onLinesRemoved(int32_t line, int32_t count);
    void onRangeChanged(const TextPosition& a, const TextPosition& b);
    void onCaretMoved(const TextPosition& caret, uint8_t flags);
    // The three document events: their listeners on the controller, and telling them at once.
    void addEventListeners();
    void raiseEvents();
    // Drag and drop (EditorDropTarget.cpp).
    void installDropTarget();
    afDropAction onDragEnterOrOver(afDropTarget* target, const afDropInfo& info, uint32_t allowed,
                                   afDropAction proposed);
    afDropAction onDropData(afDropTarget* target, const afDropInfo& info, uint32_t allowed, afDropAction action);
    void onDragLeave(afDropTarget* target);
    // Input (EditorInput.cpp): true for a message answered here.
    bool onInputMessage(afMessage& msg);
    // Keeps a release of Alt that went with a mouse action from arming the menu bar: the key
    // invoker is told of an Alt chord (afActionInvokerKey::noteAltChord).
    void followAltKey(const afMessage& msg);
    // Mouse selection (EditorMouse.cpp).
    enum DragMode { DRAG_NONE = -1, DRAG_CHARACTER = 0, DRAG_WORD = 1, DRAG_LINE = 2, DRAG_ON_SELECTION = 3 };
    void pressAt(POINT point, int clickCount, bool gutter, uint8_t modifiers);
    void dragTo(POINT point);
    bool onAutoScrollTick(afViewTimer* timer);
    void lineAround(int32_t line, TextPosition* o_start, TextPosition* o_end);
    // What a double click at the point selects: the word under it, else the character under it
    // (an emoji, a flag, a sign) alone; false past the line's end.
    bool wordOrCharacterAt(POINT point, TextPosition* o_start, TextPosition* o_end);
    // Tab and Escape (EditorTab.cpp).
    bool onTab(bool backward);
    bool onEscape();
    void expandTabTrigger();
    void onVerticalScroll(afViewPlatform* view, int code, int position);
    void onHorizontalScroll(afViewPlatform* view, int code, int position);
    bool onChar(wchar_t character);
    // Popups (EditorPopups.cpp). hoverAt shows or hides the gutter hint and answers the hit kind.
    int hoverAt(POINT point);
    bool hideHintPopup();
    void hideGutterHint();
    void dropHints();
    void setPointer(int stockCursor);
    bool onSetCursor(afViewPlatform* view, int hitTest, int mouseMessage);
    bool hasSelectedText();
    bool onComposition(afMessage& msg);
    // Puts the input method's composition window at the caret.
    void moveCompositionWindow();

    // Painting (EditorPaint.cpp).
    bool numbersShown() const;
    void updateGutterWidth(int32_t lineCount);
    void invalidateLineRange();
    void drawRow(afCanvas& lineCanvas, const SubLineIterator& row, int32_t currentLine, int clientWidth,
                 bool withGutter = true);
    void drawGutter(afCanvas& lineCanvas, int32_t line, bool isContinuation, bool isCurrentLine);
    int textColumnRight(int clientWidth) const;
    bool themedBorder(afMessage& msg);

    // Invalidates the rectangle (null: the client) unless a repaint already pending covers it.
    void invalidateClient(const RECT* rect);
    int32_t caretLine() const;

    DocumentController* m_controller = nullptr;
    bool m_pairing = false;
    std::unique_ptr<EditorCmd> m_commandHandler;
    std::unique_ptr<EditorCaret> m_caret;
    bool m_caretVisibleFollow = true;
    wchar_t m_pendingHighSurrogate = 0;
    bool m_ctrlTabTyping = false;
    int m_escapeMode = 1;
    int m_dragMode = DRAG_NONE;
    PositionRange m_anchorRange;
    POINT m_downPoint = {0, 0};
    Hint* m_hintPopup = nullptr;  // owned; dropped with the window
    Hint* m_gutterHint = nullptr; // owned; dropped with the window
    int m_pointer = 2;            // the stock cursor the client shows
    afViewTimer m_autoScrollTimer;
    int m_autoScrollAxes = 3;
    FacePreset m_preset;
    int m_gutterMode = GUTTER_BY_PRESET;
    int m_updateDepth = 0;
    bool m_scrollBarsDirty = false;
    int m_barsToDraw = 0;         // bits 1 << SB_HORZ and 1 << SB_VERT
    SCROLLINFO m_barsSet[2] = {}; // what each bar was last set to, by SB_HORZ and SB_VERT
    bool m_clampOnResize = false;
    bool m_repaintAll = false;
    bool m_repaintText = false; // the text area, right of the gutter
    bool m_rangeDirty = false;
    int32_t m_dirtyFirst = 0;
    int32_t m_dirtyLast = 0;
    std::unique_ptr<afUnicode> m_layout;
    std::unique_ptr<afUnicodeRenderer> m_renderer;
    std::unique_ptr<LineCache> m_lineCache;
    SubLineIterator m_top;
    SubLineIterator m_bottom;
    int32_t m_scrollColumn = 0;
    int32_t m_visibleColumns = 0;
    int32_t m_visibleLines = 0;
    int32_t m_widestColumns = 0;
    int32_t m_lineCount = 0;
    int32_t m_caretLine = 0; // the line the current-line colours were last drawn on
    int m_gutterWidth = 0;
    int m_textLeft = 0;
    int m_digits = 0;
    int m_digitsWidth = 0;
    const afFontEntry* m_digitsFont = nullptr; // what the digits were measured in
    // The gutter's spacing at 96 DPI, and the bookmark icon's column.
    int m_numberPadding = 6;
    int m_minDigits = 2;
    int m_gutterGap = 2;
    int m_markerColumn = 16;
    int m_gutterLead = 4;
    COLORREF m_gutterColours[GUTTER_COLOURS] = {};
    COLORREF m_marginBackground = 0;
    COLORREF m_marginBackgroundCurrent = 0;
    COLORREF m_textBackground = 0;
    COLORREF m_textBackgroundCurrent = 0;
    float m_lineHighlight[4] = {};
    std::shared_ptr<DocumentTheme> m_theme;
    EditorThemeSource* m_themeSource = nullptr;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    std::deque<afUnicodeStyle> m_styles; // by style id; grows at the end, so references hold
    uint64_t m_rowsCopied = 0;
    Notice<Editor&, const TextPosition&> m_caretMovedEvent;
    Notice<Editor&, const DocumentController::Format&> m_formatChangedEvent;
    Notice<Editor&, const std::wstring&> m_languageChangedEvent;
    bool m_searchScopesRegistered = false;
    afDropTarget* m_editorDropTarget = nullptr; // owned by the platform view
    FileDropQuery m_fileDropQuery;
    DropLeaveDelegate m_dropLeave;
    DropDelegate m_dropDelegate;
    DropMarker* m_dropMarker = nullptr; // owned by this view
};

} // namespace tessel

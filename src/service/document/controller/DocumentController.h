#pragma once
// The editing front of one Document: everything that changes its text, selection or format on
// a user's behalf goes through a controller. It owns the document's Selection, its span
// manager and its face preset. Every change runs in a transaction over the Document lock (read,
// edit, or the replay of undo and redo); an edit transaction is one change bracket of the
// document and one undo step, recorded with the selection before and after it, and the caret
// is drawn only once the text is final. Selection changes are gathered into one
// selectionChanged with the range to repaint. As a listener of the document it passes the
// document's notices on and keeps a copy of its format, title and path for the views.
//
// A transaction that changes no text (a search that only selects, a move of the caret) leaves
// no undo step and keeps the redo history; text operations outside an edit transaction change
// nothing (a soft assertion says so), since the undo log would miss them. A document opened
// read-only refuses them all: editRefused tells of it once per transaction.
//
// Made by the DocumentControllerManager, one per document shown; main thread only.

#include "service/base/Notice.h"
#include "service/base/error/TaggedObject.h"
#include "service/document/DocumentChange.h"
#include "service/document/DocumentFormat.h"
#include "service/document/DocumentListener.h"
#include "service/document/LineTable.h"
#include "service/document/controller/FacePreset.h"
#include "service/document/controller/SelectionRange.h"
#include "service/document/controller/TextPosition.h"

#include "pel/base/FreedAccessTrap.h"
#include "pel/text/Indentation.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pel {
class CharacterBoundaries;
}

namespace tessel {

class Document;
class DocumentControllerManager;
class DocumentControllerSearchSession;
class IEditor;
class ISpanManager;
class ScopePath;
class Selection;
class Span;
class Stream;
class TextHighlighter;
class UndoContext;

class DocumentController : public TaggedObject, public DocumentListener, public pel::FreedAccessTrap {
public:
    enum LockKind : uint32_t { LOCK_NONE = 0, LOCK_READ = 1, LOCK_EDIT = 2, LOCK_REPLAY = 3 };
    // What a refused edit of a read-only document tells the user.
    static const wchar_t* const READ_ONLY_TEXT;
    // The span context of the ranges of a multi-range edit.
    static const wchar_t* const REFLECT_CONTEXT;
    // Turns a range's text into its new text; false leaves the range as it is.
    using TransformDelegate = std::function<bool(const std::wstring& text, std::wstring& o_text)>;

    // The controller's copy of the document's format.
    struct Format {
        uint32_t encoding;
        uint32_t lineEnding;
        pel::Indentation indentation;
    };

    // Holds a transaction of a kind for its scope: a nested one only deepens the open one,
    // whose kind stays.
    class Lock {
    public:
        Lock(DocumentController& controller, LockKind kind) : m_controller(controller) {
            m_changeRecord = controller.lock(kind);
        }
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        // The document's open change record (null in a read transaction).
        const ChangeRange* changeRecord() const { return m_changeRecord; }

    private:
        DocumentController& m_controller;
        const ChangeRange* m_changeRecord;
    };

    // Holds the selection-change bracket for its scope.
    class SelectionChange {
    public:
        explicit SelectionChange(DocumentController& controller) : m_controller(controller) {
            controller.beginSelectionChange();
        }
        ~SelectionChange();
        SelectionChange(const SelectionChange&) = delete;
        SelectionChange& operator=(const SelectionChange&) = delete;

    private:
        DocumentController& m_controller;
    };

    // Joins the document's listeners (under its lock), takes its format, and puts the caret at
    // the start. context is the application's, not owned.
    DocumentController(Document& document, DocumentControllerManager& owner, void* context = nullptr);
    ~DocumentController() override;
    DocumentController(const DocumentController&) = delete;
    DocumentController& operator=(const DocumentController&) = delete;

    // ---- transactions (DocumentController.cpp)
    // Opens a transaction, or only deepens the open one. Off the main thread throws
    // pel::IllegalStateException "Not a main thread." before the Document lock is touched.
    // Returns the document's change record for an edit or replay, else null.
    const ChangeRange* lock(LockKind kind);
    void unlock();
    // Inside an edit transaction: what follows becomes an undo step of its own.
    void splitEdit();
    // At the start of an edit transaction: it is one undo step with this controller's edit
    // transaction before it, when nothing came between (a long edit made in several
    // transactions, closed so that the window answers meanwhile); false when it stays a step of
    // its own.
    bool continueLastEdit();
    // Whether text may change now: in an open edit transaction of a document that is not
    // read-only. Outside one a soft assertion names the operation; a read-only document's
    // refusal is told through editRefused instead.
    bool canEdit(const wchar_t* operation);
    bool isReadOnly() const;
    LockKind getLockKind() const { return m_lockDepth > 0 ? m_lockKind : LOCK_NONE; }
    uint32_t getLockDepth() const { return m_lockDepth; }
    // The identity of this controller's edits in undo transactions and change brackets.
    uint32_t getKey() const { return m_key; }

    // The selection-change bracket: one selectionChanged for everything inside it.
    Selection& beginSelectionChange();
    ISpanManager& beginHighlightChange();
    void endSelectionChange();
    // Adds a range (of offsets, or of positions; a negative line offset adds nothing) to what
    // the bracket repaints.
    void invalidateRange(int32_t a, int32_t b);
    void addChangedRange(const TextPosition& a, const TextPosition& b);

    // ---- text, inside an edit transaction (DocumentControllerText.cpp)
    // Replaces the selected text (if any) by text at the caret; returns where it went in. After
    // a selection of several ranges, the caret stands in the newest one and what is typed there
    // lands in every one of them, until the caret leaves it.
    int32_t typeText(const wchar_t* text, int32_t length);
    // With the rectangle behaviour, a copied block. Over a selection of as many ranges as the
    // block has lines (a rectangle's rows, several carets), range i takes line i in place of its
    // text, and the caret ends behind the last range's line. Otherwise the text of every range
    // goes, and line i of the block goes in at the caret's column (the first range's start) on
    // the i-th line below it (short lines padded with spaces, lines added past the last one);
    // the caret ends behind the last line's text. Any other id types as above.
    int32_t typeText(const wchar_t* text, int32_t length, uint32_t behaviorId);
    // Types text that comes from outside (a paste, a drop, an input method's result) as
    // prepareText prepares it.
    int32_t typeOutsideText(const std::wstring& text, uint32_t behaviorId = selection_ids::NORMAL);
    // Puts text from outside (a drop), prepared as above, in at the position, whatever is
    // selected elsewhere: the caret goes behind it. Returns where it went in.
    int32_t insertOutsideText(const std::wstring& text, const TextPosition& at);
    int32_t insertString(const std::wstring& text);
    // Removes the selected text, or else the characters that the count units after (before,
    // when negative) the caret reach into, whole; at several carets (deleteAtCarets) at each.
    // Returns the caret's offset.
    int32_t deleteChars(int32_t count);
    // Deletes at several carets at once, as one edit: the empty ranges of a selection, or the
    // carets that typing at several carets left. A range that holds text loses it; at each
    // caret the text between it and target(its offset) goes, widened to whole characters. The
    // carets stay, each where its text went (those that meet become one). False, changing
    // nothing, for a single caret, for ranges that all hold text and for a rectangle that holds
    // text: those remove their text as removeSelectedText does. A column's carets
    // (Selection::isColumn, and those an edit at a column left) take nothing beyond their own
    // lines: an edit at a column never joins lines, and the carets it leaves are a column's.
    bool deleteAtCarets(const std::function<int32_t(int32_t offset)>& target);
    // Empties every range at once: the ranges become the mirrors of one tab stop of a span
    // context REFLECT_CONTEXT (left again when there is one range), the caret at the start of
    // the newest. False when nothing was selected. Without a span tree the ranges are removed
    // directly.
    bool removeSelectedText();
    // Puts transform's result in place of the text of every non-empty range and selects the
    // ranges again. An empty delegate throws pel::InvalidArgumentException "Transform delegate
    // is empty."; false for an empty selection (or no span tree), else whether any range
    // changed.
    bool transformSelection(const TransformDelegate& transform);
    // Inserts at offset (at the start of a surrogate pair the offset splits); the caret goes
    // behind the text. Returns where it went in.
    int32_t insertAt(int32_t length, int32_t offset, const wchar_t* text);
    // Removes |count| units from offset on (before it when count is negative, nothing when
    // that would start before 0), and the other half of a surrogate pair either end splits;
    // the caret goes there. Returns that offset.
    int32_t removeAt(int32_t count, int32_t offset);
    // The whole text, in an edit transaction of its own; the caret to the start.
    void setText(const std::wstring& text);
    // The first line of text as it is, the rest with LF line breaks and the document's
    // indentation (null o_text: pel::NullPointerException naming "o_text").
    void prepareText(int32_t length, const wchar_t* text, std::wstring* o_text);
    // The text of each range of one unit or more, in order, joined by "\n".
    void getSelectedText(const std::vector<SelectionRange>& ranges, std::wstring* o_text);
    // Moves the blocks (ascending) up before or down after the target line, one at a time;
    // the pairs follow their blocks. A target inside the blocks or outside the text changes
    // nothing.
    void moveLines(std::vector<LineRange>& io_ranges, int32_t targetLine);
    // Puts a copy of each block after it; the pairs then hold the copies.
    void duplicateLines(std::vector<LineRange>& io_ranges);
    // Reading; false or nothing outside the text.
    void getText(std::wstring* o_text) const;
    bool getTextRange(int32_t offset, int32_t length, std::wstring* o_text) const;
    // Copies up to length units into o_buffer (room for length); returns the count copied.
    int32_t copyText(int32_t offset, int32_t length, wchar_t* o_buffer) const;
    bool getLine(int32_t line, std::wstring* o_text) const;
    bool copyLine(int32_t line, std::vector<wchar_t>* o_buffer, bool withBreak) const;

    // ---- characters, read under a lock (DocumentControllerCharacters.cpp): what a reader sees
    // as one character (pel::CharacterBoundaries), the rule of caret stops and deletions. A line
    // break is a character of its own; offsets are clamped into the text.
    bool isCharacterStart(int32_t offset) const;
    // The next or previous character boundary (the text's end or start at most).
    int32_t nextCharacter(int32_t offset) const;
    int32_t previousCharacter(int32_t offset) const;
    // The start and end of the character the offset lies in; a boundary is both.
    int32_t characterStart(int32_t offset) const;
    int32_t characterEnd(int32_t offset) const;
    // The start of the surrogate pair the offset splits, else the offset.
    int32_t codePointStart(int32_t offset) const;
    // The code point that begins at the offset (a lone surrogate as itself).
    uint32_t codePointAt(int32_t offset) const;
    // The position moved off the middle of a surrogate pair to its start; else as it is.
    TextPosition codePointPosition(const TextPosition& position) const;
    // The characters of the position's line before it (a virtual position past the line's end
    // adds one for each column beyond it).
    int32_t getCharacterColumn(const TextPosition& position) const;

    // ---- positions and indentation, read under a lock (DocumentControllerLines.cpp)
    // The line is clamped into the text, the line offset into the line; past the last line:
    // the end of the text.
    int32_t positionToOffset(const TextPosition& position) const;
    TextPosition offsetToPosition(int32_t offset) const;
    // Into the text: past a line's end to its end (virtual set); past the last line to the
    // end of the text (the virtual flag kept).
    TextPosition clampPosition(const TextPosition& position) const;
    bool isBeyondLineEnd(const TextPosition& position) const;
    TextPosition getLineContentStart(int32_t line, bool skipBlanks) const;
    TextPosition getLineBoundary(int32_t line, bool trim, bool next) const;
    TextPosition getEndPosition() const;
    // The lines of two offsets; an end at the start of a later line ends on the line before.
    LineRange getLineSpan(int32_t start, int32_t end) const;
    // Column geometry of the text (a tab to the next multiple of the tab width, one column per
    // unit past a line's end): what a rectangle goes by while no view is attached.
    int32_t getVisualColumn(const TextPosition& position) const;
    // The position of the cell under a column (virtual past the line's end); a column inside a
    // character of several units, like one inside a tab, gives the character's start.
    TextPosition getColumnPosition(int32_t line, int32_t column) const;
    // The line offsets of the run of characters whose first code point `takes` accepts around
    // the position (those just before it and from it on; a position inside a character stands at
    // its start), read in place; false, changing nothing, for a position outside its line's text.
    bool getRunAround(const TextPosition& position, bool (*takes)(uint32_t), int32_t* o_start, int32_t* o_end) const;
    int32_t getLineIndentation(int32_t line, bool force) const;
    // The lines around the line (clamped into the text) that are indented at least as deep as it,
    // with the blank lines between them: up to the first shallower line either way. A blank line
    // is as deep as the deeper of the lines nearest above and below it that are not blank.
    LineRange getIndentLevel(int32_t line) const;
    // The indentation of the line's text before the position, as getLineIndentation measures
    // it: what comes after the position takes no part (−1, unless force, when nothing before it
    // but blanks).
    int32_t getIndentationBefore(const TextPosition& position, bool force) const;
    int32_t getIndentationAt(int32_t offset) const;
    // The text Tab types at the offset. With soft tabs only the place of the offset's column
    // within its tab stop counts, which is the units from the last tab before the offset on its
    // line (or from the line's start) since a tab ends on a stop: a caller that knows them
    // passes them (-1: the line is walked from its start).
    void getIndentTextAt(int32_t offset, std::wstring* o_text, int32_t unitsAfterTab = -1) const;
    void getIndentUnit(std::wstring* o_text) const;
    void makeIndent(int32_t columns, std::wstring* o_text) const;
    // Edits, inside an edit transaction.
    void setLineIndentation(int32_t columns, int32_t line);
    void indentSelectedLines(int delta, const std::vector<LineRange>& ranges);
    const std::vector<LineMarker>* getLineMarkers(int32_t line) const;

    // ---- format, views, undo (DocumentControllerViews.cpp)
    // Each opens an edit transaction; a changed value makes the document modified until the
    // next save, whatever undo does.
    void setEncoding(uint32_t encoding);
    void setLineEnding(uint32_t lineEnding);
    // Width clamped into 1..16; spaces with soft tabs, else tabs.
    void setIndentation(int32_t width, bool softTabs);
    // As a save: the present state counts as the saved one.
    void markUnmodified();
    bool isModified() const;
    void setGrammar(const std::wstring& name);

    // Attaches the view (detaching it from another controller first) or, with null, detaches
    // the current one; a shown document is parsed first, a hidden one last or not at all.
    void setEditor(IEditor* view);
    IEditor* getEditor() const { return m_view; }
    void addSpanHighlighter(TextHighlighter* highlighter);
    void removeSpanHighlighter(TextHighlighter* highlighter);
    // The Selection first.
    const std::vector<TextHighlighter*>& getHighlighters() const { return m_highlighters; }
    // One undo group back or forth, the selection restored from its records; a long one is a
    // long edit (LongEdit), walked in steps with pauses between them.
    bool undo();
    bool redo();
    // Writes the span and selection records into the open undo transaction.
    void recordSelectionUndo();
    // The records met by undo and redo (the undo listener of the controllers hands them on).
    void applySelectionUndo(Stream& record);
    void applySpansUndo(Stream& record);
    // Tab and Shift+Tab in a snippet (in an edit transaction of their own): the next or previous
    // tab stop is selected, or the snippet left past its last one; false when no snippet takes
    // the key, which then does its ordinary work.
    bool gotoTabStop(bool forward);
    // Leaves the active snippet; false when there is none.
    bool leaveSpanContext();
    // The scope at the caret: the grammar's scopes, the selection's kind
    // ("ui.selection.normal", ".rectangle" or ".mixed") and the names of the spans around it.
    void getCaretScope(ScopePath& o_path);
    bool isSelectionEmpty();
    int32_t getCaretOffset();
    // The search session, made on first use; dropped on a reload.
    DocumentControllerSearchSession& getSearchSession();
    // Whether a long edit of this controller runs (LongEdit), which pauses between its steps
    // with no transaction open; what runs in a pause must leave the text alone.
    bool isInLongEdit() const { return m_longEdits > 0; }
    void noteLongEdit(int delta) { m_longEdits += delta; }

    Document& getDocument() const { return m_document; }
    DocumentControllerManager& getOwner() const { return m_owner; }
    void* getContext() const { return m_context; }
    Selection& getSelection() const { return *m_selection; }
    ISpanManager& getSpanManager() const { return *m_spanManager; }
    const Format& getFormat() const { return m_format; }
    int32_t getTabWidth() const { return m_format.indentation.size; }
    int32_t getLineCount() const;
    const std::wstring& getTitle() const { return m_title; }
    const std::wstring& getPath() const { return m_path; }
    const std::wstring& getGrammarName() const { return m_grammarName; }
    // Views of the document's file record (Document::getFileRecord). The file is gone, until it
    // is there again: a save, a reload, or another program's putting it back; each deletion after
    // that is told.
    bool isDeletedOnDisk() const;
    // Another program changed the file (or a read of the change failed), and no answer was given
    // for it yet.
    bool isModifiedOnDisk() const;
    // What closing asks about: the text differs from the text last saved, or it is held nowhere
    // else (FileRecord::textOnlyHere: the file gone or unreadable, or changed with the text kept
    // over it). An unedited text whose file changed and was not asked about yet is the file's
    // last read text, and counts only once kept.
    bool isUnsaved() const;
    // The user answered what the file record said at news `at` (kept the text over a change, or
    // was told of the deletion): told to fileModified when that ends a question. News after `at`
    // asks again.
    void answerFileNews(uint32_t at);
    // As answerFileNews, for the record's news now.
    void keepFileChange();
    const FacePreset& getFacePreset() const { return *m_facePreset; }
    // Takes the preset's values and tells facePresetChanged.
    void setFacePreset(const FacePreset& preset);

    // ---- notices, told in the order the handlers were added
    Notice<DocumentController&, const TextPosition&, uint8_t>& caretMoved() { return m_caretMoved; }
    Notice<DocumentController&, const Format&, const Format&>& formatChanged() { return m_formatChanged; }
    Notice<DocumentController&, const std::wstring&>& grammarChanged() { return m_grammarChanged; }
    Notice<DocumentController&, bool>& modifiedChanged() { return m_modifiedChanged; }
    Notice<DocumentController&, const std::wstring&>& pathChanged() { return m_pathChanged; }
    Notice<DocumentController&>& fileDeleted() { return m_fileDeleted; }
    // Told where isModifiedOnDisk changed, or whether the text is held only here (not where a
    // deletion, which fileDeleted tells, changed it).
    Notice<DocumentController&>& fileModified() { return m_fileModified; }
    // An edit (or undo, or redo) of a read-only document was refused; told once the
    // transaction that tried it has ended.
    Notice<DocumentController&>& editRefused() { return m_editRefused; }
    // Each change's first line and count of line breaks.
    Notice<DocumentController&, const TextChange&>& inserted() { return m_inserted; }
    Notice<DocumentController&, const TextChange&>& removed() { return m_removed; }
    Notice<DocumentController&, const ChangeRange&>& beginChange() { return m_beginChange; }
    Notice<DocumentController&, const ChangeRange&>& changed() { return m_changed; }
    Notice<DocumentController&, const FacePreset&>& facePresetChanged() { return m_facePresetChanged; }
    Notice<DocumentController&, IEditor*>& viewAttached() { return m_viewAttached; }
    Notice<DocumentController&, IEditor*>& viewDetached() { return m_viewDetached; }
    Notice<DocumentController&, TextHighlighter*, bool>& highlighterChanged() { return m_highlighterChanged; }
    Notice<DocumentController&, const PositionRange&>& selectionChanged() { return m_selectionChanged; }

    // ---- DocumentListener
    void onInserted(Document& document, const TextChange& change) override;
    void onRemoved(Document& document, const TextChange& change) override;
    void onBeginChange(Document& document, const ChangeRange& range) override;
    void onChanged(Document& document, const ChangeRange& range) override;
    void onFormatChanged(Document& document, const DocumentFormat& format, uint32_t mask) override;
    void onGrammarChanged(Document& document, const std::wstring& grammarName) override;
    void onParsed(Document& document, int32_t firstLine, int32_t lastLine) override;
    void onLineMarkersChanged(Document& document, int32_t line, int flag) override;
    void onFileChanged(Document& document, const DocumentFileChange& change) override;
    void onBeforeReload(Document& document) override;
    void onAfterReload(Document& document) override;

private:
    // Notes a refused edit: told at the end of the open transaction, or at once outside one.
    void refuseEdit();
    // The outermost unlock's work: the edit's end and the lock's release.
    void endTransaction();
    void onCaretMoved(const TextPosition& position, uint8_t flags);
    // The format copy, title and path from a record, telling what changed.
    void takeFormat(const DocumentFormat& format, uint32_t mask);
    // Tells fileModified and fileDeleted where the views of the file record changed since they
    // were last told.
    void tellFileViews();
    // Sets a field of the format that a save writes, in an edit transaction.
    void setSavedFormatField(uint32_t DocumentFormat::*field, uint32_t value);
    void resetEditingState();
    // The selected ranges as a span context named name, the selection collapsed: returns the
    // span of the newest range, every range's span in o_spans. Null for an empty selection, or
    // without a span tree (the selection then stays).
    Span* spanSelection(const std::wstring& name, std::vector<Span*>& o_spans);
    bool removeRangesDirectly();
    // Removes the text of the ranges (in offset order); the selection is left as it is.
    void removeRanges(const std::vector<SelectionRange>& ranges);
    // Types a copied block (typeText, rectangle): over as many ranges as it has lines, one line
    // in place of each range's text; else, the ranges' text removed, line by line from the first
    // range's start (or the caret) down.
    int32_t typeBlock(const wchar_t* text, int32_t length);
    // The carets that typing at several carets left as mirrors, the caret in one of them, as
    // empty ranges in offset order; the mirrors' context is left. None outside such a context.
    // o_column, when given, tells whether the mirrors were typed at a column's carets.
    std::vector<SelectionRange> leaveMirroredCarets(bool* o_column = nullptr);
    // The offsets' range widened to whole characters and cut to the text.
    std::pair<int32_t, int32_t> wholeCharacters(int32_t a, int32_t b) const;
    // The text read by the character queries, set to the document's text as it is now.
    pel::CharacterBoundaries& characters() const;
    // An edit at the offset: a count of characters before it stays true, one past it goes.
    void forgetCharacterCount(int32_t offset);
    // Puts texts[i] in place of the text of ranges[i] (in offset order); the caret goes behind
    // the last. Returns where the first went in.
    int32_t replaceRanges(const std::vector<SelectionRange>& ranges, const std::vector<std::wstring>& texts);
    // Line i goes in at the caret's column on the i-th line below the caret.
    int32_t insertBlockAtCaret(const std::vector<std::wstring>& lines);
    // One undo or redo walk, in replay transactions.
    bool replay(bool redo);
    // Priority 2 for a shown document's parse job, 3 (or out of the queue) for a hidden one.
    void updateParsePriority();
    // Removes the line break before or after a block and gives its text (no final break).
    std::wstring takeBlock(const LineRange& block);

    DocumentControllerManager& m_owner;
    void* m_context;
    uint32_t m_key;
    uint32_t m_lockDepth = 0;
    LockKind m_lockKind = LOCK_NONE;
    const ChangeRange* m_changeRecord = nullptr;
    std::unique_ptr<DocumentControllerSearchSession> m_searchSession;
    Notice<DocumentController&, const TextPosition&, uint8_t> m_caretMoved;
    std::unique_ptr<Selection> m_selection;
    std::unique_ptr<ISpanManager> m_spanManager;
    Notice<DocumentController&, const Format&, const Format&> m_formatChanged;
    Notice<DocumentController&, const std::wstring&> m_grammarChanged;
    Notice<DocumentController&, bool> m_modifiedChanged;
    Notice<DocumentController&, const std::wstring&> m_pathChanged;
    Format m_format;
    std::wstring m_title;
    std::wstring m_path;
    std::wstring m_grammarName;
    Notice<DocumentController&> m_fileDeleted;
    Notice<DocumentController&> m_fileModified;
    Notice<DocumentController&> m_editRefused;
    bool m_editWasRefused = false; // in the open transaction
    // The views of the document's file record as last told to fileDeleted and fileModified.
    struct FileViews {
        bool deleted = false;
        bool modified = false;
        bool onlyHere = false;
    } m_toldFile;
    Notice<DocumentController&, const TextChange&> m_inserted;
    Notice<DocumentController&, const TextChange&> m_removed;
    Notice<DocumentController&, const ChangeRange&> m_beginChange;
    Notice<DocumentController&, const ChangeRange&> m_changed;
    Document& m_document;
    std::unique_ptr<FacePreset> m_facePreset;
    IEditor* m_view = nullptr;
    IEditor* m_savedView = nullptr; // across a reload
    Notice<DocumentController&, const FacePreset&> m_facePresetChanged;
    Notice<DocumentController&, IEditor*> m_viewAttached;
    Notice<DocumentController&, IEditor*> m_viewDetached;
    uint32_t m_bracketDepth = 0;
    int m_longEdits = 0;
    PositionRange m_pendingRange;
    bool m_pendingChange = false;
    std::vector<TextHighlighter*> m_highlighters;
    mutable std::unique_ptr<pel::CharacterBoundaries> m_characters; // made on first use
    // The last count of getCharacterColumn: the characters from a line's start to an offset. The
    // next count on that line goes on from it, so that a caret on a line of megabytes is counted
    // by what it moved over.
    struct CharacterCount {
        int32_t from = -1;
        int32_t to = -1;
        int32_t characters = 0;
    };
    mutable CharacterCount m_characterCount;
    // The span context of the mirrors last typed at, when they were a column's carets; compared
    // only with a context found alive, and set anew with every such context made.
    const Span* m_columnMirrors = nullptr;
    Notice<DocumentController&, TextHighlighter*, bool> m_highlighterChanged;
    Notice<DocumentController&, const PositionRange&> m_selectionChanged;
};

} // namespace tessel

#pragma once
// The text model of one open file: a gap buffer of UTF-16 units whose line breaks are single
// line feeds, its line table with per-line parse records and markers, the format record, the
// listeners, and the change bracket that makes a group of edits one undo step and one re-parse
// request. Text, lines, markers, listeners and brackets belong to the main thread; the loader
// thread fills a document while the main thread waits, and parser workers read the text and
// write line records while they hold the lock's mutex.

#include "service/document/DocumentChange.h"
#include "service/document/DocumentFormat.h"
#include "service/document/FileRecord.h"
#include "service/document/GapBuffer.h"
#include "service/document/LineTable.h"
#include "service/document/PositionManager.h"
#include "service/parser/base/LineRecord.h"
#include "service/parser/base/TextRangeSource.h"

#include "pel/base/FreedAccessTrap.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/Mutex.h"
#include "pel/thread/Semaphore.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pel {
class WatchedObject;
}

namespace tessel {

class DocumentController;
class DocumentGrammar;
class DocumentListener;
class DocumentOwner;
class DocumentScope;
class DocumentScopeRegistry;
class DocumentStyler;
class Finder;
class ParserClient;
class ParserJob;
class UndoContext;
struct LineScopeIterator;

// Also the text that replace formats read match groups from.
class Document : public ITextRangeSource, public pel::FreedAccessTrap {
public:
    // The line-feed scratch list keeps this much room between brackets.
    static constexpr size_t LINE_FEEDS_KEPT = 256;
    // Lines scanLines gives a detector at most (from 0, this one included).
    static constexpr int32_t SCAN_LINES = 2048;
    // A line's number, start offset and text (without its line feed); false stops the scan.
    using LineScan = std::function<bool(int32_t line, int32_t start, const wchar_t* text, int32_t length)>;

    // Main thread only (it takes its own lock to set no grammar). Without an owner the document
    // has no undo log and no parser, and uses the null scope registry and styler.
    explicit Document(DocumentOwner* owner = nullptr);
    ~Document() override;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Unique in the process.
    uint32_t getId() const { return m_id; }
    DocumentOwner* getOwner() const { return m_owner; }

    // The Document lock: a nesting count over a mutex, on the main thread (else
    // pel::IllegalStateException "Not a main thread."). Other threads take the mutex alone.
    void lock();
    void unlock();
    int32_t getLockCount() const { return m_lockCount; }
    pel::LegacyMutex& getLockMutex() { return m_lockMutex; }
    // The main thread holds the mutex for the loader while the loader saves the document (it
    // only reads it), from before the save is queued until it is over, so that no parse worker
    // runs meanwhile. Holds nest (a save asked inside the wait of another one). The mutex knows
    // no owner and is no lock to take twice: while this thread holds it, for the loader or
    // through the lock, neither the lock nor the loader waits for it again, so the window
    // reads and paints the document meanwhile. Main thread only.
    void holdMutexForLoader();
    void releaseMutexForLoader();
    bool isMutexHeldForLoader() const { return m_loaderHolds.load() > 0; }
    // What the loader does with the document while the main thread waits for it; set by the
    // DocumentManager around the request, with the count at 0. While the loader saves it, the
    // mutex is held for it (above). While the loader fills it, the lock waits for the loader
    // as ever. While the loader reads its file again into a document aside (a reload), the
    // loader leaves it alone and the lock takes the mutex as ever. In each case an edit is
    // refused (pel::IllegalStateException): it would be written over or lost.
    enum LoaderAccess : uint32_t { LOADER_NONE = 0, LOADER_READS = 1, LOADER_WRITES = 2, LOADER_RELOADS = 3 };
    void setLoaderAccess(LoaderAccess access) { m_loaderAccess = access; }
    LoaderAccess getLoaderAccess() const { return m_loaderAccess; }

    // Opened for reading only: its controllers refuse every edit, undo and redo included (a
    // reload from its file still comes in). Main thread only.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }

    // accessFormat(true) enters the format lock and returns the record to read or write;
    // accessFormat(false) notifies the listeners of what changed since the last notification
    // (under the lock) and leaves it, returning null.
    DocumentFormat* accessFormat(bool enter);
    // The same pair around change(format), leaving the lock even when something throws.
    template <class Change>
    void changeFormat(Change&& change);
    // A copy of the current record, taken under the lock.
    DocumentFormat getFormat() const;

    // Text.
    int32_t getLength() const { return m_buffer.length(); }
    // The unit at offset (0 <= offset < length, unchecked).
    wchar_t charAt(int32_t offset) const { return m_buffer.at(offset); }
    const GapBuffer& getBuffer() const { return m_buffer; }
    // The text of [offset, offset + length), cut to the document.
    std::wstring getText(int32_t offset, int32_t length) const;
    // Appends the text of [begin, end), cut to the document.
    void appendTextRange(int begin, int end, std::wstring* io_out) const override;
    // Nothing happens for an offset outside 0..length, a length below 1 or no text. A text that
    // cannot be made room for throws pel::OutOfMemoryException before anyone hears of it.
    void insert(int32_t offset, int32_t length, const wchar_t* text, bool fromSpan = false);
    // Line breaks in a document are single line feeds, and every way text comes in prepares it
    // so. Text that still holds a CR is logged (a soft assertion) and its breaks made line
    // feeds in o_storage, which io_text and io_length then point into.
    static void keepLineFeedsOnly(const wchar_t*& io_text, int32_t& io_length, std::wstring& o_storage);
    void insert(int32_t offset, const std::wstring& text, bool fromSpan = false) {
        insert(offset, static_cast<int32_t>(text.size()), text.c_str(), fromSpan);
    }
    // Nothing happens for an offset outside 0..length - 1; the length is cut to the text
    // behind offset, and nothing happens when that leaves none.
    void remove(int32_t offset, int32_t length, bool fromSpan = false);
    // Runs the finder over the whole document (positions 0 to length), searching from position
    // `from` to position `to`, both kept within the text.
    bool runFinder(Finder& finder, int32_t from, int32_t to, bool backward);

    // The change bracket: one undo transaction (unless withoutUndo) and, at its end, the
    // modified flag, one re-parse request for the lines touched and onChanged.
    void beginChange(uint32_t tag, bool withoutUndo);
    void endChange();
    const ChangeRange& getChangeRange() const { return m_changeRange; }
    // While held (holds nest), the re-parse requests of the change brackets that close are
    // gathered into one, made as the last hold ends: a long edit made in many brackets has its
    // lines parsed again once, not a long line at every bracket.
    void holdParseRequests() { ++m_parseHolds; }
    void releaseParseRequests();
    // The change brackets closed so far: a text edited since the count was read has a higher one.
    uint32_t getChangeCount() const { return m_changeCount; }
    // The identity of the edit source that undo transactions record (the controller sets it).
    void setTransactionKey(uint32_t key) { m_transactionKey = key; }
    uint32_t getTransactionKey() const { return m_transactionKey; }

    // Lines, numbered from 0.
    int32_t getLineCount() const { return m_lines.count(); }
    // 0 for line <= 0, the length for a line past the end.
    int32_t getLineStart(int32_t line) const { return m_lines.start(line); }
    // Without the line feed; 0 for a line outside the table.
    int32_t getLineLength(int32_t line) const;
    int32_t getLineLengthWithBreak(int32_t line) const;
    int32_t findLine(int32_t offset) const { return m_lines.findLine(offset); }
    const LineTable& getLineTable() const { return m_lines; }
    // Throws pel::InvalidArgumentException for a line outside the table.
    LineHeader* getLineHeader(int32_t line);
    // Frees the parse records of the lines first..last and marks them as needing parsing.
    void clearParsedLines(int32_t first, int32_t last) { m_lines.clearParsedLines(first, last); }
    // The runs of the line's parse record, or null when it has none; throws
    // pel::IllegalStateException "Invalid line requested." for a line outside the table.
    std::unique_ptr<LineRuns> getLine(int32_t line) const;
    // A cursor over the line's runs, or over the root scope when it has none; null when there
    // is no root either.
    std::unique_ptr<LineScopeIterator> createLineScopeIterator(int32_t line) const;
    // The scope record at offset: of the last run of its line that starts at or before its
    // column, else the root record, else null.
    const DocumentScope* getScopeAt(int32_t offset) const;
    // The visual width of the first charIndex characters of the line (tabs to the next multiple
    // of the tab width); characters past the line's end count 1 each.
    int32_t getVisualColumn(int32_t line, int32_t charIndex) const;
    // Gives the lines 0 to min(line count, SCAN_LINES) to scan until it answers false; returns
    // the line where it stopped (one past the last line given when it never did).
    int32_t scanLines(const LineScan& scan) const;

    // Markers of lines.
    void setLineMarker(int32_t line, const wchar_t* text, uint32_t value, uint32_t kind);
    void removeLineMarkers(int32_t line, uint32_t kind);
    void removeAllLineMarkers(uint32_t kind);
    // The next line after (or before) line with any marker, -1 when none; with wrap the search
    // goes round once.
    int32_t findMarkedLine(int32_t line, bool forward, bool wrap) const;
    // Null for a line outside the table or without markers yet.
    const std::vector<LineMarker>* getLineMarkers(int32_t line) const;

    // Listeners, told in the order added. One may remove itself, or another, while it is told.
    void addListener(DocumentListener* listener);
    void removeListener(DocumentListener* listener);
    void notifyParsed(int32_t firstLine, int32_t lastLine);
    // News of the file: the file record takes it (the file as found: `now`), and the listeners
    // hear it when it changed the record, or always with `always`. Main thread.
    void noteFile(DocumentFileChangeKind kind, const FileStamp& now, bool always,
                  const pel::WatchNotification* record = nullptr);
    // A read of the file's bytes (FileRecord::takeRead): the listeners hear it when it changed the
    // record. Main thread.
    void noteRead(const FileVersion& read);
    // A read or write of the file succeeded, leaving it as `took`, and it was then found as
    // `now`: the record takes both, and the listeners hear how the file stands.
    void tookFile(const FileVersion& took, const FileStamp& now);
    // News of the file as found by whoever tells it (no stamp: the file as last known), always
    // heard.
    void notifyFileChanged(const DocumentFileChange& change);
    void notifyLoaded();
    void notifyBeforeReload();
    void notifyAfterReload();

    // The controllers opened on this document.
    bool addController(DocumentController* controller);
    bool removeController(DocumentController* controller);
    const std::vector<DocumentController*>& getControllers() const { return m_controllers; }

    // Grammar and parsing.
    void setGrammarName(const std::wstring& name);
    const std::wstring& getGrammarName() const { return m_grammarName; }
    const DocumentGrammar* getGrammar() const { return m_grammar; }
    void setGrammarInternal(const DocumentGrammar* grammar);
    void resetGrammarState(const DocumentGrammar* grammar, bool force);
    // Not owned: the DocumentManager makes and destroys the job.
    void setParserJob(ParserJob* job) { m_parserJob = job; }
    ParserJob* getParserJob() const { return m_parserJob; }
    DocumentScopeRegistry& getScopeRegistry() const { return *m_scopeRegistry; }
    DocumentStyler& getStyler() const { return *m_styler; }

    // Loading and saving.
    // Back to an empty text in UTF-8 with an empty undo log.
    void reset();
    // As reset, then setBuffer: the loaded text in place of the current one. When the text or
    // its line table cannot be taken (the exceptions of setBuffer), the document stays as it was.
    void resetWithBuffer(GapBuffer&& buffer, const int32_t* lineFeeds, int32_t count);
    // Takes a loaded text; lineFeeds are the count absolute offsets behind its line feeds, in
    // order. Offsets that do not fit the text throw pel::InvalidArgumentException, the document
    // unchanged.
    void setBuffer(GapBuffer&& buffer, const int32_t* lineFeeds, int32_t count);
    // The same, taking the block of the line feeds' offsets over for the line table (it is left
    // empty once taken).
    void resetWithBuffer(GapBuffer&& buffer, LineEnds&& lineFeeds);
    void setBuffer(GapBuffer&& buffer, LineEnds&& lineFeeds);
    // Trades text and lines with a document the loader filled aside (a reload), which is left
    // with the old ones; no line feeds kept, no undo. The format is the caller's to change.
    void takeLoadedText(Document& loaded);
    // Empties the undo log and clears the modified flag.
    void clearUndo();
    UndoContext& getUndoContext() const { return *m_undo; }
    PositionManager& getPositions() { return m_positions; }

    pel::WatchedObject* getWatchEntry() const { return m_watchEntry; }
    void setWatchEntry(pel::WatchedObject* entry) { m_watchEntry = entry; }
    // The entry of the file the name leads to, when the name is a link (DocumentWatch).
    pel::WatchedObject* getTargetWatchEntry() const { return m_targetWatchEntry; }
    void setTargetWatchEntry(pel::WatchedObject* entry) { m_targetWatchEntry = entry; }
    // What is known of the document's file on disk (main thread). Changed through noteFile and
    // by the DocumentManager's reads and writes; the user's answers are recorded in it.
    FileRecord& getFileRecord() { return m_fileRecord; }
    const FileRecord& getFileRecord() const { return m_fileRecord; }

private:
    // What a reset does besides taking the new text: no line feeds kept, no undo, UTF-8.
    void resetAroundText();
    // Throws pel::IllegalStateException while the loader saves or fills the text.
    void refuseWhileSaving() const;
    bool mainThreadHoldsMutex() const;
    // Counts a hold of the main thread (the lock's or the loader's), taking the mutex for the
    // first hold of either; the release gives it back with the last.
    template <class Count>
    void takeMutexCounted(Count& count);
    template <class Count>
    void releaseMutexCounted(Count& count);
    template <class Call>
    void notify(const Call& call);
    void notifyFormatChanged(uint32_t mask);
    void pruneListeners();
    ParserClient* getParserClient() const;

    uint32_t m_id;
    DocumentOwner* m_owner;
    int32_t m_lockCount = 0;
    LoaderAccess m_loaderAccess = LOADER_NONE;
    std::atomic<int32_t> m_loaderHolds{0}; // holds of the mutex for the loader, by the main thread
    bool m_readOnly = false;
    pel::WatchedObject* m_watchEntry = nullptr;
    pel::WatchedObject* m_targetWatchEntry = nullptr;
    FileRecord m_fileRecord;
    std::unique_ptr<DocumentStyler> m_styler;
    std::unique_ptr<DocumentScopeRegistry> m_scopeRegistry;
    const DocumentGrammar* m_grammar = nullptr;
    std::wstring m_grammarName;
    ParserJob* m_parserJob = nullptr;
    std::vector<DocumentController*> m_controllers;
    pel::LegacyMutex m_lockMutex;
    mutable pel::Mutex_Impl m_formatLock;
    GapBuffer m_buffer;
    DocumentFormat m_format;
    DocumentFormat m_formatSnapshot;
    ChangeRange m_changeRange;
    uint32_t m_changeCount = 0;
    int m_parseHolds = 0;
    ChangeRange m_heldParse; // the lines edited while parse requests were held

    LineTable m_lines;
    std::unique_ptr<UndoContext> m_undo;
    PositionManager m_positions;
    std::vector<int32_t> m_lineFeeds;
    std::vector<DocumentListener*> m_listeners;
    int m_notifyDepth = 0;         // notifications running on the main thread
    bool m_listenersRemoved = false; // entries emptied while told, dropped when the last ends
    uint32_t m_transactionKey = 0;
};

// Holds a Document's lock (on the main thread) for its scope.
using DocumentLockHold = pel::ScopedLock<Document>;

template <class Call>
void Document::notify(const Call& call) {
    if (!pel::is_main_thread()) {
        // Another thread (the loader, while the main thread waits) reads a copy and leaves the
        // main thread's bookkeeping alone.
        const std::vector<DocumentListener*> listeners = m_listeners;
        for (DocumentListener* listener : listeners)
            if (listener)
                call(*listener);
        return;
    }
    // Listeners added while this runs are not told; removed ones leave an empty entry behind
    // until the outermost notification ends, so positions stay put.
    struct Depth {
        Document& document;
        explicit Depth(Document& d) : document(d) { ++document.m_notifyDepth; }
        ~Depth() {
            if (--document.m_notifyDepth == 0 && document.m_listenersRemoved)
                document.pruneListeners();
        }
    } depth(*this);
    const size_t count = m_listeners.size();
    for (size_t i = 0; i < count; ++i)
        if (DocumentListener* listener = m_listeners[i])
            call(*listener);
}

template <class Change>
void Document::changeFormat(Change&& change) {
    DocumentFormat* format = accessFormat(true);
    try {
        change(*format);
    } catch (...) {
        accessFormat(false);
        throw;
    }
    accessFormat(false);
}

} // namespace tessel

#pragma once
// The undo log of one Document: a file on the temporary device ("vtmp:undo...") holding a
// chain of typed records, written while the document changes and walked backwards (undo) or
// forwards (redo) one group at a time. Each change bracket of the document is a transaction
// between two markers; runs of typed characters from one edit source at consecutive offsets
// join into one group. Writers of their own kinds stage a record through beginRecord, write
// and endRecord; readers take the payload of the record being applied through read.
//
// Without a working log (none could be made, or a write failed and it was dropped) nothing is
// recorded and every edit counts as unsaved until the next save.
//
// The temporary device keeps a log's first 32 KB in memory and the rest in the temporary folder:
// document text can reach the disk there. The file goes with the document; a crash leaves it.

#include "service/base/Stream.h"
#include "service/document/undo/UndoJournal.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pel {
class File;
}

namespace tessel {

class Document;
class UndoListener;
class UndoManager;
struct TextChange;

enum UndoMode : uint32_t {
    UNDO_IDLE = 0,
    UNDO_RECORDING = 1, // inside a transaction
    UNDO_UNDOING = 2,
    UNDO_REDOING = 3,
};

// Typing classes of a transaction, as its markers store them.
enum UndoTypingClass : uint32_t {
    TYPING_NONE = 0, // nothing yet, or other changes (stored for TYPING_OTHER)
    TYPING_CHARACTERS = 1,
    TYPING_TAB = 2,
    TYPING_REMOVAL = 3,
    TYPING_OTHER = 4,
};

class UndoContext : public Stream {
public:
    // Bytes of a transaction marker's payload: key, offset, flags.
    static constexpr uint32_t MARKER_PAYLOAD = 9;
    // savedPos once the saved state was thrown away with redo history.
    static constexpr uint32_t UNREACHABLE = 0xFFFFFFFF;

    // Without a manager there is no log.
    UndoContext(UndoManager* manager, Document* document);
    ~UndoContext() override;
    UndoContext(const UndoContext&) = delete;
    UndoContext& operator=(const UndoContext&) = delete;

    // Stages payload bytes of the record begun with beginRecord; returns the count taken.
    uint32_t write(const void* data, uint32_t size) override;
    // Payload bytes of the record being applied or dumped; returns the count read.
    uint32_t read(void* data, uint32_t size) override;

    UndoMode getMode() const { return m_mode; }
    Document* document() const { return m_document; }
    UndoManager* manager() const { return m_manager; }

    // Recording, inside a transaction only.
    void beginRecord(uint32_t kind);
    void endRecord();
    void recordInsert(const TextChange& change);
    void recordRemove(const TextChange& change);
    // An edit made outside any walk that the log does not hold: the document now differs from
    // its saved state for good.
    void noteUnrecordedEdit();
    // A change the log does not hold (such as a new encoding) made in or out of a transaction:
    // the document differs from its saved state until the next save, whatever undo does.
    void noteUnloggedChange() { m_changedWithoutLog = true; }
    void beginTransaction();
    void endTransaction();
    // Inside a transaction that has recorded nothing yet: it and the transaction before it become
    // one group, when that was the last one recorded, under the same key, and the log was not
    // walked, saved or cleared since; false, changing nothing, otherwise.
    bool continueLastTransaction();

    // One group back or forth; nothing without a log, inside a transaction or at the end.
    void undo();
    void redo();
    // The same in steps, for a group long enough to walk with pauses: startWalk begins one
    // (false when there is nothing to walk), and each walkOn applies records, asking `goOn`
    // after each; once it answers false the step ends, the walk left inside the group for the
    // next step to go on with, and walkOn answers false. True once the group is walked. Between
    // steps the log is idle; a record written or another walk meanwhile ends the walk.
    bool startWalk(bool redo);
    bool walkOn(const std::function<bool()>& goOn);
    bool canUndo() const { return m_journal && m_mode == UNDO_IDLE && m_journal->pos() > 0; }
    bool canRedo() const { return m_journal && m_mode == UNDO_IDLE && m_journal->pos() < m_journal->end(); }

    // The record being applied or dumped.
    uint32_t currentKind() const { return m_journal ? m_journal->kind() : UndoJournal::NO_KIND; }
    uint32_t payloadSize() const { return m_journal ? m_journal->capacity() : 0; }

    // The saved state: the save path marks it; the document is modified while pos differs.
    uint32_t getPos() const { return m_journal ? m_journal->pos() : 0; }
    uint32_t getSavedPos() const { return m_savedPos; }
    void markSaved();
    bool isModified() const;

    bool hasLog() const { return m_journal != nullptr; }
    void openLog();
    void closeLog();
    // A new, empty log; the current state counts as saved.
    void clear();
    const UndoJournal* journal() const { return m_journal.get(); }
    UndoLogFile* logFile() const { return m_log.get(); }

    // Listeners of this log only: one per kind id, and those told about every transaction and
    // group.
    bool setKindListener(uint32_t id, UndoListener* listener);
    void addListener(UndoListener* listener);
    void removeListener(UndoListener* listener);

    // Appends a line for every record from the start of the log (markers, then each kind
    // through its listener).
    void dump(std::wstring& out);

private:
    friend class UndoManager;
    enum GroupStep { GROUP_GO_ON, GROUP_STOP };
    // Flags of a transaction marker: begin (else end), the typing class, a break before it, and
    // on a begin marker that the transaction continues the one before it.
    static constexpr uint8_t MARKER_BEGIN = 0x01;
    static constexpr uint8_t MARKER_CLASS = 0x06;
    static constexpr uint8_t MARKER_BREAK = 0x08;
    static constexpr uint8_t MARKER_CONTINUES = 0x10;

    bool writeMarker(bool begin);
    bool patchBeginMarker(uint32_t typingClass);
    void finishTransaction();
    // Moves what is staged in memory into the staging file; false when that failed.
    bool spillStaged();
    // Writes the change as a document record; false when nothing was written.
    bool writeChange(const TextChange& change, bool inserted);
    // The walk under way: none, an undo or a redo, and where its last step left the log.
    enum WalkState { WALK_NONE, WALK_UNDO, WALK_REDO };
    WalkState m_walk = WALK_NONE;
    UndoPosition m_walkAt;
    GroupStep groupStep(bool redo);
    void applyRecord();
    void dumpMarker(std::wstring& out, const wchar_t* prefix);
    // Tells the global listeners, then this log's own.
    void tell(void (UndoListener::*operation)(UndoContext&));
    void releaseStaging();
    // Gives up the log after a failed read or write; one warning line says why.
    void dropLog(const wchar_t* what);
    void detachManager();

    UndoManager* m_manager;
    Document* m_document;
    UndoListener* m_listeners[64] = {};
    std::vector<UndoListener*> m_contextListeners;
    UndoMode m_mode = UNDO_IDLE;
    UndoPosition m_savedWalk;
    uint32_t m_groupCount = 0;
    uint32_t m_lastKey = 0;
    uint32_t m_lastClass = 0;
    uint32_t m_lastOffset = 0;
    bool m_lastContinues = false; // the group's begin marker met last continues the transaction before it
    uint32_t m_typedOffset = 0;
    wchar_t m_typedChar = 0;
    uint32_t m_typingClass = TYPING_NONE;
    pel::File* m_logFile = nullptr;
    std::wstring m_logPath;
    std::unique_ptr<UndoLogFile> m_log;
    std::unique_ptr<UndoJournal> m_journal;
    std::unique_ptr<UndoJournal> m_savedJournal; // the main journal while writing behind redo history
    uint32_t m_savedPos = 0;
    UndoPosition m_savedState;
    bool m_wroteRecord = false;
    pel::File* m_staging = nullptr;
    uint32_t m_recordKind = UndoJournal::NO_KIND;
    uint32_t m_stagedBytes = 0;
    // A staged record is kept here while it is small (selection records, a few dozen bytes per
    // edit); it moves to the staging file once it grows beyond that.
    std::vector<unsigned char> m_stagedInMemory;
    bool m_spilled = false;
    uint32_t m_beginMarkerAt = 0; // of the open transaction, in the current journal
    uint32_t m_beginMarkerHeader = 0;
    uint8_t m_beginFlags = 0;
    // Where the last transaction recorded ends, and its key: what a transaction may continue.
    uint32_t m_continuableEnd = UNREACHABLE;
    uint32_t m_continuableKey = 0;
    bool m_changedWithoutLog = false;
};

} // namespace tessel

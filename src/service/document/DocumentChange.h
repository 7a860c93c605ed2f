#pragma once
// The records a Document hands its listeners and its undo recorder: one text change, the open
// change bracket that gathers the lines a group of changes touched, and a change of the file
// on disk.

#include <cstdint>

namespace pel {
struct WatchNotification;
}

namespace tessel {

struct TextChange {
    bool fromSpan = false; // passed through from the caller: a span made the edit
    int32_t offset = 0;
    int32_t length = 0;
    const wchar_t* text = nullptr; // the inserted or removed units, valid during the call
    int32_t firstLine = 0;         // the line of offset
    int32_t lineBreaks = 0;        // line feeds inserted or removed
    // For an insert: the position behind each line feed of text, relative to its start; null
    // for a removal.
    const int32_t* lineFeeds = nullptr;
};

struct ChangeRange {
    int32_t firstLine = -1; // -1: nothing changed
    int32_t lastLine = -1;
    bool active = false; // a bracket is open
    bool withoutUndo = false;
    bool begun = false; // set by every beginChange
    uint32_t tag = 0;
};

// News of a document's file, in the controller's kinds: the file is as last read or written, it
// was written (or made anew, or another file took its name) outside, it is gone, or a read of it
// failed.
enum DocumentFileChangeKind : uint32_t {
    FILE_CHANGE_IN_SYNC = 0,
    FILE_CHANGE_MODIFIED = 1,
    FILE_CHANGE_DELETED = 3,
    FILE_CHANGE_UNREADABLE = 4,
};

struct DocumentFileChange {
    DocumentFileChangeKind kind = FILE_CHANGE_IN_SYNC;
    // The watcher's record it was made from (its own kinds), valid during the notification; null
    // when the change does not come from the watcher.
    const pel::WatchNotification* record = nullptr;
};

} // namespace tessel

#pragma once
// The span tree of one DocumentController as the controller uses it: snippet fields and the
// ranges of multi-range edits are spans that follow the text as it changes. Every insertion and
// removal the controller makes goes through it, so that the spans grow, shrink and mirror; it
// leaves the spans the caret moved out of, names the spans around the caret for the caret's
// scope, moves Tab between a snippet's tab stops, and saves and restores the tree with each undo
// step ("Spans" records).

#include <cstdint>
#include <string>

namespace tessel {

class ScopePath;
class Span;
class Stream;

class ISpanManager {
public:
    virtual ~ISpanManager() = default;

    // Inserts text into the document at offset inside the innermost span there, grows the spans
    // and their mirrors; returns the offset where the text now starts.
    virtual int32_t onInsert(int32_t offset, int32_t length, const wchar_t* text) = 0;
    // The same for removing length units at offset.
    virtual int32_t onRemove(int32_t offset, int32_t length) = 0;
    // Leaves every snippet context that does not cover [first, last]; the innermost span that
    // does becomes current and is returned (null when the tree has no span objects).
    virtual Span* leaveSpansOutside(int32_t first, int32_t last) = 0;
    // Drops every span: one root context as long as the text.
    virtual void reset(int32_t documentLength) = 0;
    // Pushes the names of the current span and the spans around it onto path.
    virtual void appendScopes(ScopePath& path) = 0;
    // The tree as a "Spans" undo record, and back.
    virtual void saveUndoState(Stream& record) = 0;
    virtual void restoreUndoState(Stream& record) = 0;
    // Appends the text of a "Spans" record, each line begun with prefix.
    virtual void dumpUndoState(Stream& record, std::wstring& out, const wchar_t* prefix) = 0;
    // Tab and Shift+Tab in a snippet: selects the next (or previous) tab stop, or leaves the
    // snippet past its last one. False when no snippet takes the key.
    virtual bool gotoTabStop(bool forward) = 0;
    // Leaves the active snippet (or multi-range context); false when there is none.
    virtual bool leaveActiveContext() = 0;
};

} // namespace tessel

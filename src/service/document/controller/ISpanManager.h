#pragma once
// The span tree of one DocumentController as the controller uses it: snippet fields and the
// ranges of multi-range edits are spans that follow the text as it changes. Every insertion and
// removal the controller makes goes through it, so that the spans grow, shrink and mirror; it
// leaves the spans the caret moved out of, names the spans around the caret for the caret's
// scope, moves Tab between a snippet's tab stops, and saves and restores the tree with each undo
// step ("Spans" records).
//
// Span contexts of ranges (the ranges of a multi-range edit, a search area) are made and read
// through it too: the controller names their spans by pointer and never looks inside them.

#include "service/document/controller/SelectionRange.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class ScopePath;
class Span;
class Stream;

// Where a span lies, and for the span of a selection range the range's id (-1: none) and
// direction (-1 backward, 0 empty, 1 forward).
struct SpanExtent {
    int32_t start = 0;
    int32_t length = 0;
    int32_t direction = 1;
    int32_t rangeId = -1;
    int32_t end() const { return start + length; }
};

class ISpanManager {
public:
    // Context flags the controller asks for: a context that can be active (tints its tab stops),
    // and one that editing or moving the caret outside it does not end (a search area: only
    // dropping it, or a reset, ends it).
    static constexpr uint32_t CONTEXT_CAN_BE_ACTIVE = 1;
    static constexpr uint32_t CONTEXT_KEPT = 8;

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

    // ---- span contexts of ranges
    // A context named name over the ranges (in offset order), with one span per range: its
    // extent, the range's id and direction. It goes under the innermost span that holds all of
    // them (spans around the current one that do not are left first, and spans there that the
    // context would overlap are dropped). Returns the span of the range with the highest id,
    // whose parent is the context; null without ranges or without a span tree.
    virtual Span* createSpanContext(const std::vector<SelectionRange>& ranges, const std::wstring& name,
                                    uint32_t contextFlags) = 0;
    // The context a span belongs to (itself for a context).
    virtual Span* getContextOf(Span* span) = 0;
    // The children of a span, in document order.
    virtual void getChildren(Span* span, std::vector<Span*>& o_children) = 0;
    virtual SpanExtent getExtent(const Span* span) const = 0;
    // Makes span an occurrence of tab stop index of its context; the first bound is the primary.
    virtual void bindTabStop(Span* span, int32_t index) = 0;
    // Puts text in place of the span's text; its mirrors follow.
    virtual void replaceSpanText(Span* span, int32_t length, const wchar_t* text) = 0;
    virtual void setCurrentSpan(Span* span) = 0;
    virtual Span* getCurrentSpan() const = 0;
    // Leaves a context: its parent becomes current, the context and its spans go.
    virtual void leaveSpanContext(Span* context) = 0;
    // Drops a span with its children; the current span moves out of it if it was inside.
    virtual void destroySpan(Span* span) = 0;
    // The first context of that name in the tree (pre-order), or null.
    virtual Span* findContext(const std::wstring& name) = 0;
};

} // namespace tessel

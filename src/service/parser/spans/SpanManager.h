#pragma once
// The span tree of one DocumentController: a root context that always covers the whole text,
// the snippets and multi-range contexts under it, the current span (where the caret is) and the
// active context whose tab stops are tinted. Every insertion and removal the controller makes
// comes through here: the edit goes into the innermost span that holds it (or the current
// span), which grows or shrinks with its ancestors while every other span stays on its own text,
// and the mirrors follow. Tab and Shift+Tab walk a snippet's tab stops; the tree is saved and
// restored with each undo step. Main thread only.

#include "service/document/controller/ISpanManager.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace tessel {

class DocumentController;
class DocumentControllerManager;
class SpanContext;
class SpanHighlighter;
class SpanReader;

class SpanManager : public ISpanManager {
public:
    // A root as long as the controller's text, current and active; the highlighter registers
    // with the controller.
    explicit SpanManager(DocumentController& controller);
    ~SpanManager() override;
    SpanManager(const SpanManager&) = delete;
    SpanManager& operator=(const SpanManager&) = delete;

    // Gives every controller the manager makes from now on a SpanManager.
    static void install(DocumentControllerManager& controllers);

    // Inserts text at position into the innermost span there after leaving the spans that do
    // not hold it; returns where the text went in, moved with the span by mirrors before it.
    int32_t onInsert(int32_t position, int32_t length, const wchar_t* text) override;
    // Removes [position, position + length) in the same way.
    int32_t onRemove(int32_t position, int32_t length) override;
    // From the current span outwards, drops every span that does not hold [first, last] (a span
    // right under the root takes every snippet with it); returns the first that does, current.
    Span* leaveSpansOutside(int32_t first, int32_t last) override;
    void reset(int32_t documentLength) override;
    // Pushes the name of every span from the current one outwards (not copied, value 0).
    void appendScopes(ScopePath& path) override;
    // The tree in pre-order (serials from 0): per span its class tag, parent serial (-1 for the
    // root) and context serial; then each span's record; then the current span's serial.
    void saveUndoState(Stream& record) override;
    // Takes the tree of a record; a damaged one leaves the root alone (and is logged).
    void restoreUndoState(Stream& record) override;
    void dumpUndoState(Stream& record, std::wstring& out, const wchar_t* prefix) override;
    // Tab (forward) or Shift+Tab in the nearest snippet: selects the next or previous enabled
    // tab stop's primary (after the last numbered one the final stop 0, which ends the snippet);
    // with none left the snippet ends with the caret at its end. False outside a snippet.
    bool gotoTabStop(bool forward) override;
    bool leaveActiveContext() override;

    // Span contexts of ranges (SpanManagerContexts.cpp).
    Span* createSpanContext(const std::vector<SelectionRange>& ranges, const std::wstring& name,
                            uint32_t contextFlags) override;
    Span* getContextOf(Span* span) override;
    void getChildren(Span* span, std::vector<Span*>& o_children) override;
    SpanExtent getExtent(const Span* span) const override;
    void bindTabStop(Span* span, int32_t index) override;
    void replaceSpanText(Span* span, int32_t length, const wchar_t* text) override;
    void leaveSpanContext(Span* context) override;
    void destroySpan(Span* span) override;
    Span* findContext(const std::wstring& name) override;

    // Makes span current, its context entered and the nearest context that can be active,
    // active (tinted).
    void setCurrentSpan(Span* span) override;
    // Leaves a context: its parent span becomes current and it is destroyed (the root only loses
    // its children). Returns the span now current.
    Span* leaveContext(SpanContext* context);
    // "Span count = " and the count, then every span as " [start, length] PI=parent CI=context",
    // its children between "   [[ " and " ]]\n" (serials renumbered in pre-order).
    void dump(std::wstring& out);
    // The spans of the tree, the root included.
    int32_t countSpans() const;

    DocumentController& getController() const { return m_controller; }
    SpanContext& getRoot() const { return *m_root; }
    Span* getCurrentSpan() const override { return m_current; }
    SpanContext* getCurrentContext() const { return m_currentContext; }
    SpanContext* getActiveContext() const { return m_activeContext; }
    SpanHighlighter& getHighlighter() const { return *m_highlighter; }

private:
    friend class Span;

    // A subtree is about to leave the tree: a current span inside it gives way to its parent,
    // and the moves waiting for its spans are dropped.
    void spansLeaving(Span& subtree);
    // While a tab stop's mirrors are rewritten (last first, so that each is rewritten where it
    // still is), the spans after each rewritten one wait to be moved: one pass over the tree
    // then moves them all, where moving them at once would make a stop of n mirrors cost n
    // passes over the spans after them. Nested rewrites apply what waits before they begin.
    void beginDeferredMoves() { ++m_deferDepth; }
    void endDeferredMoves();
    bool defersMoves() const { return m_deferDepth > 0; }
    // The spans after span (its later siblings, with their children) are to move by delta.
    void deferMove(Span* span, int32_t delta) { m_deferredMoves[span] += delta; }
    void applyDeferredMoves();
    // After leaving the spans around the current one that do not hold [first, last], the
    // innermost span that does (not made current).
    Span* innermostHolding(int32_t first, int32_t last);
    // Removes and destroys the root's children, but the kept contexts (search areas).
    void clearRootChildren();
    // The root covers the whole text, whatever edits went past the spans.
    void syncRootLength();
    // Reads the tree of a record: the new root (null for a damaged record) and the serial of
    // its current span (-1: none).
    static SpanContext* readTree(SpanReader& in, int32_t& o_current);
    // Puts a read tree in place of the present one, current at current.
    void replaceRoot(SpanContext* root, Span* current);

    DocumentController& m_controller;
    std::unique_ptr<SpanContext> m_root;
    Span* m_current = nullptr;
    SpanContext* m_currentContext = nullptr;
    SpanContext* m_activeContext = nullptr;
    int m_deferDepth = 0;
    std::unordered_map<Span*, int32_t> m_deferredMoves;
    // Last, so that it goes first: the spans it lists stay alive until it has let them go.
    std::unique_ptr<SpanHighlighter> m_highlighter;
};

} // namespace tessel

#pragma once
// A stretch of document text that keeps to its text as the text changes: a snippet's
// placeholders, mirrors and plain runs, the ranges of a multi-range edit. Spans form a tree
// (the span manager's root context on top) whose children lie inside their parent in document
// order. A span bound to a tab stop of its context shares the text of that stop's primary span:
// replacing the primary's text rewrites the others (mirrors). Spans edit the document
// themselves when their text is replaced, through the controller they are given.
//
// A parent owns its children; a span is deleted through destroy. Main thread only.

#include <cstdint>
#include <string>

namespace tessel {

class DocumentController;
class SpanContext;
class SpanHighlighter;
class SpanManager;
class SpanReader;
class SpanWriter;

// The class tags of span records.
enum SpanClass : int32_t { SPAN_CLASS_SPAN = 1, SPAN_CLASS_CONTEXT = 2, SPAN_CLASS_TRANSFORMATION = 3 };

class Span {
public:
    static constexpr uint32_t FLAG_ENABLED = 1; // a disabled placeholder is skipped by Tab
    // Record flags: the enabled flag, and whether the span is its tab stop's primary.
    static constexpr int32_t RECORD_ENABLED = 1;
    static constexpr int32_t RECORD_PRIMARY = 2;

    explicit Span(int32_t length = 0, const std::wstring& name = std::wstring());
    Span(const Span&) = delete;
    Span& operator=(const Span&) = delete;

    // The class tag of its records; makeOfClass makes an empty span of a tag, null for a tag
    // no span class has.
    virtual int32_t getClassTag() const { return SPAN_CLASS_SPAN; }
    static Span* makeOfClass(int32_t tag);
    // Its record: name, start, length, range id, direction, tab stop and the record flags.
    virtual void write(SpanWriter& out) const;
    // Reads a record written by write; false (the reader failed) for a damaged one. The span is
    // already linked into the tree being read, so that it can join its context's tab stop.
    virtual bool read(SpanReader& in);
    virtual ~Span();
    // Unlinks the span from its parent (if any) and deletes it with its children.
    virtual void destroy();
    virtual SpanContext* getContext() { return m_context; }
    // Puts text (newLength units) in place of the span's text, children included, then lets the
    // mirrors of the span and of the spans around it follow.
    virtual void replaceText(DocumentController& controller, int32_t newLength, const wchar_t* text);

    // A new length: every ancestor changes by as much, and every span after this one and its
    // ancestors (their later siblings, with children) moves by as much.
    void setLength(int32_t newLength);
    // Moves the span and its children.
    void setStart(int32_t newStart);
    // Links child under this span at position (-1: where the last child ends, or at this span's
    // start without children), after the children that start at or before it. With insertText,
    // text (of the child's length) goes into the document there, this span grows by as much and
    // the children after it move. The child takes this span's context when it has none. A child
    // that already has a parent is left alone.
    void appendChild(Span* child, int32_t position, bool insertText, const wchar_t* text);
    // Unlinks child, which keeps its offsets (its text stays in the document): it leaves its
    // tab stops, the highlighter and the contexts around it, and the manager's current span.
    void removeChild(Span* child);
    // Removes and destroys every child.
    void clearChildren();
    // When this span is the primary of its tab stop, copies its text into the stop's other
    // spans; then the same for every span around it. A tab stop already being copied is not
    // copied again (placeholders holding each other's mirrors).
    void syncMirrors(DocumentController& controller);

    int32_t getStart() const { return m_start; }
    int32_t getLength() const { return m_length; }
    int32_t getEnd() const { return m_start + m_length; }
    const std::wstring& getName() const { return m_name; }
    void setName(const std::wstring& name) { m_name = name; }
    int32_t getSerial() const { return m_serial; }
    void setSerial(int32_t serial) { m_serial = serial; }
    // The Selection's range id of a multi-range span (-1: none) and its direction (-1, 0, 1).
    int32_t getRangeId() const { return m_rangeId; }
    void setRangeId(int32_t id) { m_rangeId = id; }
    int32_t getDirection() const { return m_direction; }
    void setDirection(int32_t direction) { m_direction = direction; }
    int32_t getTabStop() const { return m_tabStop; }
    bool isEnabled() const { return (m_flags & FLAG_ENABLED) != 0; }
    void setEnabled(bool enabled) { m_flags = enabled ? m_flags | FLAG_ENABLED : m_flags & ~FLAG_ENABLED; }
    // Whether it is the primary span of its tab stop.
    bool isPrimary() const;

    Span* getParent() const { return m_parent; }
    Span* getFirstChild() const { return m_firstChild; }
    Span* getLastChild() const { return m_lastChild; }
    Span* getNext() const { return m_next; }
    Span* getPrevious() const { return m_previous; }
    int32_t getChildCount() const { return m_childCount; }
    // The next span of the subtree of top in pre-order (null past its end).
    Span* nextInTree(const Span* top) const;
    // The manager of the tree the span is in, null outside one.
    SpanManager* getManager() const;

    // Spans alive in the process, and whether a span is one of them: a span that syncing
    // mirrors destroyed (a mirror nested in a mirror) is skipped, never touched.
    static size_t liveCount();
    static bool isLive(const Span* span);

private:
    friend class SpanContext;
    friend class SpanHighlighter;
    friend class SpanManager;

    // Moves the span and its subtree by delta.
    void moveBy(int32_t delta);
    // Links child before `before` (null: last), without touching offsets.
    void linkChild(Span* child, Span* before);
    void unlinkChild(Span* child);
    // Deletes the subtree below the span, leaves first: each span leaves its context's tab
    // stop while the context is still whole.
    void deleteChildren();
    // Copies this span's text into the other spans of its tab stop when it is their primary.
    void syncOwnTabStop(DocumentController& controller);
    // Takes the highlighter's note of a change of start or length.
    void noteMoved(int32_t oldStart, int32_t oldLength);

    SpanHighlighter* m_highlighter = nullptr; // the highlighter that lists the span
    int32_t m_serial = 0;
    int32_t m_length;
    int32_t m_start = 0;
    std::wstring m_name;
    int32_t m_rangeId = -1;
    int32_t m_direction = 1;
    int32_t m_childCount = 0;
    Span* m_firstChild = nullptr;
    Span* m_lastChild = nullptr;
    Span* m_next = nullptr;
    Span* m_previous = nullptr;
    Span* m_parent = nullptr;
    SpanContext* m_context = nullptr;
    int32_t m_tabStop = -1;
    uint32_t m_flags = FLAG_ENABLED;
};

} // namespace tessel

#pragma once
// A span that holds tab stops: one inserted snippet, a multi-range edit's ranges, or the root
// of a document's spans. A tab stop groups the spans that show the same text: its primary span
// (the first bound, whose text the others copy) and its mirrors. The context that holds the
// caret is entered; the one that can be active nearest to it is activated, which lets the span
// highlighter tint the primaries of its tab stops.

#include "service/parser/spans/Span.h"

#include <map>
#include <memory>
#include <vector>

namespace tessel {

struct TabStop {
    int32_t index = 0;
    Span* primary = nullptr;
    std::vector<Span*> spans; // the primary first
    bool syncing = false;     // its mirrors are being rewritten
};

class SpanContext : public Span {
public:
    // Context flags.
    static constexpr uint32_t CAN_BE_ACTIVE = 1;
    static constexpr uint32_t HIGHLIGHTED = 2;
    static constexpr uint32_t TAB_NAVIGABLE = 4; // a snippet
    // Editing or moving the caret outside it does not end it (a search area).
    static constexpr uint32_t KEPT = 8;

    // A context named name, linked under parent (when given) at position (-1: where the
    // parent's last child ends). The parent owns it then.
    explicit SpanContext(Span* parent = nullptr, const std::wstring& name = std::wstring(), int32_t position = -1);
    int32_t getClassTag() const override { return SPAN_CLASS_CONTEXT; }
    // The span's record, then the tab stops (index, span count, the spans' serials; then the
    // current stop's index) when there are any, then the context flags.
    void write(SpanWriter& out) const override;
    bool read(SpanReader& in) override;
    ~SpanContext() override;

    // Takes span out of its tab stop; a primary takes the whole stop with it (the other spans
    // become plain ones, and the stop stops being current).
    virtual void unbindSpan(Span* span);
    // The caret came into the context at span, which makes a primary's tab stop current.
    virtual void enter(Span* span);
    virtual void leave(Span* span);
    // Tints the primary of every tab stop (repainting them); deactivate takes them back.
    virtual void activate();
    virtual void deactivate();

    // Tab stop index, made when missing with create; none for a negative index.
    TabStop* findTabStop(int32_t index, bool create);
    const TabStop* findTabStop(int32_t index) const;
    // Makes span an occurrence of tab stop index (leaving the stop it was in); the first span
    // bound to a stop is its primary.
    void bindTabStop(Span* span, int32_t index);
    void addTabStopSpan(int32_t index, Span* span) { bindTabStop(span, index); }
    // Copies each tab stop's primary text into its other spans.
    void syncAllMirrors(DocumentController& controller);

    const std::map<int32_t, std::unique_ptr<TabStop>>& getTabStops() const { return m_tabStops; }
    TabStop* getCurrentTabStop() const { return m_currentTabStop; }
    void setCurrentTabStop(TabStop* stop) { m_currentTabStop = stop; }
    uint32_t getContextFlags() const { return m_contextFlags; }
    void setContextFlags(uint32_t flags) { m_contextFlags = flags; }

private:
    friend class Span;
    friend class SpanManager;

    SpanManager* m_manager = nullptr; // set on the manager's root only
    std::map<int32_t, std::unique_ptr<TabStop>> m_tabStops;
    TabStop* m_currentTabStop = nullptr;
    uint32_t m_contextFlags = CAN_BE_ACTIVE;
};

} // namespace tessel

#pragma once
// The span manager of a controller until snippets and multi-range edits bring real spans: only
// the root context, as long as the text. Insertions and removals go straight to the document,
// no span names reach the caret's scope, its undo records are empty, and it makes no span
// contexts (the controller then edits every range directly, and a search finds nothing).

#include "service/document/controller/ISpanManager.h"

namespace tessel {

class Document;

class PassThroughSpanManager : public ISpanManager {
public:
    explicit PassThroughSpanManager(Document& document);

    int32_t onInsert(int32_t offset, int32_t length, const wchar_t* text) override;
    int32_t onRemove(int32_t offset, int32_t length) override;
    Span* leaveSpansOutside(int32_t first, int32_t last) override;
    void reset(int32_t documentLength) override;
    void appendScopes(ScopePath& path) override;
    void saveUndoState(Stream& record) override;
    void restoreUndoState(Stream& record) override;
    void dumpUndoState(Stream& record, std::wstring& out, const wchar_t* prefix) override;
    bool gotoTabStop(bool forward) override;
    bool leaveActiveContext() override;
    Span* createSpanContext(const std::vector<SelectionRange>& ranges, const std::wstring& name,
                            uint32_t contextFlags) override;
    Span* getContextOf(Span* span) override { return span; }
    void getChildren(Span*, std::vector<Span*>& o_children) override { o_children.clear(); }
    SpanExtent getExtent(const Span*) const override { return SpanExtent(); }
    void bindTabStop(Span*, int32_t) override {}
    void replaceSpanText(Span*, int32_t, const wchar_t*) override {}
    void setCurrentSpan(Span*) override {}
    Span* getCurrentSpan() const override { return nullptr; }
    void leaveSpanContext(Span*) override {}
    void destroySpan(Span*) override {}
    Span* findContext(const std::wstring&) override { return nullptr; }

    int32_t getRootLength() const { return m_rootLength; }

private:
    Document& m_document;
    int32_t m_rootLength;
};

} // namespace tessel

#pragma once
// An observer of one Document. Every operation does nothing unless overridden. Listeners are
// told in the order they were added; the format operations run under the document's format
// lock (the asynchronous one on threads other than the main thread), so they must not wait for
// another thread.

#include "service/document/DocumentChange.h"

#include <cstdint>
#include <string>

namespace tessel {

class Document;
struct DocumentFormat;

class DocumentListener {
public:
    virtual ~DocumentListener() = default;

    virtual void onInserted(Document& document, const TextChange& change) {}
    virtual void onBeforeInsert(Document& document, const TextChange& change) {}
    virtual void onRemoved(Document& document, const TextChange& change) {}
    virtual void onBeforeRemove(Document& document, const TextChange& change) {}
    virtual void onBeginChange(Document& document, const ChangeRange& range) {}
    virtual void onChanged(Document& document, const ChangeRange& range) {}
    virtual void onFormatChanged(Document& document, const DocumentFormat& format, uint32_t mask) {}
    virtual void onFormatChangedAsync(Document& document, const DocumentFormat& format, uint32_t mask) {}
    virtual void onGrammarChanged(Document& document, const std::wstring& grammarName) {}
    // Lines firstLine..lastLine were parsed again (the parser client, on the main thread).
    virtual void onParsed(Document& document, int32_t firstLine, int32_t lastLine) {}
    virtual void onLoaded(Document& document) {}
    virtual void onLineMarkersChanged(Document& document, int32_t line, int flag) {}
    virtual void onFileChanged(Document& document, const DocumentFileChange& change) {}
    virtual void onBeforeReload(Document& document) {}
    virtual void onAfterReload(Document& document) {}
};

} // namespace tessel

#pragma once
// Documents for the parsing tests: an owner that gives each document a real scope registry (and,
// when asked, a parser client), text put in without undo, a grammar set under the lock, and a
// line's record written out as text: each run as "column:scope path" and the end state.

#include "service/document/Document.h"
#include "service/document/DocumentOwner.h"
#include "service/parser/ParserRule.h"
#include "service/parser/ScopeRegistry.h"
#include "service/parser/base/DocumentScope.h"

#include <memory>
#include <string>

namespace tessel_test {

class ParserOwner : public tessel::DocumentOwner {
public:
    explicit ParserOwner(tessel::ParserClient* client = nullptr) : m_client(client) {}
    tessel::ParserClient* getParserClient() override { return m_client; }
    std::unique_ptr<tessel::DocumentScopeRegistry> createScopeRegistry(tessel::Document& document) override {
        return std::make_unique<tessel::ScopeRegistry>(document);
    }

private:
    tessel::ParserClient* m_client;
};

// One change without undo: removes length units at offset, then inserts the text there.
inline void editText(tessel::Document& document, int32_t offset, int32_t length, const std::wstring& text) {
    tessel::DocumentLockHold lock(document);
    document.beginChange(0, true);
    document.remove(offset, length);
    document.insert(offset, text);
    document.endChange();
}
inline void insertText(tessel::Document& document, int32_t offset, const std::wstring& text) {
    editText(document, offset, 0, text);
}

inline void setGrammar(tessel::Document& document, const tessel::ParserRule* root) {
    tessel::DocumentLockHold lock(document);
    document.resetGrammarState(root, true);
}

inline std::wstring scopeText(const tessel::Document& document, uint32_t index) {
    std::wstring text;
    for (const tessel::DocumentScope* scope = document.getScopeRegistry().get(index); scope; scope = scope->parent())
        if (!scope->name().empty())
            text = scope->name() + (text.empty() ? L"" : L" " + text);
    return text;
}

// "column:path|column:path|... => [end index:scope index ...]", or "-" without a record.
inline std::wstring dumpLine(tessel::Document& document, int32_t line) {
    const void* record = document.getLineHeader(line)->parsedLine;
    if (!record)
        return L"-";
    std::wstring text;
    const tessel::LineRuns runs = tessel::lineRecordRuns(record);
    for (uint32_t i = 0; i < runs.count; ++i)
        text += (i ? L"|" : L"") + std::to_wstring(runs.runs[i].column) + L":" + scopeText(document, runs.runs[i].scope);
    text += L" => [";
    const tessel::LineState end = tessel::lineRecordEndState(record);
    for (uint32_t i = 0; i + 1 < end.byteSize / 2; i += 2)
        text += (i ? L" " : L"") + std::to_wstring(end.values[i]) + L":" + std::to_wstring(end.values[i + 1]);
    return text + L"]";
}

inline std::wstring dumpDocument(tessel::Document& document) {
    std::wstring text;
    for (int32_t line = 0; line < document.getLineCount(); ++line)
        text += dumpLine(document, line) + L"\n";
    return text;
}

} // namespace tessel_test

#pragma once
// Shared pieces of the document engine's tests: a fixture that records the test thread as the
// main thread, a listener that writes every notification down as a line of text, an owner with
// recording parser doubles and an undo registry, the devices an undo log lives on, and small
// edit helpers.

#include "pel/text/FormatString.h"
#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/DocumentListener.h"
#include "service/document/DocumentOwner.h"
#include "service/document/undo/UndoContext.h"
#include "service/document/undo/UndoManager.h"
#include "service/parser/base/ParserClient.h"


#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tessel_test {

class MainThreadTest : public testing::Test {
protected:
    MainThreadTest() { pel::store_main_thread_id(); } // the test runner's thread stands in for the entry point
};

// Every notification as one line: "insert 3+2 'ab' line 0 breaks 0", "changed 0..1", ...
class RecordingListener : public tessel::DocumentListener {
public:
    std::vector<std::wstring> events;
    std::wstring name; // prefixed to every line when set

    void onInserted(tessel::Document&, const tessel::TextChange& c) override { add(L"inserted", c); }
    void onBeforeInsert(tessel::Document&, const tessel::TextChange& c) override { add(L"insert", c); }
    void onRemoved(tessel::Document&, const tessel::TextChange& c) override { add(L"removed", c); }
    void onBeforeRemove(tessel::Document&, const tessel::TextChange& c) override { add(L"remove", c); }
    void onBeginChange(tessel::Document&, const tessel::ChangeRange& r) override { add(L"begin", r); }
    void onChanged(tessel::Document&, const tessel::ChangeRange& r) override { add(L"changed", r); }
    void onFormatChanged(tessel::Document&, const tessel::DocumentFormat&, uint32_t mask) override {
        push(pel::formatString(L"format %02X", mask));
    }
    void onGrammarChanged(tessel::Document&, const std::wstring& grammar) override { push(L"grammar " + grammar); }
    void onParsed(tessel::Document&, int32_t first, int32_t last) override {
        push(pel::formatString(L"parsed %d..%d", first, last));
    }
    void onLineMarkersChanged(tessel::Document&, int32_t line, int flag) override {
        push(pel::formatString(L"markers %d %d", line, flag));
    }

    std::vector<std::wstring> take() { return std::move(events); }

private:
    void push(const std::wstring& event) { events.push_back(name.empty() ? event : name + L" " + event); }
    void add(const wchar_t* what, const tessel::TextChange& c) {
        push(pel::formatString(L"%s %d+%d '%s' line %d breaks %d", what, c.offset, c.length,
                               std::wstring(c.text, static_cast<size_t>(c.length)).c_str(), c.firstLine,
                               c.lineBreaks));
    }
    void add(const wchar_t* what, const tessel::ChangeRange& r) {
        push(pel::formatString(L"%s %d..%d", what, r.firstLine, r.lastLine));
    }
};

// Parser doubles that write down what the document asks of them.
class RecordingParserJob : public tessel::ParserJob {
public:
    std::vector<std::wstring>& calls;
    explicit RecordingParserJob(std::vector<std::wstring>& log) : calls(log) {}
    void clearResults(int32_t first, int32_t last) override { calls.push_back(pel::formatString(L"clear %d..%d", first, last)); }
    void resetState() override { calls.push_back(L"reset"); }
    bool isBusy() const override { return false; }
};

class RecordingParserClient : public tessel::ParserClient {
public:
    std::vector<std::wstring> calls;
    tessel::ParserJob* createJob(tessel::Document*) override { return new RecordingParserJob(calls); }
    void requestParse(tessel::Document*, int32_t first, int32_t last) override {
        calls.push_back(pel::formatString(L"parse %d..%d", first, last));
    }
};

// An owner with a recording parser client and, when asked for, an undo registry.
class TestOwner : public tessel::DocumentOwner {
public:
    explicit TestOwner(bool withUndo) : undo(withUndo ? new tessel::UndoManager() : nullptr) {}
    tessel::UndoManager* getUndoManager() override { return undo.get(); }
    tessel::ParserClient* getParserClient() override { return &parser; }

    RecordingParserClient parser;
    std::unique_ptr<tessel::UndoManager> undo;
};

inline std::wstring textOf(const tessel::Document& document) { return document.getText(0, document.getLength()); }

inline std::vector<int32_t> lineEnds(const tessel::Document& document) {
    std::vector<int32_t> ends;
    for (int32_t line = 0; line < document.getLineCount(); ++line)
        ends.push_back(document.getLineTable().end(line));
    return ends;
}

// One edit in a change bracket of its own, as the controller makes them.
inline void typeAt(tessel::Document& document, int32_t offset, const std::wstring& text) {
    document.beginChange(0, false);
    document.insert(offset, text);
    document.endChange();
}

inline void removeAt(tessel::Document& document, int32_t offset, int32_t length) {
    document.beginChange(0, false);
    document.remove(offset, length);
    document.endChange();
}

// Undo or redo inside a bracket that records nothing, as the controller's replay does.
inline void replay(tessel::Document& document, bool redo) {
    document.beginChange(0, true);
    redo ? document.getUndoContext().redo() : document.getUndoContext().undo();
    document.endChange();
}

inline bool isModified(const tessel::Document& document) { return document.getFormat().modified; }

} // namespace tessel_test

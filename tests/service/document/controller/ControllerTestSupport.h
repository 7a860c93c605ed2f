#pragma once
// The controller tests' pieces: a fixture with a DocumentManager (no parser workers), the
// controllers' manager and one controller on a new document; a view of fixed character width
// whose geometry goes through the text's columns (so that a position mapped to x and back is the
// same position); and a recorder of the controller's notices.

#include "pel/legacy/MessageRegistry.h"
#include "pel/text/FormatString.h"
#include "service/base/Stream.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/IEditor.h"
#include "service/document/controller/Selection.h"
#include "support/TempDevices.h"
#include "../DocumentTestSupport.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace tessel_test {

// Every character cell is WIDTH pixels; tabs and virtual space as the text's columns.
class FakeEditor : public tessel::IEditor {
public:
    static constexpr int32_t WIDTH = 7;

    void attachController(tessel::DocumentController* c) override {
        controller = c;
        calls.push_back(c ? L"attach" : L"detach");
    }
    void beginUpdate() override { calls.push_back(L"begin"); }
    void endUpdate() override { calls.push_back(L"end"); }
    void invalidateLines(int32_t first, int32_t last, bool relayout, bool rewrap) override {
        calls.push_back(pel::formatString(L"invalidate %d..%d %d %d", first, last, relayout, rewrap));
    }
    void invalidateLine(int32_t line) override { calls.push_back(pel::formatString(L"redraw %d", line)); }
    bool pointToPosition(int32_t x, int32_t line, int32_t, tessel::TextPosition* o_position, bool, bool) override {
        *o_position = controller->getColumnPosition(line, x < 0 ? -1 : x / WIDTH);
        return true;
    }
    int32_t positionToPoint(const tessel::TextPosition& position, bool, bool*) override {
        return controller->getVisualColumn(position) * WIDTH;
    }
    tessel::DocumentController* getController() const override { return controller; }

    tessel::DocumentController* controller = nullptr;
    std::vector<std::wstring> calls;
};

class ControllerTest : public MainThreadTest {
protected:
    ControllerTest() {
        registry.initRegistry(::GetModuleHandleW(nullptr));
        documents.reset(new tessel::DocumentManager(services));
        controllers.reset(new tessel::DocumentControllerManager(*documents));
        document = documents->createDocument(L"");
        controller = controllers->createController(*document);
    }
    ~ControllerTest() override {
        controllers.reset();
        documents.reset();
        registry.releaseRegistry();
    }

    tessel::Selection& selection() { return controller->getSelection(); }
    std::wstring text() const { return textOf(*document); }
    // The text in an edit of its own (caret at the start), then a clean undo log.
    void load(const std::wstring& content) {
        controller->setText(content);
        document->clearUndo();
    }
    // Types at the caret in an edit transaction of its own.
    void type(const std::wstring& typed) {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_EDIT);
        controller->insertString(typed);
    }
    void select(int32_t anchor, int32_t caret, uint32_t behavior = tessel::selection_ids::NORMAL) {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_EDIT);
        selection().setOffsets(anchor, caret, behavior);
    }

    pel::MessageRegistry registry;
    TempDevices devices;
    std::shared_ptr<tessel::ParserServices> services; // none: nothing parsed
    std::unique_ptr<tessel::DocumentManager> documents;
    std::unique_ptr<tessel::DocumentControllerManager> controllers;
    tessel::Document* document = nullptr;
    tessel::DocumentController* controller = nullptr;
};

// Anchor and caret as offsets.
inline std::pair<int32_t, int32_t> offsetsOf(tessel::DocumentController& controller) {
    const tessel::Selection& selection = controller.getSelection();
    return {controller.positionToOffset(selection.getAnchor()), controller.positionToOffset(selection.getCaret())};
}

// Bytes written and read back, as undo records are.
class MemoryStream : public tessel::Stream {
public:
    uint32_t write(const void* data, uint32_t size) override {
        bytes.insert(bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
        return size;
    }
    uint32_t read(void* data, uint32_t size) override {
        const uint32_t count = std::min<uint32_t>(size, static_cast<uint32_t>(bytes.size() - at));
        std::copy(bytes.begin() + at, bytes.begin() + at + count, static_cast<uint8_t*>(data));
        at += count;
        return count;
    }
    std::vector<uint8_t> bytes;
    size_t at = 0;
};

// The controller's notices as lines, in order.
class NoticeRecorder {
public:
    explicit NoticeRecorder(tessel::DocumentController& c) : controller(c) {
        using namespace tessel;
        c.caretMoved().add(this, [this](DocumentController&, const TextPosition& p, uint8_t flags) {
            lines.push_back(pel::formatString(L"caret %d:%d%s %u", p.line, p.lineOffset, p.isVirtual ? L"v" : L"",
                                              unsigned(flags)));
        });
        c.selectionChanged().add(this, [this](DocumentController&, const PositionRange& r) {
            lines.push_back(pel::formatString(L"selection %d:%d-%d:%d", r.start.line, r.start.lineOffset, r.end.line,
                                              r.end.lineOffset));
        });
        c.beginChange().add(this, [this](DocumentController&, const ChangeRange&) { lines.push_back(L"begin"); });
        c.changed().add(this, [this](DocumentController&, const ChangeRange& r) {
            lines.push_back(pel::formatString(L"changed %d..%d", r.firstLine, r.lastLine));
        });
        c.inserted().add(this, [this](DocumentController&, const TextChange& t) {
            lines.push_back(pel::formatString(L"inserted line %d breaks %d", t.firstLine, t.lineBreaks));
        });
        c.modifiedChanged().add(this, [this](DocumentController&, bool modified) {
            lines.push_back(modified ? L"modified" : L"unmodified");
        });
    }
    ~NoticeRecorder() {
        controller.caretMoved().remove(this);
        controller.selectionChanged().remove(this);
        controller.beginChange().remove(this);
        controller.changed().remove(this);
        controller.inserted().remove(this);
        controller.modifiedChanged().remove(this);
    }
    std::vector<std::wstring> take() { return std::move(lines); }

    tessel::DocumentController& controller;
    std::vector<std::wstring> lines;
};

} // namespace tessel_test

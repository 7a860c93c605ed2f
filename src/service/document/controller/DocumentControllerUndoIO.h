#pragma once
// The undo listener of the controllers' own records, shared by every controller: the selection
// before and after each edit ("Selection"), the span tree ("Spans") and the kind
// "SelectionCaret" (kept registered, never written). A replayed record goes to the controller
// whose undo or redo is running on the record's document. Records of these kinds alone make no
// undo step: a transaction that changed no text leaves no trace.

#include "service/document/undo/UndoListener.h"

#include <cstdint>

namespace tessel {

class DocumentController;
class UndoManager;

class DocumentControllerUndoIO : public UndoListener {
public:
    // Registers the three kinds and takes their listener slots where free.
    explicit DocumentControllerUndoIO(UndoManager& manager);
    // Gives back the kinds whose slots it took.
    ~DocumentControllerUndoIO() override;
    DocumentControllerUndoIO(const DocumentControllerUndoIO&) = delete;
    DocumentControllerUndoIO& operator=(const DocumentControllerUndoIO&) = delete;

    void apply(UndoContext& context) override;
    void dump(UndoContext& context, std::wstring& out, const wchar_t* prefix) override;

    uint32_t selectionKind() const { return m_selectionKind; }
    uint32_t selectionCaretKind() const { return m_selectionCaretKind; }
    uint32_t spansKind() const { return m_spansKind; }

private:
    // The controller of the context's document whose replay is open; null when none.
    static DocumentController* replayingController(UndoContext& context);

    UndoManager& m_manager;
    uint32_t m_selectionKind;
    uint32_t m_selectionCaretKind;
    uint32_t m_spansKind;
    bool m_ownsSlot[3] = {false, false, false};
};

} // namespace tessel

#pragma once
// The listener of the Document's own undo kinds: "DOC-INSERT" and "DOC-REMOVE" (offset,
// length and the text), and their short forms "DOC-INSERT-S" and "DOC-REMOVE-S" for one unit at
// an offset below 65 536 (offset in the low 16 bits, the unit in the high 16 bits). Undoing a
// removal or redoing an insert inserts the text again; the other two remove it.

#include "service/document/undo/UndoListener.h"

#include <cstdint>
#include <string>

namespace tessel {

class UndoManager;

class UndoDocIO : public UndoListener {
public:
    // Registers the four kinds, takes their listener slots and joins the global listeners.
    explicit UndoDocIO(UndoManager& manager);

    uint32_t insertKind() const { return m_insert; }
    uint32_t removeKind() const { return m_remove; }
    uint32_t insertShortKind() const { return m_insertShort; }
    uint32_t removeShortKind() const { return m_removeShort; }

    void onGroupEnter(UndoContext& context) override;
    void onGroupLeave(UndoContext& context) override;
    void apply(UndoContext& context) override;
    // prefix, then [offset, length] and the first 63 units of the text in double quotes,
    // followed by "..." when the text is longer.
    void dump(UndoContext& context, std::wstring& out, const wchar_t* prefix) override;

private:
    bool isShort(uint32_t kind) const { return kind == m_insertShort || kind == m_removeShort; }
    // Reads offset, length and (up to limit units of) the text of the current record.
    bool readChange(UndoContext& context, uint32_t limit, uint32_t* o_offset, uint32_t* o_length);

    uint32_t m_insert;
    uint32_t m_remove;
    uint32_t m_insertShort;
    uint32_t m_removeShort;
    std::wstring m_text; // the text of the record in hand
};

} // namespace tessel

#include "service/document/undo/UndoDocIO.h"

#include "pel/text/FormatString.h"
#include "service/document/Document.h"
#include "service/document/undo/UndoContext.h"
#include "service/document/undo/UndoManager.h"

#include <algorithm>

namespace tessel {

namespace {

constexpr uint32_t DUMPED_UNITS = 63;
constexpr size_t TEXT_RESERVE = 1024;

} // namespace

UndoDocIO::UndoDocIO(UndoManager& manager)
    : m_insert(manager.registerKind(L"DOC-INSERT")), m_remove(manager.registerKind(L"DOC-REMOVE")),
      m_insertShort(manager.registerKind(L"DOC-INSERT-S")), m_removeShort(manager.registerKind(L"DOC-REMOVE-S")) {
    for (uint32_t kind : {m_insert, m_remove, m_insertShort, m_removeShort})
        manager.setKindListener(kind, this);
    manager.addListener(this);
}

void UndoDocIO::onGroupEnter(UndoContext&) { m_text.reserve(TEXT_RESERVE); }

void UndoDocIO::onGroupLeave(UndoContext&) { std::wstring().swap(m_text); }

bool UndoDocIO::readChange(UndoContext& context, uint32_t limit, uint32_t* o_offset, uint32_t* o_length) {
    unsigned char head[8];
    m_text.clear();
    if (isShort(context.currentKind())) {
        if (context.read(head, 4) != 4)
            return false;
        const uint32_t word = getUndo32(head);
        *o_offset = word & 0xFFFF;
        *o_length = 1;
        if (limit > 0)
            m_text.assign(1, static_cast<wchar_t>(word >> 16));
        return true;
    }
    if (context.read(head, 8) != 8)
        return false;
    *o_offset = getUndo32(head);
    *o_length = getUndo32(head + 4);
    // A length the record cannot hold is a damaged record.
    if (*o_length > (context.payloadSize() - 8) / sizeof(wchar_t))
        return false;
    const uint32_t units = std::min(*o_length, limit);
    m_text.resize(units);
    return units == 0 || context.read(&m_text[0], units * sizeof(wchar_t)) == units * sizeof(wchar_t);
}

void UndoDocIO::apply(UndoContext& context) {
    Document* document = context.document();
    const uint32_t kind = context.currentKind();
    const bool inserted = kind == m_insert || kind == m_insertShort;
    const bool insertAgain = (context.getMode() == UNDO_UNDOING) != inserted;
    uint32_t offset = 0, length = 0;
    if (!document || !readChange(context, insertAgain ? 0xFFFFFFFF : 0, &offset, &length))
        return;
    if (insertAgain)
        document->insert(static_cast<int32_t>(offset), static_cast<int32_t>(length), m_text.c_str());
    else
        document->remove(static_cast<int32_t>(offset), static_cast<int32_t>(length));
}

void UndoDocIO::dump(UndoContext& context, std::wstring& out, const wchar_t* prefix) {
    uint32_t offset = 0, length = 0;
    if (!readChange(context, DUMPED_UNITS, &offset, &length)) {
        out += pel::formatString(L"%s?\n", prefix);
        return;
    }
    out += pel::formatString(L"%s[%u, %u] \"", prefix, offset, length);
    out += m_text;
    out += length > DUMPED_UNITS ? L"\"...\n" : L"\"\n";
}

} // namespace tessel
